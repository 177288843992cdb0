#include "VellicorApp/Shell/EULA/EULACoordinator.hpp"

#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Shell/ShellResources.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/Window.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::veltrane::VQSDKWindowManager;

namespace {

class EULACoordinatorTest : public interfacetest::InterfaceTest {
protected:
    void SetUp() override {
        InterfaceTest::SetUp();
        registerShellResources();
        window->windowScene = platform::ui::WindowScene::create();
        VQSDKWindowManager::sharedManager()->setMainUIWindow(window);
    }

    std::function<void(platform::Json&)> editInfo() override {
        return [](platform::Json& info) { info["YarrowinAppType"] = "preSale"; };
    }

    void start() {
        step = EULACoordinator::create();
        step->start([this](const std::optional<FlowCoordinatorError>& error) {
            EXPECT_FALSE(error);
            ++completions;
        });
        run(1.0);
    }

    std::shared_ptr<EULAViewController> shownScreen() const {
        const auto container = VQSDKWindowManager::sharedManager()->windowWithName(EULACoordinator::kWindowName);
        if (!container || !container->viewController()) return nullptr;
        const auto navigation =
            std::dynamic_pointer_cast<platform::ui::NavigationController>(container->viewController()->presentedViewController());
        return navigation ? std::dynamic_pointer_cast<EULAViewController>(navigation->topViewController()) : nullptr;
    }

    int completions = 0;
    std::shared_ptr<EULACoordinator> step;
};

class NormalEditionEULATest : public EULACoordinatorTest {
protected:
    std::function<void(platform::Json&)> editInfo() override { return {}; }
};

} // namespace

TEST_F(NormalEditionEULATest, CompletesAtOnceAndLeavesTheKeyUnset) {
    start();
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(context->userDefaults->boolForKey(EULACoordinator::kAcceptedKey));
    EXPECT_FALSE(VQSDKWindowManager::sharedManager()->windowWithName(EULACoordinator::kWindowName));
}

TEST_F(EULACoordinatorTest, PreviewWaitsForAgreeThenHidesAndCompletesOnce) {
    start();
    EXPECT_EQ(completions, 0) << "waits for the agreement";
    const auto container = VQSDKWindowManager::sharedManager()->windowWithName(EULACoordinator::kWindowName);
    ASSERT_TRUE(container);
    EXPECT_TRUE(container->window()->isKeyWindow());
    EXPECT_EQ(container->window()->windowScene, window->windowScene) << "in the main window's scene";
    const auto screen = shownScreen();
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->navigationController()->presentationStyle(), platform::ui::ModalPresentationStyle::fullScreen);
    EXPECT_EQ(screen->navigationItem().title, localized("EULA_TITLE"));
    const auto agree = screen->agreeButton();
    ASSERT_TRUE(agree);
    EXPECT_EQ(agree->title, localized("AGREE_BUTTON"));
    ASSERT_TRUE(agree->titleTextAttributes(platform::ui::ControlState::highlighted));
    EXPECT_EQ(agree->titleTextAttributes(platform::ui::ControlState::highlighted)->foregroundColor,
              platform::ui::Color::white());
    EXPECT_TRUE(agree->backgroundImage(platform::ui::ControlState::normal));
    EXPECT_TRUE(agree->backgroundImage(platform::ui::ControlState::highlighted));

    std::vector<const void*> becameKey;
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        platform::ui::kWindowDidBecomeKeyNotification, nullptr,
        [&](const platform::Notification& n) { becameKey.push_back(n.object); });
    EXPECT_TRUE(agree->simulateTap());
    EXPECT_TRUE(context->userDefaults->boolForKey(EULACoordinator::kAcceptedKey));
    run(1.0);
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(container->viewController()->presentedViewController(), nullptr) << "screen dismissed";
    EXPECT_FALSE(container->window()->isShown()) << "window dismissed";
    EXPECT_TRUE(window->isKeyWindow()) << "key handed back";
    ASSERT_FALSE(becameKey.empty());
    EXPECT_EQ(becameKey.back(), static_cast<const void*>(window.get()));

    // A later launch passes at once.
    completions = 0;
    start();
    EXPECT_EQ(completions, 1);
}

TEST_F(EULACoordinatorTest, WithoutSDKWindowsTheGateStillWaitsForTheAgreement) {
    VQSDKWindowManager::resetForTesting(); // no main window, so no named window either
    start();
    EXPECT_EQ(completions, 0) << "the gate is not passed without an agreement";
    step->didAcceptEULA();
    run(1.0);
    EXPECT_EQ(completions, 1);
}
