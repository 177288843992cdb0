#pragma once

#include "Platform/SDKs/Tarnix/Export.hpp"
#include "Platform/SDKs/Tarnix/TarnixPlugin.hpp"

#include <functional>
#include <memory>

namespace platform::ui {
class ViewController;
}

namespace platform::tarnixbridge {

/// The contacts plug-in ("ContactsService"). Its action "pickContacts" shows
/// the contact picker through the presenter, closes it once the user has
/// chosen and answers {"contacts": [...]}, the address book's entries,
/// reporting their number as "item_count".
class TARNIX_BRIDGE_EXPORT ContactsService : public TarnixPlugin {
public:
    /// Presents a screen of the plug-in; the caller decides how.
    using Presenter = std::function<void(const std::shared_ptr<ui::ViewController>& screen)>;

    static std::shared_ptr<ContactsService> create(Presenter presenter,
                                                   std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);

    /// The device's address book: a JSON array of contact objects (anything
    /// else counts as empty).
    static void setDeviceContacts(Json contacts);

    bool handlesAction(std::string_view action) const override { return action == "pickContacts"; }

protected:
    ContactsService(Presenter presenter, std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate);
    void perform(const std::string& action, const Json& args, Completion completion) override;

private:
    Presenter presenter_;
};

} // namespace platform::tarnixbridge
