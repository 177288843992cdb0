#include "Platform/UI/NavigationController.hpp"
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
    std::string typeName() const override { return "Recorder"; }

private:
    void add(const std::string& call) { log_->push_back(name_ + "." + call); }
    std::string name_;
    std::shared_ptr<Log> log_;
};

class NavigationControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        a = make("a");
        navigation = NavigationController::create(a);
        window = Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();
        log->clear();
    }
    void TearDown() override { Window::resetAll(); }

    std::shared_ptr<Recorder> make(const std::string& name) { return makeController<Recorder>(name, log); }
    std::function<void()> note(const std::string& what) {
        return [log = log, what] { log->push_back(what); };
    }

    std::shared_ptr<Log> log = std::make_shared<Log>();
    std::shared_ptr<Recorder> a;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<Window> window;
};

TEST_F(NavigationControllerTest, RootAppearsWithTheNavigationController) {
    auto log2 = std::make_shared<Log>();
    auto root = makeController<Recorder>("root", log2);
    auto nav = NavigationController::create(root);
    EXPECT_EQ(root->parent(), nav);
    EXPECT_EQ(root->navigationController(), nav);
    EXPECT_EQ(*log2, (Log{"root.willMove(parent)", "root.didMove(parent)"}));

    auto w = Window::create();
    w->setRootViewController(nav);
    w->makeKeyAndVisible();
    testsupport::pump();
    EXPECT_EQ(*log2, (Log{"root.willMove(parent)", "root.didMove(parent)", "root.didLoad", "root.willAppear",
                          "root.didAppear"}));
    EXPECT_EQ(root->view()->window(), w);
    EXPECT_EQ(nav->navigationBar()->superview(), nav->view());
}

TEST_F(NavigationControllerTest, PushAndPopAppearanceOrder) {
    for (bool animated : {true, false}) {
        SCOPED_TRACE(animated ? "animated" : "not animated");
        log->clear();
        auto b = make("b");
        navigation->push(b, animated, note("pushed"));
        EXPECT_EQ(navigation->viewControllers(), (Controllers{a, b}));
        EXPECT_EQ(navigation->topViewController(), b);
        const Log pushStart{"b.willMove(parent)", "a.willDisappear", "b.didLoad", "b.willAppear"};
        EXPECT_EQ(*log, pushStart);
        if (animated) {
            testsupport::advance(0.3);
            EXPECT_EQ(*log, pushStart) << "still animating";
            testsupport::advance(0.1);
        } else {
            testsupport::pump();
        }
        Log expected = pushStart;
        for (const char* call : {"a.didDisappear", "b.didAppear", "b.didMove(parent)", "pushed"}) expected.push_back(call);
        EXPECT_EQ(*log, expected);
        EXPECT_EQ(a->view()->window(), nullptr) << "the covered view leaves the screen";

        log->clear();
        auto popped = navigation->pop(animated, note("popped"));
        EXPECT_EQ(popped, b);
        EXPECT_EQ(navigation->viewControllers(), (Controllers{a}));
        const Log popStart{"b.willMove(nil)", "b.willDisappear", "a.willAppear"};
        EXPECT_EQ(*log, popStart);
        testsupport::advance(0.4);
        expected = popStart;
        for (const char* call : {"b.didDisappear", "a.didAppear", "b.didMove(nil)", "popped"}) expected.push_back(call);
        EXPECT_EQ(*log, expected);
        EXPECT_EQ(b->parent(), nullptr);
        EXPECT_EQ(b->view()->window(), nullptr);
        EXPECT_EQ(a->view()->window(), window);
    }
}

TEST_F(NavigationControllerTest, StackMisuseIsFatal) {
    auto b = make("b");
    navigation->push(b, false);
    EXPECT_DEATH(navigation->push(b, false), "Pushing the same view controller instance more than once is not supported");
    EXPECT_DEATH(navigation->push(a, true), "Pushing the same view controller instance more than once is not supported");
    EXPECT_DEATH(navigation->push(NavigationController::create(), false),
                 "Pushing a navigation controller is not supported");
    EXPECT_DEATH(navigation->popTo(make("stranger"), false), "Tried to pop to a view controller that doesn't exist.");
}

TEST_F(NavigationControllerTest, PushWhileAnimatingIsQueuedBehindTheRunningTransition) {
    auto b = make("b");
    auto c = make("c");
    navigation->push(b, true, note("b pushed"));
    navigation->push(c, true, note("c pushed"));
    EXPECT_EQ(navigation->viewControllers(), (Controllers{a, b, c}));
    EXPECT_TRUE(navigation->isTransitioning());

    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"b.willMove(parent)", "a.willDisappear", "b.didLoad", "b.willAppear", "c.willMove(parent)",
                         "a.didDisappear", "b.didAppear", "b.didMove(parent)", "b pushed", "b.willDisappear",
                         "c.didLoad", "c.willAppear"}));
    log->clear();
    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"b.didDisappear", "c.didAppear", "c.didMove(parent)", "c pushed"}));
    EXPECT_FALSE(navigation->isTransitioning());
    EXPECT_TRUE(c->isVisible());
}

TEST_F(NavigationControllerTest, ControllerPushedAndPoppedDuringATransitionIsNeverShown) {
    auto b = make("b");
    auto c = make("c");
    navigation->push(b, true);
    navigation->push(c, true);
    EXPECT_EQ(navigation->pop(true), c);
    testsupport::advance(2);
    EXPECT_EQ(navigation->viewControllers(), (Controllers{a, b}));
    EXPECT_FALSE(c->isViewLoaded());
    EXPECT_EQ(c->parent(), nullptr);
    EXPECT_TRUE(b->isVisible());
}

TEST_F(NavigationControllerTest, PopToRootAndPopToReturnThePoppedControllers) {
    auto b = make("b");
    auto c = make("c");
    auto d = make("d");
    navigation->setViewControllers({a, b, c, d}, false);
    testsupport::pump();
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(b->isViewLoaded()) << "controllers below the top load when shown";

    EXPECT_EQ(navigation->popTo(b, false), (Controllers{c, d}));
    testsupport::pump();
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(navigation->popToRoot(true), (Controllers{b}));
    testsupport::advance(0.4);
    EXPECT_TRUE(a->isVisible());
    EXPECT_EQ(navigation->children(), (Controllers{a}));
    EXPECT_TRUE(navigation->popToRoot(false).empty());
    EXPECT_EQ(navigation->pop(false), nullptr) << "the root stays";
}

TEST_F(NavigationControllerTest, OffScreenChangesHaveNoAppearanceAndCompleteOnTheNextTurn) {
    auto offLog = std::make_shared<Log>();
    auto root = makeController<Recorder>("root", offLog);
    auto nav = NavigationController::create(root);
    auto next = makeController<Recorder>("next", offLog);
    bool done = false;
    nav->push(next, true, [&] { done = true; });
    EXPECT_EQ(*offLog, (Log{"root.willMove(parent)", "root.didMove(parent)", "next.willMove(parent)",
                            "next.didMove(parent)"}));
    EXPECT_FALSE(done);
    testsupport::pump();
    EXPECT_TRUE(done);
}

TEST_F(NavigationControllerTest, DelegateHooksSurroundTheTransition) {
    navigation->willShow = [&](NavigationController& nav, const std::shared_ptr<ViewController>& vc, bool animated) {
        EXPECT_EQ(&nav, navigation.get());
        log->push_back("willShow " + *vc->title + (animated ? " animated" : ""));
    };
    navigation->didShow = [&](NavigationController&, const std::shared_ptr<ViewController>& vc, bool) {
        log->push_back("didShow " + *vc->title);
    };
    navigation->push(make("b"), true);
    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"b.willMove(parent)", "willShow b animated", "a.willDisappear", "b.didLoad", "b.willAppear",
                         "a.didDisappear", "b.didAppear", "didShow b", "b.didMove(parent)"}));
}

TEST_F(NavigationControllerTest, NavigationBarShowsTheTopItemAndABackButton) {
    auto bar = navigation->navigationBar();
    EXPECT_EQ(bar->displayedText(), "a");
    EXPECT_EQ(bar->backItem(), nullptr);
    EXPECT_TRUE(bar->subviews().empty());

    auto b = make("b");
    b->navigationItem().title = "Details";
    int edits = 0;
    b->navigationItem().rightBarButtonItems = {
        BarButtonItem::withTitle("Edit", BarButtonItem::Style::plain, [&] { ++edits; })};
    navigation->push(b, false);
    testsupport::pump();
    EXPECT_EQ(bar->displayedText(), "Details");
    EXPECT_EQ(bar->topItem(), &b->navigationItem());
    EXPECT_EQ(bar->backButtonTitle(), "a");
    ASSERT_EQ(bar->subviews().size(), 2u);
    EXPECT_EQ(bar->subviews()[0]->accessibilityLabel, "Back");
    EXPECT_EQ(bar->subviews()[0]->displayedText(), "a");
    EXPECT_EQ(bar->subviews()[1]->displayedText(), "Edit");
    EXPECT_TRUE(bar->subviews()[1]->simulateTap());
    EXPECT_EQ(edits, 1);

    // The back button pops, as the user's back tap does.
    EXPECT_TRUE(bar->subviews()[0]->simulateTap());
    testsupport::advance(0.4);
    EXPECT_EQ(navigation->topViewController(), a);
    EXPECT_FALSE(navigation->simulateBackTap());

    bar->barTintColor = Color::black();
    bar->titleTextAttributes = TitleTextAttributes{Font::boldSystemFont(17), Color::white()};
    navigation->setNavigationBarHidden(true, true);
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    EXPECT_TRUE(bar->isHidden);
}

TEST_F(NavigationControllerTest, HiddenBackButtonCannotBeTapped) {
    auto b = make("b");
    b->navigationItem().hidesBackButton = true;
    navigation->push(b, false);
    testsupport::pump();
    EXPECT_FALSE(navigation->simulateBackTap());
    EXPECT_EQ(navigation->topViewController(), b);
}

/// Sets its own close button as its view loads, as a storyboard screen does.
class ClosingScreen : public ViewController {
public:
    void viewDidLoad() override {
        navigationItem().leftBarButtonItems = {BarButtonItem::withTitle("Close", BarButtonItem::Style::plain, [this] {
            navigationController()->pop(false);
        })};
    }
};

TEST_F(NavigationControllerTest, BarItemsSetAsTheViewLoadsReplaceTheBackButton) {
    for (const bool animated : {false, true}) {
        SCOPED_TRACE(animated ? "animated" : "not animated");
        auto b = makeController<ClosingScreen>();
        navigation->push(b, animated);
        testsupport::advance(0.4);
        auto bar = navigation->navigationBar();
        ASSERT_EQ(bar->subviews().size(), 1u) << "no back button beside the screen's own";
        EXPECT_EQ(bar->subviews()[0]->displayedText(), "Close");
        EXPECT_FALSE(navigation->simulateBackTap());
        EXPECT_TRUE(bar->subviews()[0]->simulateTap());
        testsupport::pump();
        EXPECT_EQ(navigation->topViewController(), a);
    }
}

TEST_F(NavigationControllerTest, BarItemsSetAsTheRootLoadsShowWhenTheStackFirstAppears) {
    // The root's view loads only as the presented stack appears.
    for (const bool animated : {false, true}) {
        SCOPED_TRACE(animated ? "animated" : "not animated");
        auto root = makeController<ClosingScreen>();
        auto presented = NavigationController::create(root);
        navigation->present(presented, animated);
        testsupport::advance(0.6);
        auto bar = presented->navigationBar();
        ASSERT_EQ(bar->subviews().size(), 1u);
        EXPECT_EQ(bar->subviews()[0]->displayedText(), "Close");
        navigation->dismiss(false);
        testsupport::pump();
    }
}

TEST_F(NavigationControllerTest, VisibleViewControllerIsThePresentedOne) {
    EXPECT_EQ(navigation->visibleViewController(), a);
    auto modal = make("modal");
    navigation->present(modal, false);
    testsupport::pump();
    EXPECT_EQ(navigation->visibleViewController(), modal);
}

} // namespace
