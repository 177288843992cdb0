#include "VellicorApp/Interface/HalfSheetView/HalfSheetTransitioningDelegateListener.hpp"
#include "VellicorApp/Interface/MenuActions/CommunitiesDevAction.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionTableViewCell.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsStoryboard.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;
using namespace vellicor;
using platform::veltrane::VQSDKDevAction;
using platform::veltrane::VeltraneSDKManager;

namespace {

/// The SDK manager of these tests: it answers with the actions a test sets.
class TestSDKManager : public VeltraneSDKManager {
public:
    static std::shared_ptr<TestSDKManager> create() { return std::shared_ptr<TestSDKManager>(new TestSDKManager); }
    std::vector<std::shared_ptr<VQSDKDevAction>> getDevActions(const std::shared_ptr<ViewController>&) override {
        return actions;
    }
    std::vector<std::shared_ptr<VQSDKDevAction>> actions;
};

class MenuActionsTest : public interfacetest::InterfaceTest {
protected:
    void SetUp() override {
        InterfaceTest::SetUp();
        manager = TestSDKManager::create();
        VeltraneSDKManager::initializeSDK([this] { return manager; });
    }

    void presentSheet() {
        sheet = MenuActionsStoryboard::instantiateHalfSheetViewController();
        listener = HalfSheetTransitioningDelegateListener::create(sheet, screen, HalfSheetPresentationConfiguration{});
        listener->attach();
        navigation->present(sheet, true);
        run(1);
        list = sheet->menuActionsListViewController();
        ASSERT_TRUE(list);
    }

    std::shared_ptr<CommunitiesDevAction> appAction(const std::string& name, bool dismisses, long counter = -1) {
        auto action = CommunitiesDevAction::create(name, [this, name] {
            events.push_back(name + (navigation->presentedViewController() ? " (menu up)" : " (menu gone)"));
        });
        action->shouldDismissPresenter = dismisses;
        action->counter = counter;
        return action;
    }

    std::shared_ptr<MenuActionTableViewCell> cell(int row) const {
        return std::dynamic_pointer_cast<MenuActionTableViewCell>(list->tableView()->cellForRow({0, row}));
    }

    std::shared_ptr<TestSDKManager> manager;
    std::shared_ptr<MenuActionsHalfSheetViewController> sheet;
    std::shared_ptr<HalfSheetTransitioningDelegateListener> listener;
    std::shared_ptr<MenuActionsListViewController> list;
    std::vector<std::string> events;
};

TEST_F(MenuActionsTest, TheSheetEmbedsTheListAndMasksItsTopCorners) {
    presentSheet();
    EXPECT_EQ(list->scrollDelegate().get(), static_cast<MenuActionsListViewControllerScrollDelegate*>(sheet.get()));
    EXPECT_FALSE(list->slideIndicationTopBar()->isHidden);
    EXPECT_FALSE(list->tableView()->bounces);
    EXPECT_EQ(list->customTitle()->text, "Actions");
    const auto& mask = sheet->subViewContainer()->layer().mask;
    ASSERT_TRUE(mask.has_value());
    EXPECT_EQ(mask->corners, RectCorner::topLeft | RectCorner::topRight);
    EXPECT_EQ(mask->cornerRadii, (Size{8, 8}));
    sheet->updateSubviews(std::nullopt, *sheet->view());
    EXPECT_FALSE(sheet->subViewContainer()->layer().mask.has_value());
}

TEST_F(MenuActionsTest, SelectingARowRunsItsActionBeforeOrAfterClosing) {
    struct Case {
        const char* name;
        bool appAction;
        bool dismisses;
        const char* event;
        bool menuStays;
    };
    const Case cases[] = {
        {"app action that stays", true, false, "A (menu up)", true},
        {"app action that closes", true, true, "A (menu gone)", false},
        {"SDK action", false, true, "A (menu gone)", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events.clear();
        if (c.appAction) {
            manager->actions = {appAction("A", c.dismisses)};
        } else {
            manager->actions = {VQSDKDevAction::create("A", [this] {
                events.push_back(std::string("A") + (navigation->presentedViewController() ? " (menu up)" : " (menu gone)"));
            })};
        }
        presentSheet();
        ASSERT_EQ(list->menuActions().size(), 1u);
        ASSERT_TRUE(list->tableView()->simulateSelectRow({0, 0}));
        run(1);
        EXPECT_EQ(events, std::vector<std::string>{c.event});
        EXPECT_EQ(navigation->presentedViewController() != nullptr, c.menuStays);
        if (c.appAction) {
            EXPECT_FALSE(list->tableView()->indexPathForSelectedRow().has_value());
        }
        navigation->dismiss(false);
        run(1);
    }
}

TEST_F(MenuActionsTest, TheCounterShowsExactlyForZeroOrMore) {
    manager->actions = {appAction("hidden", true, -1), appAction("zero", true, 0),
                        VQSDKDevAction::create("sdk", [] {})};
    presentSheet();
    EXPECT_TRUE(cell(0)->counterView()->isHidden);
    EXPECT_FALSE(cell(1)->counterView()->isHidden);
    EXPECT_EQ(cell(1)->counter()->text, "0");
    EXPECT_TRUE(cell(2)->counterView()->isHidden);
    EXPECT_EQ(cell(2)->label()->text, "sdk");

    // The cell that hid its counter comes back for a row that has one.
    manager->actions = {appAction("none", true, -1)};
    list->viewWillAppear(false);
    auto hiddenCell = cell(0);
    ASSERT_TRUE(hiddenCell->counterView()->isHidden);
    manager->actions = {appAction("three", true, 3)};
    list->viewWillAppear(false);
    EXPECT_EQ(cell(0), hiddenCell);
    EXPECT_FALSE(cell(0)->counterView()->isHidden);
    EXPECT_EQ(cell(0)->counter()->text, "3");
}

TEST_F(MenuActionsTest, ARotationClosesTheSheet) {
    presentSheet();
    navigation->transitionToSize(Size{844, 390});
    run(1);
    EXPECT_EQ(navigation->presentedViewController(), nullptr);
}

TEST_F(MenuActionsTest, AListWithoutPresenterKeepsItsActionsAndLogs) {
    auto lonely = MenuActionsStoryboard::instantiateMenuActionsListViewController();
    lonely->loadViewIfNeeded();
    lonely->viewWillAppear(false);
    EXPECT_TRUE(lonely->menuActions().empty());
    EXPECT_EQ(apptest::appLogTexts("ERROR"),
              std::vector<std::string>{
                  "MenuActionsListViewController: presentingViewController must not be nil during viewWillAppear!"});
}

TEST_F(MenuActionsTest, APopoverClosesOnAnEqualSizeClassButNotOnRotation) {
    navigation->setTraitCollection(TraitCollection{UserInterfaceSizeClass::regular, UserInterfaceSizeClass::regular});
    auto menu = MenuActionsStoryboard::instantiateMenuActionsNavigationController();
    menu->modalPresentationStyle = ModalPresentationStyle::popover;
    menu->popoverPresentation().sourceView = screen->view();
    navigation->present(menu, false);
    run(1);
    navigation->transitionToSize(Size{1024, 768});
    run(1);
    EXPECT_EQ(navigation->presentedViewController(), menu);
    // A change that keeps the horizontal class closes it.
    navigation->setTraitCollection(TraitCollection{UserInterfaceSizeClass::regular, UserInterfaceSizeClass::compact});
    run(1);
    EXPECT_EQ(navigation->presentedViewController(), nullptr);
}

TEST_F(MenuActionsTest, AScrolledListScrollsBackBeforeTheFullSheetMoves) {
    std::vector<std::shared_ptr<VQSDKDevAction>> many;
    for (int i = 0; i < 30; ++i) many.push_back(VQSDKDevAction::create("action " + std::to_string(i), [] {}));
    manager->actions = many;
    presentSheet();
    // Flicked up to full height.
    ASSERT_TRUE(listener->dismissInteractive()->panGestureRecognizer()->simulatePan({{0, -40}, {0, -80}, {0, -120}}));
    run(1);
    ASSERT_EQ(sheet->view()->frame.minY(), 0);
    auto table = list->tableView();
    ASSERT_TRUE(table->simulateScroll(Point{0, 100}));
    EXPECT_EQ(sheet->lastMenuActionsListViewContentOffset().y, 100);

    // Pulling down in the list: the list returns to its top; the sheet stays.
    ASSERT_TRUE(table->simulatePan({40, 40}));
    EXPECT_EQ(table->contentOffset().y, 20);
    EXPECT_EQ(sheet->view()->frame.minY(), 0);
    ASSERT_TRUE(table->simulatePan({20}));
    EXPECT_EQ(table->contentOffset().y, 0);
    EXPECT_FALSE(sheet->shouldIgnoreDrag());

    // At the top, the sheet follows the finger again.
    ASSERT_TRUE(table->simulatePan({40, 40, 40, 40, 40, 40}));
    EXPECT_EQ(table->contentOffset().y, 0);
    EXPECT_GT(sheet->view()->frame.minY(), 0);
}

TEST_F(MenuActionsTest, ADisabledDragKeepsTheSheetOutOfTheListsPan) {
    presentSheet();
    sheet->isDragDisabled = true;
    const double before = sheet->view()->frame.minY();
    ASSERT_TRUE(list->tableView()->simulatePan({40, 40, 40}));
    EXPECT_EQ(sheet->view()->frame.minY(), before);
}

} // namespace
