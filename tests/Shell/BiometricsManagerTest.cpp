#include "VellicorApp/Shell/Biometrics/BiometricsManager.hpp"
#include "VellicorApp/Shell/GateWindow.hpp"

#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Shell/ShellResources.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/System/LocalAuthentication.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/TabBarController.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::system::LocalAuthentication;

namespace {

struct Calls {
    std::vector<bool> results;
    std::vector<std::optional<long>> codes;
    BiometricsManaging::Completion completion() {
        return [this](bool success, std::optional<platform::Error> error) {
            results.push_back(success);
            codes.push_back(error ? std::optional<long>(error->code) : std::nullopt);
        };
    }
};

class BiometricsManagerTest : public interfacetest::InterfaceTest {
protected:
    void SetUp() override {
        InterfaceTest::SetUp();
        registerShellResources();
        LocalAuthentication::shared().reset();
        user = accountWith("TRUE");
        manager = BiometricsManager::create(user);
    }
    void TearDown() override {
        LocalAuthentication::shared().reset();
        manager.reset();
        // Markers are stored on a worker queue that reads the context.
        testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
        InterfaceTest::TearDown();
    }

    static std::shared_ptr<platform::veltrane::VQUserAccount> accountWith(const std::string& unlock) {
        auto idData = std::make_shared<platform::veltrane::VQIdData>();
        idData->customAttributes = platform::veltrane::VQCustomAttributes{{Json("ENABLE_BIOMETRICS_UNLOCK"), Json(unlock)}};
        return platform::veltrane::VQUserAccount::create(nullptr, idData);
    }

    /// Lets the lock screen's presentation finish and the prompt come up.
    static void settle() { run(1.0); }

    /// The owner answers the waiting prompt; the reply reaches the main queue.
    void answer(LocalAuthentication::Outcome outcome, Calls& calls) {
        const auto before = calls.results.size();
        ASSERT_TRUE(LocalAuthentication::shared().respond(outcome));
        ASSERT_TRUE(testsupport::waitUntil([&] { return calls.results.size() > before; }));
        run(1.0);
    }

    std::shared_ptr<BiometricsValidationViewController> lockScreen() const { return manager->biometricsVC(); }

    std::shared_ptr<platform::veltrane::VQUserAccount> user;
    std::shared_ptr<BiometricsManager> manager;
};

} // namespace

TEST_F(BiometricsManagerTest, LockOffAnswersTrueAtOnce) {
    for (const char* value : {"false", "yes", ""}) {
        SCOPED_TRACE(value);
        auto off = BiometricsManager::create(accountWith(value));
        Calls calls;
        off->validateUserIdentity(screen, calls.completion());
        EXPECT_EQ(calls.results, std::vector<bool>{true});
        EXPECT_EQ(screen->presentedViewController(), nullptr);
    }
}

TEST_F(BiometricsManagerTest, FailThenRetrySucceeds) {
    Calls calls;
    manager->validateUserIdentity(screen, calls.completion());
    settle();
    ASSERT_TRUE(lockScreen());
    EXPECT_EQ(screen->navigationController()->presentedViewController(), lockScreen());
    EXPECT_EQ(lockScreen()->presentationStyle(), platform::ui::ModalPresentationStyle::fullScreen);
    EXPECT_EQ(LocalAuthentication::shared().pendingReasons(),
              std::vector<std::string>{localized("UNLOCK_SUBTITLE", "Authenticate to unlock")});

    answer(LocalAuthentication::Outcome::fail, calls);
    EXPECT_EQ(calls.results, std::vector<bool>{false});
    ASSERT_TRUE(lockScreen()) << "the lock screen stays up after a failure";
    EXPECT_EQ(lockScreen()->validationView()->messageLabel()->text, localized("UNABLE_VERIFY_FACE_ID", "Face ID"));

    lockScreen()->retryButton()->simulateTap();
    settle();
    ASSERT_EQ(LocalAuthentication::shared().pendingCount(), 1u);
    answer(LocalAuthentication::Outcome::accept, calls);
    EXPECT_EQ(calls.results, (std::vector<bool>{false, true}));
    EXPECT_EQ(lockScreen(), nullptr) << "dismissed on success";
    EXPECT_EQ(screen->navigationController()->presentedViewController(), nullptr);
}

TEST_F(BiometricsManagerTest, DeviceWithoutPasscodeShowsThePasscodeText) {
    LocalAuthentication::shared().setPasscodeSet(false);
    Calls calls;
    manager->validateUserIdentity(screen, calls.completion());
    settle();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !calls.results.empty(); }));
    EXPECT_EQ(calls.results, std::vector<bool>{false});
    EXPECT_EQ(calls.codes.front(), platform::system::LAError::passcodeNotSet);
    ASSERT_TRUE(lockScreen());
    EXPECT_EQ(lockScreen()->validationView()->messageLabel()->text,
              localized("PASSCODE_NOT_SET", "To use this app, enable a passcode in your device’s settings and try again."));
}

TEST_F(BiometricsManagerTest, BackgroundHidesThePanelAndForegroundValidatesAgain) {
    Calls calls;
    manager->validateUserIdentity(screen, calls.completion());
    settle();
    answer(LocalAuthentication::Outcome::cancel, calls);
    ASSERT_TRUE(lockScreen());
    context->notificationCenter->post(platform::ui::kApplicationDidEnterBackgroundNotification);
    run(1.5);
    EXPECT_TRUE(lockScreen()->validationView()->isHidden);
    EXPECT_EQ(LocalAuthentication::shared().pendingCount(), 0u);

    context->notificationCenter->post(platform::ui::kApplicationWillEnterForegroundNotification);
    settle();
    ASSERT_EQ(LocalAuthentication::shared().pendingCount(), 1u);
    answer(LocalAuthentication::Outcome::accept, calls);
    EXPECT_EQ(calls.results, (std::vector<bool>{false, true}));
    EXPECT_EQ(lockScreen(), nullptr);
}

TEST_F(BiometricsManagerTest, RelockWhileUpIsIgnoredAndRelockAfterwardsLocksAgain) {
    Calls calls;
    manager->validateUserIdentity(screen, calls.completion());
    settle();
    auto first = lockScreen();
    manager->sessionTrackerShouldValidate(true);
    settle();
    EXPECT_EQ(lockScreen(), first);
    first.reset();
    EXPECT_EQ(LocalAuthentication::shared().pendingCount(), 1u) << "no second prompt";
    answer(LocalAuthentication::Outcome::accept, calls);
    EXPECT_EQ(navigation->presentedViewController(), nullptr);
    ASSERT_EQ(lockScreen(), nullptr);

    manager->sessionTrackerShouldValidate(false);
    settle();
    EXPECT_EQ(lockScreen(), nullptr);
    manager->sessionTrackerShouldValidate(true);
    settle();
    EXPECT_TRUE(lockScreen()) << "the lock comes back over the top screen";
    EXPECT_EQ(LocalAuthentication::shared().pendingCount(), 1u);
}

TEST_F(BiometricsManagerTest, LockIsPresentedOverAnOpenAlert) {
    auto alert = platform::ui::AlertController::create("Title", "Message", platform::ui::AlertController::Style::alert);
    screen->present(alert, false);
    run(0.5);
    Calls calls;
    manager->validateUserIdentity(screen, calls.completion());
    settle();
    ASSERT_TRUE(lockScreen());
    EXPECT_EQ(alert->presentedViewController(), lockScreen());
    EXPECT_EQ(LocalAuthentication::shared().pendingCount(), 1u) << "validation started";
}

TEST_F(BiometricsManagerTest, TheLockComesBackOverATabsBrowserInAWindowOfItsOwn) {
    platform::veltrane::VQSDKWindowManager::sharedManager()->setMainUIWindow(window);
    // A tab of the tab bar shows the in-app browser.
    const auto tab = platform::ui::makeController<interfacetest::Screen>();
    const auto tabs = platform::ui::TabBarController::create();
    tabs->setViewControllers({tab});
    navigation->push(tabs, false);
    int browserTaps = 0;
    const auto browser = platform::ui::makeController<interfacetest::Screen>();
    const auto done = platform::ui::Button::create();
    done->accessibilityIdentifier = "browser.done";
    done->addAction(platform::ui::ControlEvent::touchUpInside, [&] { ++browserTaps; });
    browser->view()->addSubview(done);
    tab->present(browser, false);
    run(0.5);
    ASSERT_TRUE(platform::ui::ScreenDump::tap("browser.done").has_value());
    int gatesClosed = 0;
    context->notificationCenter->addObserver(kGatesDidCloseNotification, nullptr,
                                             [&](const platform::Notification&) { ++gatesClosed; });

    // Back after longer than the user's timeout.
    manager->sessionTrackerShouldValidate(true);
    settle();

    ASSERT_TRUE(lockScreen()) << "the lock is not refused by what the app shows";
    const auto windows = platform::ui::Window::visibleWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows.back()->rootViewController()->presentedViewController(), lockScreen());
    EXPECT_EQ(navigation->presentedViewController(), browser) << "the browser stays, under the lock";
    EXPECT_TRUE(GateWindow::isAnyUp());
    EXPECT_FALSE(platform::ui::ScreenDump::tap("browser.done").has_value()) << "nothing under the lock takes taps";
    EXPECT_FALSE(platform::ui::ScreenDump::selectTab(0).has_value());
    EXPECT_EQ(LocalAuthentication::shared().pendingCount(), 1u);

    ASSERT_TRUE(LocalAuthentication::shared().respond(LocalAuthentication::Outcome::accept));
    // The reply comes on a worker thread and hops to the main queue.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return !lockScreen() || lockScreen()->isBeingDismissed();
    }));
    run(1.0);
    EXPECT_EQ(lockScreen(), nullptr);
    EXPECT_EQ(platform::ui::Window::visibleWindows().size(), 1u) << "the lock's window is gone";
    EXPECT_FALSE(GateWindow::isAnyUp());
    EXPECT_EQ(gatesClosed, 1);
    EXPECT_TRUE(platform::ui::ScreenDump::tap("browser.done").has_value());
    EXPECT_EQ(browserTaps, 2);
}

TEST_F(BiometricsManagerTest, ReplyAfterLogoutIsIgnored) {
    auto called = std::make_shared<int>(0);
    manager->validateUserIdentity(screen, [called](bool, std::optional<platform::Error>) { ++*called; });
    settle();
    ASSERT_EQ(LocalAuthentication::shared().pendingCount(), 1u);
    manager.reset();
    ASSERT_TRUE(LocalAuthentication::shared().respond(LocalAuthentication::Outcome::accept));
    testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }, 5);
    run(1.0);
    EXPECT_EQ(*called, 0);
}

TEST_F(BiometricsManagerTest, AccountGoneTurnsTheLockOff) {
    user.reset();
    Calls calls;
    manager->validateUserIdentity(screen, calls.completion());
    EXPECT_EQ(calls.results, std::vector<bool>{true});
}

TEST_F(BiometricsManagerTest, LogOutDismissesTheLockScreenAndSignsOut) {
    const auto signedIn = apptest::signIn(*context);
    Calls calls;
    manager->validateUserIdentity(screen, calls.completion());
    settle();
    ASSERT_TRUE(lockScreen());
    lockScreen()->validationView()->logoutButton()->simulateTap();
    run(1.0);
    EXPECT_EQ(lockScreen(), nullptr);
    EXPECT_EQ(context->userAccount(), nullptr);
}
