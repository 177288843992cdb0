#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

enum class LayoutAxis { horizontal, vertical };

/// Lines up its arranged subviews along an axis. The arrangement is kept as
/// data (there is no layout solver); hidden arranged views take no place.
class PLATFORM_EXPORT StackView : public View {
public:
    enum class Alignment { fill, leading, top = leading, firstBaseline, center, trailing, bottom = trailing, lastBaseline };
    enum class Distribution { fill, fillEqually, fillProportionally, equalSpacing, equalCentering };

    static std::shared_ptr<StackView> create(std::vector<std::shared_ptr<View>> arrangedSubviews = {}, Rect frame = {});

    LayoutAxis axis = LayoutAxis::horizontal;
    double spacing = 0;
    Alignment alignment = Alignment::fill;
    Distribution distribution = Distribution::fill;
    bool isLayoutMarginsRelativeArrangement = false;

    const std::vector<std::shared_ptr<View>>& arrangedSubviews() const { return arranged_; }
    /// Adds the view as the last arranged view (and as a subview when it is not one).
    void addArrangedSubview(const std::shared_ptr<View>& view);
    void insertArrangedSubview(const std::shared_ptr<View>& view, std::size_t index);
    /// Stops arranging the view; it stays a subview, as on the platform.
    void removeArrangedSubview(const std::shared_ptr<View>& view);
    /// The arranged views that take place (not hidden).
    std::vector<std::shared_ptr<View>> visibleArrangedSubviews() const;

    std::string typeName() const override { return "StackView"; }

protected:
    explicit StackView(Rect frame) : View(frame) {}
    /// A view removed from the stack's subviews is no longer arranged.
    void willRemoveSubview(View& subview) override;

private:
    std::vector<std::shared_ptr<View>> arranged_;
};

} // namespace platform::ui
