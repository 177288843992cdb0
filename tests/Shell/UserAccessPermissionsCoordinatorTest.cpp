#include "VellicorApp/Shell/UserAccessPermissionsCoordinator.hpp"

#include "VellicorApp/Shell/Biometrics/BiometricsManager.hpp"
#include "VellicorApp/Shell/ShellResources.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/System/LocalAuthentication.hpp"
#include "Platform/System/PermissionPresets.hpp"
#include "Platform/System/TrackingManager.hpp"
#include "Platform/UI/Application.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vellicor;
using platform::Json;
using platform::system::LocalAuthentication;

namespace {

class UserAccessPermissionsCoordinatorTest : public interfacetest::InterfaceTest {
protected:
    void SetUp() override {
        InterfaceTest::SetUp();
        Logger::configureLogLevel();
        registerShellResources();
        LocalAuthentication::shared().reset();
        // The access check that sign-in starts stays off the network.
        platform::Reachability::setOffline(true);
    }
    void TearDown() override {
        platform::Reachability::setOffline(false);
        LocalAuthentication::shared().reset();
        // Markers are stored on a worker queue that reads the context.
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        InterfaceTest::TearDown();
    }

    void signInWithLock(bool lock) {
        auto account = apptest::signIn(*context);
        auto idData = std::make_shared<platform::veltrane::VQIdData>();
        idData->customAttributes =
            platform::veltrane::VQCustomAttributes{{Json("ENABLE_BIOMETRICS_UNLOCK"), Json(lock ? "true" : "false")}};
        account->setIdData(idData);
    }

    // Without a usage description the step skips the tracking request.
    std::function<void(platform::Json&)> editInfo() override {
        return [](platform::Json& info) { info.erase("NSUserTrackingUsageDescription"); };
    }

    static bool skippedTracking() {
        const auto texts = apptest::appLogTexts("INFO");
        return std::ranges::any_of(texts, [](const std::string& t) {
            return t == "UserAccessPermissionsCoordinator: Skip app tracking authorization request....";
        });
    }

    int completions = 0;
    std::shared_ptr<UserAccessPermissionsCoordinator> step;

    void start(const std::shared_ptr<platform::ui::NavigationController>& nav) {
        step = UserAccessPermissionsCoordinator::create(nav);
        step->start([this](const std::optional<FlowCoordinatorError>& error) {
            EXPECT_FALSE(error);
            ++completions;
        });
        // The push and tracking answers come from worker threads.
        settle();
    }

    void settle() {
        testsupport::waitUntil([] {
            testsupport::pump();
            return platform::BackgroundActivity::inFlight() == 0;
        });
        run(1.0);
    }
};

class TrackingDescriptionTest : public UserAccessPermissionsCoordinatorTest {
protected:
    void SetUp() override {
        UserAccessPermissionsCoordinatorTest::SetUp();
        // The tracking prompt shows only while the app is active.
        platform::ui::Application::shared().launch();
        platform::system::TrackingManager::resetForTesting();
    }
    std::function<void(platform::Json&)> editInfo() override {
        return [](platform::Json& info) { info["NSUserTrackingUsageDescription"] = "Tracking."; };
    }
};

} // namespace

TEST_F(UserAccessPermissionsCoordinatorTest, CompletesAtOnceUnlessTheLockIsOn) {
    struct Case {
        const char* name;
        std::optional<bool> signedInWithLock; // none: signed out
        bool emptyNavigation;
        bool waits;
    } cases[] = {
        {"signed out: no lock manager", std::nullopt, false, false},
        {"lock off", false, false, false},
        {"lock on, no top screen", true, true, false},
        {"lock on", true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        context->userAccountManager->setCurrentUserAccount(nullptr);
        context->setBiometricsManager(nullptr);
        if (c.signedInWithLock) signInWithLock(*c.signedInWithLock);
        completions = 0;
        start(c.emptyNavigation ? platform::ui::NavigationController::create() : navigation);
        EXPECT_EQ(completions, c.waits ? 0 : 1);
        EXPECT_EQ(context->biometricsManager() != nullptr, c.signedInWithLock.has_value());
        EXPECT_EQ(LocalAuthentication::shared().pendingCount(), c.waits ? 1u : 0u);
        if (c.waits) {
            ASSERT_TRUE(LocalAuthentication::shared().respond(LocalAuthentication::Outcome::accept));
            ASSERT_TRUE(testsupport::waitUntil([&] { return completions == 1; }));
            run(1.0);
        }
        step.reset();
    }
    EXPECT_TRUE(skippedTracking()) << "no tracking description in the sample package";
}

TEST_F(UserAccessPermissionsCoordinatorTest, FailedCheckHoldsTheStepUntilARetrySucceeds) {
    signInWithLock(true);
    start(navigation);
    ASSERT_TRUE(LocalAuthentication::shared().respond(LocalAuthentication::Outcome::fail));
    testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
    run(1.0);
    EXPECT_EQ(completions, 0) << "held";
    EXPECT_FALSE(skippedTracking()) << "tracking comes only after the check";

    const auto manager = std::dynamic_pointer_cast<BiometricsManager>(context->biometricsManager());
    ASSERT_TRUE(manager && manager->biometricsVC());
    manager->biometricsVC()->retryButton()->simulateTap();
    run(1.0);
    ASSERT_TRUE(LocalAuthentication::shared().respond(LocalAuthentication::Outcome::accept));
    ASSERT_TRUE(testsupport::waitUntil([&] { return completions == 1; }));
    run(1.0);
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(skippedTracking());
}

TEST_F(UserAccessPermissionsCoordinatorTest, StepReleasedWhileHeldDoesNothingLater) {
    signInWithLock(true);
    start(navigation);
    step.reset();
    ASSERT_TRUE(LocalAuthentication::shared().respond(LocalAuthentication::Outcome::accept));
    testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
    run(1.0);
    EXPECT_EQ(completions, 0);
}

TEST_F(TrackingDescriptionTest, WithATrackingDescriptionTheSkipLineIsNotLogged) {
    start(navigation);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(skippedTracking());
    // Asked, and answered "not granted" without an answer set for the prompt.
    EXPECT_EQ(platform::system::TrackingManager::trackingAuthorizationStatus(),
              platform::system::TrackingAuthorizationStatus::denied);
}

TEST_F(TrackingDescriptionTest, SignedInThePushPermissionIsAskedBeforeTracking) {
    platform::system::PermissionPresets::setAnswer(platform::system::PermissionKind::notifications,
                                                   platform::system::PermissionAnswer::allow);
    signInWithLock(false);
    start(navigation);
    EXPECT_EQ(completions, 1);
    ASSERT_NE(context->pushNotificationManager(), nullptr);
    const auto texts = apptest::appLogTexts("INFO");
    const auto push = std::ranges::find(texts, "PushNotificationManager: Registering for remote push notifications");
    const auto tracking = std::ranges::find(texts, "UserTrackingTransparencyManager: App Tracking Status is: 2");
    ASSERT_NE(push, texts.end());
    ASSERT_NE(tracking, texts.end());
    EXPECT_LT(push, tracking);
    platform::system::PermissionPresets::setAnswer(platform::system::PermissionKind::notifications, std::nullopt);
    context->userAccountManager->setCurrentUserAccount(nullptr);
    context->setPushNotificationManager(nullptr);
}
