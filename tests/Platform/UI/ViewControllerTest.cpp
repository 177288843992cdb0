#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

using Log = std::vector<std::string>;

// Records the life-cycle and containment calls it gets, as "<name>.<call>".
class Recorder : public ViewController {
public:
    Recorder(std::string name, std::shared_ptr<Log> log) : name_(std::move(name)), log_(std::move(log)) {}

    void loadView() override {
        ++loadViewCalls;
        ViewController::loadView();
    }
    void viewDidLoad() override { add("didLoad"); }
    void viewWillAppear(bool) override { add("willAppear"); }
    void viewDidAppear(bool) override { add("didAppear"); }
    void viewWillDisappear(bool) override { add("willDisappear"); }
    void viewDidDisappear(bool) override { add("didDisappear"); }
    void willMove(const std::shared_ptr<ViewController>& parent) override {
        add(parent ? "willMove(parent)" : "willMove(nil)");
    }
    void didMove(const std::shared_ptr<ViewController>& parent) override {
        add(parent ? "didMove(parent)" : "didMove(nil)");
    }
    void traitCollectionDidChange(const TraitCollection& previous) override {
        add(previous.horizontalSizeClass == UserInterfaceSizeClass::compact ? "traits(was compact)" : "traits(was other)");
    }
    std::string typeName() const override { return "Recorder"; }

    int loadViewCalls = 0;

private:
    void add(const std::string& call) { log_->push_back(name_ + "." + call); }
    std::string name_;
    std::shared_ptr<Log> log_;
};

class ViewControllerTest : public ::testing::Test {
protected:
    void TearDown() override { Window::resetAll(); }

    std::shared_ptr<Recorder> make(const std::string& name) { return makeController<Recorder>(name, log); }

    // Shows a window with the controller as its root and lets it appear.
    std::shared_ptr<Window> show(const std::shared_ptr<ViewController>& root) {
        auto window = Window::create();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        testsupport::pump();
        return window;
    }

    std::shared_ptr<Log> log = std::make_shared<Log>();
};

TEST_F(ViewControllerTest, ViewLoadsOnceOnFirstAccess) {
    auto vc = make("a");
    EXPECT_FALSE(vc->isViewLoaded());
    EXPECT_EQ(vc->viewIfLoaded(), nullptr);

    auto first = vc->view();
    auto second = vc->view();
    vc->loadViewIfNeeded();

    EXPECT_EQ(first, second);
    EXPECT_EQ(vc->loadViewCalls, 1);
    EXPECT_EQ(*log, (Log{"a.didLoad"}));
    EXPECT_EQ(first->frame, (Rect{{0, 0}, kScreenSize}));
    EXPECT_EQ(first->backgroundColor, Color::white());
    EXPECT_EQ(first->owningViewController(), vc);
}

TEST_F(ViewControllerTest, AViewSetBeforeLoadingIsKeptWithoutViewDidLoad) {
    auto vc = make("a");
    auto custom = View::create(Rect{{0, 0}, {10, 10}});
    vc->setView(custom);
    EXPECT_EQ(vc->view(), custom);
    EXPECT_EQ(custom->owningViewController(), vc);
    EXPECT_EQ(vc->loadViewCalls, 0);
    EXPECT_TRUE(log->empty());
}

TEST_F(ViewControllerTest, AppearanceTransitionsCallEachCallbackOncePerTransition) {
    enum Step { appear, disappear, end };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        Log expected;
        ViewController::Appearance finalState;
    };
    using A = ViewController::Appearance;
    const Case cases[] = {
        {"appear", {appear, end}, {"willAppear", "didAppear"}, A::appeared},
        {"duplicate begin and end", {appear, appear, end, end}, {"willAppear", "didAppear"}, A::appeared},
        {"disappear while not shown", {disappear, end}, {}, A::disappeared},
        {"end without begin", {end}, {}, A::disappeared},
        {"appear then disappear", {appear, end, disappear, end},
         {"willAppear", "didAppear", "willDisappear", "didDisappear"}, A::disappeared},
        {"will-appear then will-disappear", {appear, disappear, end},
         {"willAppear", "willDisappear", "didDisappear"}, A::disappeared},
        {"will-disappear then will-appear", {appear, end, disappear, appear, end},
         {"willAppear", "didAppear", "willDisappear", "willAppear", "didAppear"}, A::appeared},
        {"half-way", {appear}, {"willAppear"}, A::appearing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto local = std::make_shared<Log>();
        auto vc = makeController<Recorder>("x", local);
        for (auto step : c.steps) {
            if (step == end) {
                vc->endAppearanceTransition();
            } else {
                vc->beginAppearanceTransition(step == appear, false);
            }
        }
        Log expected;
        if (!c.expected.empty() && c.expected.front() == "willAppear") expected.push_back("x.didLoad");
        for (const auto& call : c.expected) expected.push_back("x." + call);
        EXPECT_EQ(*local, expected);
        EXPECT_EQ(vc->appearance(), c.finalState);
        EXPECT_EQ(vc->isVisible(), c.finalState == A::appeared);
    }
}

TEST_F(ViewControllerTest, WindowRootLoadsAndAppearsWhenTheWindowIsShownAndDisappearsWhenHidden) {
    auto root = make("root");
    auto window = show(root);
    EXPECT_EQ(*log, (Log{"root.didLoad", "root.willAppear", "root.didAppear"}));
    EXPECT_EQ(root->view()->window(), window);

    log->clear();
    window->setHidden(true);
    EXPECT_EQ(*log, (Log{"root.willDisappear", "root.didDisappear"}));
}

TEST_F(ViewControllerTest, ChildrenFollowTheirParentsAppearanceAfterTheParent) {
    auto parent = make("parent");
    auto child = make("child");
    parent->addChild(child);
    parent->view()->addSubview(child->view());
    child->didMove(parent);
    EXPECT_EQ(*log, (Log{"child.willMove(parent)", "parent.didLoad", "child.didLoad", "child.didMove(parent)"}));
    EXPECT_EQ(child->parent(), parent);
    EXPECT_EQ(parent->children(), (std::vector<std::shared_ptr<ViewController>>{child}));

    log->clear();
    auto window = show(parent);
    EXPECT_EQ(*log, (Log{"parent.willAppear", "child.willAppear", "parent.didAppear", "child.didAppear"}));

    log->clear();
    window->setHidden(true);
    EXPECT_EQ(*log,
              (Log{"parent.willDisappear", "child.willDisappear", "parent.didDisappear", "child.didDisappear"}));
}

TEST_F(ViewControllerTest, RemovingAChildTellsItDidMoveToNil) {
    auto parent = make("parent");
    auto child = make("child");
    parent->addChild(child);
    child->didMove(parent);
    log->clear();

    child->willMove(nullptr);
    child->removeFromParent();
    EXPECT_EQ(*log, (Log{"child.willMove(nil)", "child.didMove(nil)"}));
    EXPECT_EQ(child->parent(), nullptr);
    EXPECT_TRUE(parent->children().empty());

    // Removing again changes nothing.
    child->removeFromParent();
    EXPECT_EQ(log->size(), 2u);
}

TEST_F(ViewControllerTest, AChildAddedToAShownParentAppearsOnceItsViewIsInTheWindow) {
    auto parent = make("parent");
    auto window = show(parent);
    auto child = make("child");
    log->clear();

    parent->addChild(child);
    parent->view()->addSubview(child->view());
    child->didMove(parent);
    testsupport::pump();

    // The view tree may report the move at once or the controller looks on the
    // next turn; either way the child appears exactly once.
    Log appearance;
    for (const auto& entry : *log) {
        if (entry.find("Appear") != std::string::npos) appearance.push_back(entry);
    }
    EXPECT_EQ(appearance, (Log{"child.willAppear", "child.didAppear"}));
    EXPECT_TRUE(child->isVisible());
}

TEST_F(ViewControllerTest, AChildWhoseViewIsNotShownDoesNotAppearWhenAdded) {
    auto parent = make("parent");
    auto window = show(parent);
    auto child = make("child");
    parent->addChild(child);
    child->didMove(parent);
    testsupport::pump();
    EXPECT_FALSE(child->isVisible());
    EXPECT_FALSE(child->isViewLoaded());
}

TEST_F(ViewControllerTest, TraitChangesReachChildrenOnce) {
    auto parent = make("parent");
    auto child = make("child");
    parent->addChild(child);
    EXPECT_EQ(child->traitCollection().horizontalSizeClass, UserInterfaceSizeClass::compact);

    TraitCollection regular;
    regular.horizontalSizeClass = UserInterfaceSizeClass::regular;
    parent->setTraitCollection(regular);
    parent->setTraitCollection(regular);

    EXPECT_EQ(*log, (Log{"child.willMove(parent)", "parent.traits(was compact)", "child.traits(was compact)"}));
    EXPECT_EQ(child->traitCollection(), regular);
}

TEST_F(ViewControllerTest, DescriptionNamesTheTypeAndTitle) {
    auto vc = ViewController::create();
    EXPECT_EQ(vc->description(), "<ViewController>");
    vc->title = "Settings";
    EXPECT_EQ(vc->description(), "<ViewController \"Settings\">");
}

TEST_F(ViewControllerTest, TabBarItemIsMadeOnceOnFirstAccessFromTheTitle) {
    auto vc = ViewController::create();
    vc->title = "Feed";
    EXPECT_EQ(vc->tabBarItemIfMade(), nullptr);
    auto item = vc->tabBarItem();
    EXPECT_EQ(item->title, "Feed");
    EXPECT_EQ(vc->tabBarItem(), item);
}

TEST_F(ViewControllerTest, BarButtonItemTapRunsTheActionOnlyWhenEnabled) {
    int taps = 0;
    auto item = BarButtonItem::withTitle("Edit", BarButtonItem::Style::plain, [&] { ++taps; });
    EXPECT_TRUE(item->simulateTap());
    item->isEnabled = false;
    EXPECT_FALSE(item->simulateTap());
    EXPECT_EQ(taps, 1);
    EXPECT_FALSE(BarButtonItem::withSystemItem(BarButtonItem::SystemItem::done, {})->simulateTap());
}

TEST_F(ViewControllerTest, NavigationAndTabBarControllerAreNoneOutsideContainers) {
    auto vc = ViewController::create();
    EXPECT_EQ(vc->navigationController(), nullptr);
    EXPECT_EQ(vc->tabBarController(), nullptr);
}

} // namespace
