#include "VellicorApp/Interface/FloatingActionButtonProvider.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsStoryboard.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/AlertController.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;
using namespace vellicor;
using platform::veltrane::VQSDKWindowManager;

namespace {

/// Stands in for the URL-rule screen the menu's list opens.
class RulesScreen : public ViewController {
public:
    std::string typeName() const override { return "ManagedURLsHostingController"; }
};

class NormalEditionTest : public interfacetest::InterfaceTest {};

TEST_F(NormalEditionTest, HasNoButton) {
    EXPECT_EQ(FloatingActionButtonProvider::create(*context), nullptr);
    EXPECT_EQ(apptest::appLogTexts("INFO"),
              std::vector<std::string>{
                  "FloatingActionButtonProvider: App is not a yarrowin app. Not adding floating action button (FAB)."});
}

class FloatingActionButtonTest : public interfacetest::InterfaceTest {
protected:
    std::function<void(platform::Json&)> editInfo() override {
        return [](platform::Json& info) { info["YarrowinAppType"] = "preSale"; };
    }
    StoryboardDefinition::Factory managedURLsScreen() override {
        return [] { return makeController<RulesScreen>(); };
    }
    void SetUp() override {
        InterfaceTest::SetUp();
        VQSDKWindowManager::sharedManager()->setMainUIWindow(window);
        provider = FloatingActionButtonProvider::create(*context);
        ASSERT_TRUE(provider);
        provider->presentFloatingActionButton(screen);
        View::clearAnimationRecords();
    }
    void useSizeClass(UserInterfaceSizeClass sizeClass) {
        navigation->setTraitCollection(TraitCollection{sizeClass, UserInterfaceSizeClass::regular});
    }
    std::shared_ptr<platform::materialcomponents::MDCFloatingButton> button() const {
        return provider->floatingActionButton();
    }
    std::shared_ptr<ViewController> presented() const { return navigation->presentedViewController(); }

    std::shared_ptr<FloatingActionButtonProvider> provider;
};

TEST_F(FloatingActionButtonTest, RepeatedShowingsOnlyMoveTheButton) {
    // The sign-in screen shows it on every layout pass.
    for (int pass = 0; pass < 10; ++pass) provider->presentFloatingActionButton(screen);
    auto view = screen->view();
    EXPECT_EQ(button()->superview(), view);
    EXPECT_EQ(interfacetest::constraintsTo(*view, *button()), 2u);
    EXPECT_EQ(button()->constraints().size(), 2u);
    EXPECT_EQ(button()->frame, (Rect{{390 - 15 - 65, 844 - 64 - 65}, {65, 65}}));

    // One press, one alert; one tap, one menu.
    ASSERT_TRUE(button()->simulateLongPress());
    auto alert = std::dynamic_pointer_cast<AlertController>(presented());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title, "Remove Button?");
    EXPECT_EQ(alert->actions().size(), 2u);
    ASSERT_TRUE(alert->simulateTapAction("Cancel"));
    run(1);
    EXPECT_EQ(presented(), nullptr);
    EXPECT_FALSE(provider->isFloatingActionButtonHidden());
    ASSERT_TRUE(button()->simulateTap());
    run(1);
    EXPECT_EQ(presented(), provider->menuActionsHalfSheetViewController());
}

TEST_F(FloatingActionButtonTest, AShowingWithoutViewLogs) {
    provider->presentFloatingActionButton(nullptr);
    EXPECT_EQ(button()->superview(), screen->view());
    EXPECT_EQ(apptest::appLogTexts("ERROR"),
              std::vector<std::string>{
                  "FloatingActionButtonProvider: Failed to display Floating Button since presenting view is nil."});
}

TEST_F(FloatingActionButtonTest, ContinueCollapsesAndHidesForGood) {
    ASSERT_TRUE(button()->simulateLongPress());
    auto alert = std::dynamic_pointer_cast<AlertController>(presented());
    ASSERT_TRUE(alert);
    ASSERT_TRUE(alert->simulateTapAction("Continue"));
    run(1);
    EXPECT_TRUE(provider->isFloatingActionButtonHidden());
    EXPECT_TRUE(button()->isCollapsed());
    EXPECT_TRUE(button()->isHidden);
    auto other = makeController<interfacetest::Screen>();
    navigation->push(other, false);
    run(1);
    provider->presentFloatingActionButton(other);
    EXPECT_EQ(button()->superview(), other->view());
    EXPECT_TRUE(button()->isHidden);
}

TEST_F(FloatingActionButtonTest, ATapOpensTheFormOfTheWidth) {
    useSizeClass(UserInterfaceSizeClass::compact);
    ASSERT_TRUE(button()->simulateTap());
    run(1);
    auto sheet = provider->menuActionsHalfSheetViewController();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(presented(), sheet);
    EXPECT_EQ(sheet->modalPresentationStyle, ModalPresentationStyle::custom);
    EXPECT_EQ(sheet->transitioningDelegate.lock(), provider->halfSheetTransitioningListener());
    navigation->dismiss(false);
    run(1);

    useSizeClass(UserInterfaceSizeClass::regular);
    ASSERT_TRUE(button()->simulateTap());
    run(1);
    auto menu = provider->menuActionsNavigationController();
    ASSERT_TRUE(menu);
    EXPECT_EQ(presented(), menu);
    EXPECT_EQ(menu->preferredContentSize, (Size{320, 522}));
    EXPECT_EQ(menu->presentationStyle(), ModalPresentationStyle::popover);
    const auto& popover = menu->popoverPresentation();
    EXPECT_EQ(popover.permittedArrowDirections, PopoverArrowDirection::down);
    EXPECT_EQ(popover.sourceView.lock(), button());
    EXPECT_EQ(popover.sourceRect, button()->bounds());
    // The arrow points down at the button: the panel sits above it.
    EXPECT_LE(menu->view()->frame.maxY(), button()->frame.minY());
    // The later form replaced the earlier one.
    EXPECT_EQ(provider->menuActionsHalfSheetViewController(), nullptr);
}

TEST_F(FloatingActionButtonTest, NoActiveWindowNoMenu) {
    VQSDKWindowManager::sharedManager()->mainWindow()->setEnabled(false);
    provider->floatingActionButtonTapped();
    run(1);
    EXPECT_EQ(presented(), nullptr);
}

TEST_F(FloatingActionButtonTest, TheUrlRulesOpenInTheMenuOnScreen) {
    struct Case {
        const char* name;
        std::vector<UserInterfaceSizeClass> taps;
    };
    const Case cases[] = {
        {"popover", {UserInterfaceSizeClass::regular}},
        {"sheet", {UserInterfaceSizeClass::compact}},
        {"sheet after an earlier popover", {UserInterfaceSizeClass::regular, UserInterfaceSizeClass::compact}},
        {"popover after an earlier sheet", {UserInterfaceSizeClass::compact, UserInterfaceSizeClass::regular}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (auto sizeClass : c.taps) {
            navigation->dismiss(false);
            run(1);
            useSizeClass(sizeClass);
            ASSERT_TRUE(button()->simulateTap());
            run(1);
        }
        View::clearAnimationRecords();
        provider->presentManagedURLsContentView();
        run(1);
        const bool sheet = c.taps.back() == UserInterfaceSizeClass::compact;
        std::shared_ptr<NavigationController> menu;
        if (sheet) {
            auto shown = provider->menuActionsHalfSheetViewController();
            ASSERT_TRUE(shown);
            EXPECT_EQ(shown->view()->frame.minY(), 0);
            ASSERT_FALSE(View::animationRecords().empty());
            EXPECT_EQ(View::animationRecords().front().duration, 0.6);
            EXPECT_EQ(View::animationRecords().front().options, 0x30002u);
            menu = std::dynamic_pointer_cast<NavigationController>(shown->children().front());
        } else {
            menu = provider->menuActionsNavigationController();
        }
        ASSERT_TRUE(menu);
        EXPECT_EQ(presented(), sheet ? std::static_pointer_cast<ViewController>(provider->menuActionsHalfSheetViewController())
                                     : std::static_pointer_cast<ViewController>(menu));
        ASSERT_EQ(menu->viewControllers().size(), 2u);
        EXPECT_EQ(menu->topViewController()->typeName(), "ManagedURLsHostingController");
    }
}

TEST_F(FloatingActionButtonTest, TheButtonFollowsTheKeyWindow) {
    auto root = makeController<interfacetest::Screen>();
    auto other = Window::create();
    other->setRootViewController(root);
    other->makeKeyAndVisible();
    testsupport::pump();
    EXPECT_EQ(button()->superview(), root->view());
}

} // namespace
