#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Uuid.hpp"
#include "Platform/SDKs/AppCenter/AppCenterStore.hpp"
#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"

#include <algorithm>
#include <mutex>

namespace platform::appcenter {

namespace {

struct State {
    std::mutex mutex;
    MSACLogLevel logLevel = MSACLogLevel::assert;
    std::optional<std::string> appSecret;
    std::vector<MSACService> services;
    std::optional<std::string> userId;
    std::optional<std::string> installId;
    std::uint64_t installIdGeneration = 0;
};

State& state() {
    static auto* s = new State;
    return *s;
}

} // namespace

void MSACAppCenter::setLogLevel(MSACLogLevel level) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.logLevel = level;
}

MSACLogLevel MSACAppCenter::logLevel() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.logLevel;
}

void MSACAppCenter::start(const std::string& appSecret, const std::vector<MSACService>& services) {
    auto& s = state();
    {
        std::lock_guard lock(s.mutex);
        if (s.appSecret) return;
        s.appSecret = appSecret;
        s.services = services;
    }
    if (std::find(services.begin(), services.end(), MSACService::crashes) != services.end()) {
        MSACCrashes::start(appSecret);
    }
}

bool MSACAppCenter::isConfigured() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.appSecret.has_value();
}

std::optional<std::string> MSACAppCenter::appSecret() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.appSecret;
}

std::vector<MSACService> MSACAppCenter::services() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.services;
}

void MSACAppCenter::setUserId(std::optional<std::string> userId) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.userId = std::move(userId);
}

std::optional<std::string> MSACAppCenter::userId() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    return s.userId;
}

std::string MSACAppCenter::sdkVersion() { return kSDKVersion; }

std::string MSACAppCenter::installId() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    if (s.installId && s.installIdGeneration == Sandbox::generation()) return *s.installId;
    s.installIdGeneration = Sandbox::generation();
    const auto folder = store::folder();
    const auto file = folder ? std::optional(*folder / "install.json") : std::nullopt;
    if (file) {
        if (const auto stored = store::readJson(*file); stored && stored->is_object()) {
            if (const auto id = stored->value("installId", ""); Uuid::fromString(id)) {
                s.installId = id;
                return id;
            }
        }
    }
    s.installId = Uuid().uuidString();
    if (file) store::writeJson(*file, Json{{"installId", *s.installId}});
    return *s.installId;
}

void MSACAppCenter::resetForTesting() {
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        s.logLevel = MSACLogLevel::assert;
        s.appSecret.reset();
        s.services.clear();
        s.userId.reset();
        s.installId.reset();
    }
    MSACCrashes::resetForTesting();
}

} // namespace platform::appcenter
