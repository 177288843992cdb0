#pragma once

// Support for the service-provider tab's tests: a running context over the
// sample package, an account manager whose sign-ins and identity-provider
// flows the test answers (from the main thread or a worker thread), and a
// marker centre that may be written from any thread.

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/KeyValueStore.hpp"
#include "VellicorApp/Switching/ServiceProviderAuthHandler.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/SPConfig.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/Window.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace switchingtest {

/// An account manager that keeps the identity-provider flows it is asked to
/// start, for the test to answer.
class FlowAccountManager : public hybridtest::FakeUserAccountManager {
public:
    struct Flow {
        platform::veltrane::SPConfig config;
        std::function<void(platform::veltrane::VQSPLoginStatus)> status;
        std::function<void(platform::veltrane::VQSPLoginError)> failure;
    };

    void kickOffIDPInitiatedLoginFlow(const platform::veltrane::SPConfig& config,
                                      std::function<void(platform::veltrane::VQSPLoginStatus)> status,
                                      std::function<void(platform::veltrane::VQSPLoginError)> failure) override {
        std::lock_guard lock(mutex);
        flows.push_back(Flow{config, std::move(status), std::move(failure)});
    }

    std::size_t flowCount() const {
        std::lock_guard lock(mutex);
        return flows.size();
    }
    Flow flow(std::size_t index = 0) const {
        std::lock_guard lock(mutex);
        return flows.at(index);
    }
    /// Lets go of the flows (as the SDK does once a flow is over).
    void dropFlows() {
        std::lock_guard lock(mutex);
        flows.clear();
    }

    mutable std::mutex mutex;
    std::vector<Flow> flows;
};

/// A recording marker centre whose markers may be logged from any thread.
class SharedMarkerCenter : public apptest::RecordingMarkerCenter {
public:
    void logInteraction(KORVAMarkerName name, const std::optional<platform::Json>& attributes) override {
        std::lock_guard lock(mutex);
        RecordingMarkerCenter::logInteraction(name, attributes);
    }
    /// The names of the interactions logged so far.
    std::vector<KORVAMarkerName> names() const {
        std::lock_guard lock(mutex);
        std::vector<KORVAMarkerName> result;
        for (const auto& interaction : interactions) result.push_back(interaction.name);
        return result;
    }
    std::vector<Interaction> logged() const {
        std::lock_guard lock(mutex);
        return interactions;
    }

    mutable std::mutex mutex;
};

/// The statuses a callback received, with whether each came on the main thread.
struct Statuses {
    struct Received {
        vellicor::ServiceProviderAuthStatus status;
        bool onMainThread;
    };
    std::shared_ptr<std::mutex> mutex = std::make_shared<std::mutex>();
    std::shared_ptr<std::vector<Received>> received = std::make_shared<std::vector<Received>>();

    vellicor::ServiceProviderAuthHandler::Update callback() const {
        return [mutex = mutex, received = received](vellicor::ServiceProviderAuthStatus status) {
            std::lock_guard lock(*mutex);
            received->push_back(Received{status, platform::MainQueue::isMainThread()});
        };
    }
    std::vector<vellicor::ServiceProviderAuthStatus> list() const {
        std::lock_guard lock(*mutex);
        std::vector<vellicor::ServiceProviderAuthStatus> result;
        for (const auto& item : *received) result.push_back(item.status);
        return result;
    }
    std::vector<Received> all() const {
        std::lock_guard lock(*mutex);
        return *received;
    }
    std::size_t count() const {
        std::lock_guard lock(*mutex);
        return received->size();
    }
};

/// A context over the sample package (one service-provider app, an
/// identifier prefix), the flow account manager (nobody signed in) and the
/// shared marker centre.
class SwitchingTest : public apptest::AppTest {
protected:
    void SetUp() override { install(apptest::FakeBundle::sample()); }

    void TearDown() override {
        platform::ui::Window::resetAll();
        AppTest::TearDown();
    }

    void install(std::shared_ptr<apptest::FakeBundle> bundle) {
        this->bundle = bundle;
        vellicor::Context::Dependencies dependencies;
        dependencies.userAccountManager = accounts;
        dependencies.userDefaults = vellicor::UserDefaultsStore::standard();
        dependencies.mainBundle = std::move(bundle);
        dependencies.sessionID = "session";
        dependencies.notificationCenter = platform::NotificationCenter::create();
        dependencies.korvaMarkerCenter = markers;
        context = vellicor::Context::create(std::move(dependencies));
        vellicor::AppContext::setStackForTesting({context});
    }

    /// Installs the context again over the sample configuration without its
    /// identifier prefix.
    void withoutIdentifierPrefix() {
        auto edited = apptest::FakeBundle::sample();
        edited->info.erase("AppIdentifierPrefix");
        install(edited);
    }

    void signIn() { accounts->user = hybridtest::makeAccount(); }

    /// The app goes to the background, as the switch to another app sends it.
    void enterBackground() {
        context->notificationCenter->post(platform::ui::kApplicationDidEnterBackgroundNotification);
    }

    std::shared_ptr<FlowAccountManager> accounts = std::make_shared<FlowAccountManager>();
    std::shared_ptr<SharedMarkerCenter> markers = std::make_shared<SharedMarkerCenter>();
    std::shared_ptr<apptest::FakeBundle> bundle;
    std::shared_ptr<vellicor::Context> context;
};

} // namespace switchingtest
