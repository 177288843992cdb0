#pragma once

#include "Platform/SDKs/Veltrane/VQSDKDevAction.hpp"
#include "Platform/UI/ImageView.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/TableView.hpp"

#include <memory>

namespace vellicor {

/// One row of the developer-action menu: an icon on a coloured background,
/// the action's name and, for app actions with a count, a counter badge.
class MenuActionTableViewCell : public platform::ui::TableViewCell {
public:
    static constexpr const char* kReuseIdentifier = "MenuActionTableViewCell";

    /// The storyboard's prototype cell.
    static std::shared_ptr<MenuActionTableViewCell> makePrototype();

    /// Shows the action. An app action sets the icon, its background, the
    /// counter (hidden exactly when negative) and the title's weight and
    /// colour; any other action only gets a light grey icon background.
    virtual void configure(const platform::veltrane::VQSDKDevAction& action);
    /// Back to the prototype's look before the cell shows another row.
    void prepareForReuse() override;

    std::string typeName() const override { return "MenuActionTableViewCell"; }

    std::shared_ptr<platform::ui::View> iconBackground() const { return iconBackground_.lock(); }
    std::shared_ptr<platform::ui::ImageView> icon() const { return icon_.lock(); }
    std::shared_ptr<platform::ui::Label> label() const { return label_.lock(); }
    std::shared_ptr<platform::ui::View> counterView() const { return counterView_.lock(); }
    std::shared_ptr<platform::ui::Label> counter() const { return counter_.lock(); }

protected:
    MenuActionTableViewCell();

private:
    std::weak_ptr<platform::ui::View> iconBackground_;
    std::weak_ptr<platform::ui::ImageView> icon_;
    std::weak_ptr<platform::ui::Label> label_;
    std::weak_ptr<platform::ui::View> counterView_;
    std::weak_ptr<platform::ui::Label> counter_;
};

} // namespace vellicor
