#include "Platform/SDKs/Veltrane/UIDevice.hpp"

#include "Platform/Foundation/Locale.hpp"

#include <sys/utsname.h>

#include <array>
#include <mutex>
#include <string_view>

namespace platform::veltrane {

namespace {

std::optional<std::string> hostMachine() {
    struct utsname name {};
    if (::uname(&name) != 0 || name.machine[0] == '\0') return std::nullopt;
    return std::string(name.machine);
}

struct State {
    std::mutex mutex;
    std::optional<std::string> platform = hostMachine();
    std::string systemVersion = UIDevice::kDefaultSystemVersion;
    bool simulator = false;
    std::vector<std::string> preferredLanguages{UIDevice::kDefaultLocale};
    std::string locale = UIDevice::kDefaultLocale;
};

State& state() {
    static auto* s = new State;
    return *s;
}

bool isComputer(std::string_view identifier) {
    constexpr std::array<std::string_view, 5> kComputers = {"x86_64", "i386", "arm64", "aarch64", "arm64e"};
    for (auto computer : kComputers) {
        if (identifier == computer) return true;
    }
    return false;
}

std::optional<std::string> family(std::string_view identifier) {
    struct Family {
        std::string_view prefix;
        const char* name;
    };
    constexpr std::array<Family, 3> kFamilies = {{{"iPhone", "iPhone"}, {"iPad", "iPad"}, {"iPod", "iPod touch"}}};
    for (const auto& f : kFamilies) {
        // A family prefix followed by "<major>,<minor>".
        if (identifier.starts_with(f.prefix) && identifier.size() > f.prefix.size() &&
            identifier.find(',', f.prefix.size()) != std::string_view::npos) {
            return f.name;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> UIDevice::platform() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.platform;
}

std::string UIDevice::platformString() {
    const auto identifier = platform();
    if (!identifier || identifier->empty()) return "Unknown";
    if (isComputer(*identifier)) return "Simulator";
    if (auto name = family(*identifier)) return *name;
    return "Unknown " + *identifier;
}

std::string UIDevice::systemName() { return "iOS"; }

std::string UIDevice::systemVersion() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.systemVersion;
}

std::string UIDevice::model() {
    const auto identifier = platform();
    if (identifier) {
        if (auto name = family(*identifier)) return *name;
    }
    return "iPhone";
}

bool UIDevice::isSimulator() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.simulator;
}

std::vector<std::string> UIDevice::preferredLanguages() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.preferredLanguages;
}

std::string UIDevice::currentLocale() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.locale;
}

std::optional<std::string> UIDevice::currentLanguageCode() {
    return languageCode(currentLocale());
}

void UIDevice::setSimulator(bool simulator) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.simulator = simulator;
}

void UIDevice::setPreferredLanguages(std::vector<std::string> languages) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.preferredLanguages = std::move(languages);
}

void UIDevice::setCurrentLocale(std::string identifier) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.locale = std::move(identifier);
}

void UIDevice::setPlatform(std::optional<std::string> identifier) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.platform = std::move(identifier);
}

void UIDevice::setSystemVersion(std::string version) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.systemVersion = std::move(version);
}

void UIDevice::resetForTesting() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.platform = hostMachine();
    s.systemVersion = kDefaultSystemVersion;
    s.simulator = false;
    s.preferredLanguages = {kDefaultLocale};
    s.locale = kDefaultLocale;
}

} // namespace platform::veltrane
