#include "Platform/UI/ControllerDump.hpp"
#include "Platform/UI/TabBarController.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

using Log = std::vector<std::string>;
using Controllers = std::vector<std::shared_ptr<ViewController>>;

class Recorder : public ViewController {
public:
    Recorder(std::string name, std::shared_ptr<Log> log) : name_(std::move(name)), log_(std::move(log)) {
        title = name_;
    }
    void viewWillAppear(bool) override { add("willAppear"); }
    void viewDidAppear(bool) override { add("didAppear"); }
    void viewWillDisappear(bool) override { add("willDisappear"); }
    void viewDidDisappear(bool) override { add("didDisappear"); }
    std::string typeName() const override { return "Recorder"; }

private:
    void add(const std::string& call) { log_->push_back(name_ + "." + call); }
    std::string name_;
    std::shared_ptr<Log> log_;
};

class RecordingDelegate : public TabBarControllerDelegate {
public:
    explicit RecordingDelegate(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    bool shouldSelect(TabBarController& tbc, const std::shared_ptr<ViewController>& vc) override {
        log_->push_back("shouldSelect " + vc->typeName() + " " + vc->title.value_or("") + " (selected " +
                        std::to_string(tbc.selectedIndex()) + ")");
        return allow;
    }
    void didSelect(TabBarController&, const std::shared_ptr<ViewController>& vc) override {
        log_->push_back("didSelect " + vc->title.value_or(vc->typeName()));
    }
    bool allow = true;

private:
    std::shared_ptr<Log> log_;
};

class TabBarControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        tabs = TabBarController::create();
        delegate = std::make_shared<RecordingDelegate>(log);
        tabs->delegate = delegate;
    }
    void TearDown() override { Window::resetAll(); }

    Controllers makeTabs(int count) {
        Controllers list;
        for (int i = 0; i < count; ++i) list.push_back(makeController<Recorder>("t" + std::to_string(i), log));
        return list;
    }
    void show() {
        window = Window::create();
        window->setRootViewController(tabs);
        window->makeKeyAndVisible();
        testsupport::pump();
        log->clear();
    }

    std::shared_ptr<Log> log = std::make_shared<Log>();
    std::shared_ptr<TabBarController> tabs;
    std::shared_ptr<RecordingDelegate> delegate;
    std::shared_ptr<Window> window;
};

TEST_F(TabBarControllerTest, OnlyTheSelectedTabAppearsAndTabsAreChildren) {
    auto list = makeTabs(3);
    tabs->setViewControllers(list);
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    EXPECT_EQ(tabs->children(), list);
    EXPECT_EQ(list[1]->tabBarController(), tabs);

    window = Window::create();
    window->setRootViewController(tabs);
    window->makeKeyAndVisible();
    testsupport::pump();
    EXPECT_EQ(*log, (Log{"t0.willAppear", "t0.didAppear"}));
    EXPECT_FALSE(list[1]->isViewLoaded());
    EXPECT_EQ(tabs->tabBar()->superview(), tabs->view());
}

TEST_F(TabBarControllerTest, SelectingFromCodeSwitchesAtOnceWithoutTellingTheDelegate) {
    auto list = makeTabs(3);
    tabs->setViewControllers(list);
    show();

    tabs->setSelectedIndex(2);
    EXPECT_EQ(*log, (Log{"t0.willDisappear", "t2.willAppear", "t0.didDisappear", "t2.didAppear"}));
    EXPECT_EQ(tabs->selectedViewController(), list[2]);
    EXPECT_EQ(list[2]->view()->window(), window);
    EXPECT_EQ(list[0]->view()->window(), nullptr);

    log->clear();
    tabs->setSelectedViewController(list[1]);
    tabs->setSelectedIndex(7);
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    for (const auto& entry : *log) EXPECT_EQ(entry.find("Select"), std::string::npos) << entry;
}

TEST_F(TabBarControllerTest, UserTapsAskAndTellTheDelegate) {
    auto list = makeTabs(3);
    tabs->setViewControllers(list);
    show();

    struct Case {
        const char* name;
        std::size_t tap;
        bool allow;
        bool accepted;
        Log expected;
        std::size_t selectedAfter;
    };
    const Case cases[] = {
        {"another tab", 1, true, true,
         {"shouldSelect Recorder t1 (selected 0)", "t0.willDisappear", "t1.willAppear", "t0.didDisappear",
          "t1.didAppear", "didSelect t1"},
         1},
        {"the selected tab again", 1, true, true, {"shouldSelect Recorder t1 (selected 1)", "didSelect t1"}, 1},
        {"vetoed", 2, false, false, {"shouldSelect Recorder t2 (selected 1)"}, 1},
        {"no such tab", 3, true, false, {}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log->clear();
        delegate->allow = c.allow;
        EXPECT_EQ(tabs->simulateTapOnTab(c.tap), c.accepted);
        EXPECT_EQ(*log, c.expected);
        EXPECT_EQ(tabs->selectedIndex(), c.selectedAfter);
    }
}

TEST_F(TabBarControllerTest, TabBarButtonsShowTheItemsAndTapLikeAUser) {
    auto list = makeTabs(2);
    list[1]->setTabBarItem(TabBarItem::create("Inbox", nullptr, 7));
    list[1]->tabBarItem()->badgeValue = "3";
    tabs->setViewControllers(list);
    show();

    auto bar = tabs->tabBar();
    ASSERT_EQ(bar->subviews().size(), 2u);
    EXPECT_EQ(bar->items()[1]->tag, 7);
    EXPECT_EQ(bar->subviews()[1]->displayedText(), "Inbox");
    std::vector<std::string> parts;
    bar->subviews()[0]->describeState(parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"selected"}));

    EXPECT_TRUE(bar->subviews()[1]->simulateTap());
    EXPECT_EQ(tabs->selectedIndex(), 1u);
    EXPECT_EQ(bar->selectedItem(), list[1]->tabBarItem());
    parts.clear();
    bar->subviews()[1]->describeState(parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"selected", "badge=3"}));
    EXPECT_EQ(log->back(), "didSelect t1");
}

TEST_F(TabBarControllerTest, MoreThanFiveTabsPutTheRestUnderMore) {
    auto list = makeTabs(7);
    tabs->setViewControllers(list);
    show();

    auto items = tabs->tabBar()->items();
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[3]->title, "t3");
    EXPECT_EQ(items[4]->title, "More");
    auto more = tabs->moreNavigationController();
    EXPECT_EQ(more->parent(), tabs);
    EXPECT_EQ(list[5]->parent(), nullptr) << "a controller of the rest joins More when shown";

    // The user taps More: its list shows.
    EXPECT_TRUE(tabs->simulateTapOnTab(4));
    EXPECT_EQ(tabs->selectedViewController(), more);
    EXPECT_EQ(tabs->selectedIndex(), TabBarController::kNotFound);
    auto moreList = std::dynamic_pointer_cast<MoreListController>(more->topViewController());
    ASSERT_NE(moreList, nullptr);
    EXPECT_EQ(moreList->rowTitles(), (std::vector<std::string>{"t4", "t5", "t6"}));
    EXPECT_TRUE(moreList->isVisible());
    EXPECT_EQ(log->back(), "didSelect MoreNavigationController");

    // Selecting one of the rest from code shows it inside More.
    log->clear();
    tabs->setSelectedIndex(5);
    testsupport::pump();
    EXPECT_EQ(tabs->selectedViewController(), list[5]);
    EXPECT_EQ(more->topViewController(), list[5]);
    EXPECT_EQ(list[5]->navigationController(), more);
    EXPECT_EQ(list[5]->tabBarController(), tabs);
    EXPECT_TRUE(list[5]->isVisible());

    // A direct tab again, then a row of the More list.
    tabs->simulateTapOnTab(0);
    EXPECT_TRUE(list[0]->isVisible());
    EXPECT_FALSE(list[5]->isVisible());
    tabs->simulateTapOnTab(4);
    EXPECT_TRUE(list[5]->isVisible()) << "More keeps its stack";
    more->popToRoot(false);
    testsupport::pump();
    EXPECT_TRUE(moreList->simulateTapOnRow(2));
    testsupport::advance(0.4);
    EXPECT_EQ(more->topViewController(), list[6]);
    EXPECT_TRUE(list[6]->isVisible());
    EXPECT_EQ(tabs->selectedIndex(), 6u);
}

TEST_F(TabBarControllerTest, ReselectingANavigationTabPopsItToItsRoot) {
    auto root = ViewController::create();
    auto nav = NavigationController::create(root);
    tabs->setViewControllers({nav, ViewController::create()});
    show();
    nav->push(ViewController::create(), false);
    testsupport::pump();

    EXPECT_TRUE(tabs->simulateTapOnTab(0));
    testsupport::advance(0.4);
    EXPECT_EQ(nav->topViewController(), root);
}

TEST_F(TabBarControllerTest, ReplacingTheTabsKeepsTheSelectedControllerWhenItStays) {
    auto list = makeTabs(3);
    tabs->setViewControllers(list);
    show();
    tabs->setSelectedIndex(2);

    tabs->setViewControllers({list[2], list[0]});
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    EXPECT_EQ(tabs->selectedViewController(), list[2]);
    EXPECT_EQ(list[1]->parent(), nullptr);

    log->clear();
    tabs->setViewControllers({list[1]});
    EXPECT_EQ(tabs->selectedViewController(), list[1]);
    EXPECT_EQ(*log, (Log{"t2.willDisappear", "t1.willAppear", "t2.didDisappear", "t1.didAppear"}));
    EXPECT_TRUE(list[1]->isVisible());
    EXPECT_FALSE(list[2]->isVisible());
}

TEST_F(TabBarControllerTest, ControllerDumpListsTabsAndMarksTheSelectedOne) {
    auto list = makeTabs(6);
    tabs->setViewControllers(list);
    show();
    tabs->setSelectedIndex(1);

    std::vector<std::string> lines;
    dumpControllers(*tabs, 0, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "TabBarController",
                         "  Recorder \"t0\" tab=\"t0\"",
                         "  Recorder \"t1\" tab=\"t1\" [selected]",
                         "  Recorder \"t2\" tab=\"t2\"",
                         "  Recorder \"t3\" tab=\"t3\"",
                         "  Recorder \"t4\" tab=\"t4\" [more]",
                         "  Recorder \"t5\" tab=\"t5\" [more]",
                     }));

    tabs->simulateTapOnTab(4);
    lines.clear();
    dumpControllers(*tabs, 0, lines);
    EXPECT_EQ(lines.back(), "  More [selected]");
}

} // namespace

TEST_F(TabBarControllerTest, TheMoreListIsATableOfTheRestAndItsRowsSelectLikeAUser) {
    auto list = makeTabs(7);
    list[5]->tabBarItem()->image = Image::systemNamed("square.fill");
    tabs->setViewControllers(list);
    show();
    tabs->simulateTapOnTab(4);
    testsupport::pump();

    auto more = tabs->moreNavigationController();
    auto moreList = std::dynamic_pointer_cast<MoreListController>(more->topViewController());
    ASSERT_NE(moreList, nullptr);
    auto table = moreList->tableView();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(more->topViewController()->view(), table) << "the list's top view is its table";
    ASSERT_EQ(table->numberOfRows(0), 3);
    EXPECT_EQ(table->cellForRow({0, 0})->textLabel()->text, "t4");
    EXPECT_EQ(table->cellForRow({0, 1})->imageView()->image, list[5]->tabBarItem()->image);
    table->tintColor = Color::systemGray();

    EXPECT_TRUE(table->simulateSelectRow({0, 1}));
    testsupport::advance(0.4);
    EXPECT_EQ(more->topViewController(), list[5]);
    EXPECT_EQ(tabs->selectedIndex(), 5u);
    EXPECT_TRUE(list[5]->isVisible());
    EXPECT_EQ(table->indexPathForSelectedRow(), std::nullopt) << "the row does not stay selected";
}

TEST_F(TabBarControllerTest, SelectingNotFoundShowsTheMoreListOnlyWhenThereIsAMoreTab) {
    auto list = makeTabs(6);
    tabs->setViewControllers(list);
    show();
    tabs->setSelectedIndex(5);
    testsupport::pump();
    auto more = tabs->moreNavigationController();
    ASSERT_EQ(more->topViewController(), list[5]);

    tabs->setSelectedIndex(TabBarController::kNotFound);
    testsupport::pump();
    EXPECT_EQ(tabs->selectedIndex(), TabBarController::kNotFound);
    EXPECT_EQ(tabs->selectedViewController(), more);
    EXPECT_NE(std::dynamic_pointer_cast<MoreListController>(more->topViewController()), nullptr);
    EXPECT_TRUE(more->topViewController()->isVisible());
    EXPECT_FALSE(list[5]->isVisible());

    // Out of range, and kNotFound without a More tab, change nothing.
    tabs->setSelectedIndex(0);
    tabs->setSelectedIndex(6);
    EXPECT_EQ(tabs->selectedIndex(), 0u);
    auto few = TabBarController::create();
    few->setViewControllers(makeTabs(2));
    few->setSelectedIndex(1);
    few->setSelectedIndex(TabBarController::kNotFound);
    EXPECT_EQ(few->selectedIndex(), 1u);
}

TEST_F(TabBarControllerTest, CustomizableControllersAreAllTabsUntilTheAppSaysOtherwise) {
    auto list = makeTabs(6);
    tabs->setViewControllers(list);
    ASSERT_TRUE(tabs->customizableViewControllers.has_value());
    EXPECT_EQ(*tabs->customizableViewControllers, list);
    tabs->customizableViewControllers.reset();
    EXPECT_FALSE(tabs->customizableViewControllers.has_value());
    tabs->setViewControllers(makeTabs(2));
    EXPECT_EQ(tabs->customizableViewControllers->size(), 2u);
}

TEST(TabBarItemTest, TitleAttributesAreKeptPerState) {
    auto item = TabBarItem::create("Home");
    EXPECT_EQ(item->titleTextAttributes(ControlState::normal), std::nullopt);
    item->setTitleTextAttributes(BarButtonItem::TitleTextAttributes{.font = std::nullopt, .foregroundColor = Color::systemRed()}, ControlState::normal);
    item->setTitleTextAttributes(BarButtonItem::TitleTextAttributes{.font = std::nullopt, .foregroundColor = Color::systemBlue()},
                                 ControlState::selected);
    EXPECT_EQ(item->titleTextAttributes(ControlState::normal)->foregroundColor, Color::systemRed());
    EXPECT_EQ(item->titleTextAttributes(ControlState::selected)->foregroundColor, Color::systemBlue());
    item->setTitleTextAttributes(std::nullopt, ControlState::normal);
    EXPECT_EQ(item->titleTextAttributes(ControlState::normal), std::nullopt);
    EXPECT_TRUE(item->titleTextAttributes(ControlState::selected).has_value());
}
