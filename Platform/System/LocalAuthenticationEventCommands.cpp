#include "Platform/System/LocalAuthenticationEventCommands.hpp"

#include "Platform/System/LocalAuthentication.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

namespace platform::system {

namespace {

using platform::ui::EventDriver;
using platform::ui::EventLine;
using Result = EventDriver::Result;

std::unexpected<std::string> fail(std::string message) { return std::unexpected(std::move(message)); }

Result biometry(const EventLine& line, EventDriver&) {
    const auto& kind = line.args[0];
    auto& device = LocalAuthentication::shared();
    if (kind == "face") device.setBiometryType(LABiometryType::faceID);
    else if (kind == "touch") device.setBiometryType(LABiometryType::touchID);
    else if (kind == "none") device.setBiometryType(LABiometryType::none);
    else return fail("biometry is face, touch or none, not '" + kind + "'");
    return {};
}

Result passcode(const EventLine& line, EventDriver&) {
    const auto& state = line.args[0];
    if (state != "on" && state != "off") return fail("passcode is on or off, not '" + state + "'");
    LocalAuthentication::shared().setPasscodeSet(state == "on");
    return {};
}

Result auth(const EventLine& line, EventDriver&) {
    const auto& answer = line.args[0];
    LocalAuthentication::Outcome outcome;
    if (answer == "accept") outcome = LocalAuthentication::Outcome::accept;
    else if (answer == "fail") outcome = LocalAuthentication::Outcome::fail;
    else if (answer == "cancel") outcome = LocalAuthentication::Outcome::cancel;
    else return fail("auth is accept, fail or cancel, not '" + answer + "'");
    if (!LocalAuthentication::shared().respond(outcome)) return fail("no authentication prompt is waiting");
    return {};
}

} // namespace

void registerLocalAuthenticationEventCommands(EventDriver& driver) {
    driver.registerCommand("biometry", EventDriver::Command{"face|touch|none", "set the device's biometric sensor", 1, 1,
                                                            biometry});
    driver.registerCommand("passcode", EventDriver::Command{"on|off", "set whether the device has a passcode", 1, 1,
                                                            passcode});
    driver.registerCommand("auth", EventDriver::Command{"accept|fail|cancel",
                                                        "answer the oldest authentication prompt", 1, 1, auth});
}

namespace {
const ui::EventCommandRegistry::Area kLocalAuthenticationCommands{"local-authentication",
                                                                   registerLocalAuthenticationEventCommands};
} // namespace

} // namespace platform::system
