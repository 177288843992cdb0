#include "Platform/SDKs/Tarnix/ContactsService.hpp"

#include "Platform/SDKs/Tarnix/DeviceState.hpp"
#include "Platform/SDKs/Tarnix/PluginScreen.hpp"

#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"

namespace platform::tarnixbridge {

namespace {

DeviceState<Json>& deviceContacts() {
    static DeviceState<Json> state;
    return state;
}

} // namespace

std::shared_ptr<ContactsService> ContactsService::create(Presenter presenter,
                                                         std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate) {
    return std::shared_ptr<ContactsService>(new ContactsService(std::move(presenter), std::move(loggerDelegate)));
}

ContactsService::ContactsService(Presenter presenter, std::shared_ptr<::tarnix::TarnixLogger> loggerDelegate)
    : TarnixPlugin(std::string(::tarnix::TarnixLoggerUtils::PluginIdMap::contactsServiceId),
                   "TarnixPluginContactsService", std::move(loggerDelegate)),
      presenter_(std::move(presenter)) {}

void ContactsService::setDeviceContacts(Json contacts) { deviceContacts().set(std::move(contacts)); }

void ContactsService::perform(const std::string&, const Json&, Completion completion) {
    auto picker = PluginScreen::make("TarnixContactPickerViewController");
    if (presenter_) presenter_(picker);
    auto contacts = deviceContacts().get();
    if (!contacts.is_array()) contacts = Json::array();
    picker->dismiss(true);
    const auto count = contacts.size();
    const auto itemCount = std::string(::tarnix::TarnixLoggerUtils::PluginResultParameterIdMap::itemCount);
    completion(PluginOutcome{Json{{"contacts", std::move(contacts)}}, Json{{itemCount, count}}});
}

} // namespace platform::tarnixbridge
