#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"

#include <mutex>
#include <string_view>

namespace platform::veltrane {

namespace {

struct State {
    std::mutex mutex;
    std::optional<std::map<std::string, std::string>> technologies;
    std::optional<std::map<std::string, CTCarrier>> providers;
};

State& state() {
    static auto* s = new State;
    return *s;
}

std::string quotedIfNeeded(std::string_view text) {
    bool plain = !text.empty();
    for (char c : text) {
        const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!alnum && std::string_view("_$+/:.-").find(c) == std::string_view::npos) {
            plain = false;
            break;
        }
    }
    if (plain) return std::string(text);
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::shared_ptr<CTTelephonyNetworkInfo> CTTelephonyNetworkInfo::create() {
    return std::shared_ptr<CTTelephonyNetworkInfo>(new CTTelephonyNetworkInfo());
}

std::optional<std::map<std::string, std::string>> CTTelephonyNetworkInfo::serviceCurrentRadioAccessTechnology() const {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.technologies;
}

std::optional<std::map<std::string, CTCarrier>> CTTelephonyNetworkInfo::serviceSubscriberCellularProviders() const {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.providers;
}

void CTTelephonyNetworkInfo::setServiceCurrentRadioAccessTechnology(
    std::optional<std::map<std::string, std::string>> technologies) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.technologies = std::move(technologies);
}

void CTTelephonyNetworkInfo::setServiceSubscriberCellularProviders(std::optional<std::map<std::string, CTCarrier>> providers) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.providers = std::move(providers);
}

void CTTelephonyNetworkInfo::resetForTesting() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.technologies.reset();
    s.providers.reset();
}

std::string dictionaryDescription(const std::map<std::string, std::string>& dictionary) {
    std::string text = "{\n";
    for (const auto& [key, value] : dictionary) {
        text += "    " + quotedIfNeeded(key) + " = " + quotedIfNeeded(value) + ";\n";
    }
    return text + "}";
}

} // namespace platform::veltrane
