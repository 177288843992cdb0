#pragma once

// A marker centre for tests: records the interactions and errors logged;
// everything else does nothing.

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include <memory>

#include <optional>
#include <string>
#include <vector>

namespace apptest {

class RecordingMarkerCenter : public vellicor::KORVAMarkerManaging {
public:
    using KORVAMarkerName = vellicor::KORVAMarkerName;
    using KORVAErrorType = vellicor::KORVAErrorType;
    using KORVAMarkerPage = vellicor::KORVAMarkerPage;
    using KORVAMarkerLocator = vellicor::KORVAMarkerLocator;

    std::string createMarker(KORVAMarkerName, vellicor::KORVAMarkerType, KORVAErrorType) override { return {}; }
    std::shared_ptr<vellicor::KORVAMarker> getMarker(const std::string&) override { return nullptr; }
    void start(const std::string&, platform::TimeInterval) override {}
    void end(const std::string&, platform::TimeInterval) override {}
    void log(const std::string&) override {}
    void logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes) override {
        interactions.push_back({name, attributes, std::nullopt, std::nullopt});
    }
    void logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes,
                        std::optional<KORVAMarkerPage::Context> page,
                        std::optional<KORVAMarkerLocator> locator) override {
        interactions.push_back({name, attributes, page, locator});
    }
    void logError(KORVAMarkerName name, KORVAErrorType type, const std::optional<platform::Json>& attributes) override {
        errors.push_back({name, type, attributes.value_or(platform::Json())});
    }
    platform::Json loginAndNetworkStatus() const override { return platform::Json::object(); }

    struct Interaction {
        KORVAMarkerName name;
        std::optional<platform::Json> attributes;
        std::optional<KORVAMarkerPage::Context> page;
        std::optional<KORVAMarkerLocator> locator;
    };
    struct Logged {
        KORVAMarkerName name;
        KORVAErrorType type;
        platform::Json attributes;
    };
    std::vector<Interaction> interactions;
    std::vector<Logged> errors;
};

/// Installs a context like `base` whose marker centre is `center`.
inline std::shared_ptr<vellicor::Context> installContext(const std::shared_ptr<vellicor::Context>& base,
                                                         std::shared_ptr<vellicor::KORVAMarkerManaging> center) {
    auto context = vellicor::Context::create(vellicor::Context::Dependencies{
        .veltraneSDKManager = base->veltraneSDKManager,
        .userAccountManager = base->userAccountManager,
        .vqPushNotificationManager = base->vqPushNotificationManager,
        .userDefaults = base->userDefaults,
        .mainBundle = base->mainBundle,
        .sessionID = base->sessionID(),
        .notificationCenter = base->notificationCenter,
        .fileManager = &base->fileManager,
        .korvaMarkerCenter = std::move(center),
    });
    vellicor::AppContext::setStackForTesting({context});
    return context;
}

} // namespace apptest
