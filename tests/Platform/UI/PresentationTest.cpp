#include "Platform/Foundation/Console.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/ControllerDump.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/PresentationController.hpp"
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

class Recorder : public ViewController {
public:
    Recorder(std::string name, std::shared_ptr<Log> log) : name_(std::move(name)), log_(std::move(log)) {
        title = name_;
    }
    void viewDidLoad() override { add("didLoad"); }
    void viewWillAppear(bool) override { add(isBeingPresented() ? "willAppear(presenting)" : "willAppear"); }
    void viewDidAppear(bool) override { add(isBeingPresented() ? "didAppear(presenting)" : "didAppear"); }
    void viewWillDisappear(bool) override { add(isBeingDismissed() ? "willDisappear(dismissing)" : "willDisappear"); }
    void viewDidDisappear(bool) override { add(isBeingDismissed() ? "didDisappear(dismissing)" : "didDisappear"); }
    std::string typeName() const override { return "Recorder"; }

private:
    void add(const std::string& call) { log_->push_back(name_ + "." + call); }
    std::string name_;
    std::shared_ptr<Log> log_;
};

// A presentation controller that records its hooks and can give up a dismissal.
class RecordingPresentation : public PresentationController {
public:
    RecordingPresentation(const std::shared_ptr<ViewController>& presented,
                          const std::shared_ptr<ViewController>& presenting, std::shared_ptr<Log> log)
        : PresentationController(presented, presenting, ModalPresentationStyle::custom), log_(std::move(log)) {}

    void presentationTransitionWillBegin() override {
        log_->push_back(containerView() && containerView()->window() ? "pc.willBegin(in window)" : "pc.willBegin");
    }
    void presentationTransitionDidEnd(bool completed) override {
        log_->push_back(completed ? "pc.didEnd" : "pc.didEnd(cancelled)");
    }
    void dismissalTransitionWillBegin() override { log_->push_back("pc.dismissalWillBegin"); }
    void dismissalTransitionDidEnd(bool completed) override {
        log_->push_back(completed ? "pc.dismissalDidEnd" : "pc.dismissalDidEnd(cancelled)");
    }
    Rect frameOfPresentedViewInContainerView() const override {
        const auto bounds = containerView()->bounds();
        return Rect{{0, bounds.height() * 0.42}, bounds.size};
    }
    double transitionDuration(bool presenting) const override { return presenting ? 0.35 : 0.25; }
    void performTransition(bool presenting, bool animated, std::function<void(bool)> finished) override {
        if (!presenting && cancelDismissal) {
            platform::MainQueue::async([finished] { finished(false); });
            return;
        }
        PresentationController::performTransition(presenting, animated, std::move(finished));
    }

    bool cancelDismissal = false;

private:
    std::shared_ptr<Log> log_;
};

class PresentationTest : public ::testing::Test {
public:
    void SetUp() override {
        root = make("root");
        window = Window::create();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        testsupport::pump();
        log->clear();
    }
    void TearDown() override { Window::resetAll(); }

    std::shared_ptr<Recorder> make(const std::string& name) { return makeController<Recorder>(name, log); }
    std::function<void()> note(const std::string& what) {
        return [log = log, what] { log->push_back(what); };
    }
    // Lets a transition finish: past the animation time, or the next turn.
    void finish(bool animated) {
        if (animated) {
            testsupport::advance(0.3);
            EXPECT_EQ(pendingCheck, log->size()) << "finished before the transition time";
            testsupport::advance(0.1);
        } else {
            testsupport::pump();
        }
    }
    void mark() { pendingCheck = log->size(); }

    std::shared_ptr<Log> log = std::make_shared<Log>();
    std::shared_ptr<Recorder> root;
    std::shared_ptr<Window> window;
    std::size_t pendingCheck = 0;
};

TEST_F(PresentationTest, AppearanceOrderOfPresentAndDismissByStyle) {
    struct Case {
        const char* name;
        ModalPresentationStyle style;
        bool animated;
        Log presentAtOnce, presentLater, dismissAtOnce, dismissLater;
    };
    const Log fullAtOnce{"p.didLoad", "p.willAppear(presenting)", "root.willDisappear"};
    const Log fullLater{"p.didAppear(presenting)", "root.didDisappear", "presented"};
    const Log fullDismissAtOnce{"p.willDisappear(dismissing)", "root.willAppear"};
    const Log fullDismissLater{"p.didDisappear(dismissing)", "root.didAppear", "dismissed"};
    // The presenting controller stays on screen and hears nothing.
    const Log sheetAtOnce{"p.didLoad", "p.willAppear(presenting)"};
    const Log sheetLater{"p.didAppear(presenting)", "presented"};
    const Log sheetDismissAtOnce{"p.willDisappear(dismissing)"};
    const Log sheetDismissLater{"p.didDisappear(dismissing)", "dismissed"};
    const Case cases[] = {
        {"full screen, animated", ModalPresentationStyle::fullScreen, true, fullAtOnce, fullLater, fullDismissAtOnce,
         fullDismissLater},
        {"full screen, not animated", ModalPresentationStyle::fullScreen, false, fullAtOnce, fullLater,
         fullDismissAtOnce, fullDismissLater},
        {"automatic is a page sheet", ModalPresentationStyle::automatic, true, sheetAtOnce, sheetLater,
         sheetDismissAtOnce, sheetDismissLater},
        {"page sheet, not animated", ModalPresentationStyle::pageSheet, false, sheetAtOnce, sheetLater,
         sheetDismissAtOnce, sheetDismissLater},
        {"over full screen", ModalPresentationStyle::overFullScreen, true, sheetAtOnce, sheetLater, sheetDismissAtOnce,
         sheetDismissLater},
        {"form sheet", ModalPresentationStyle::formSheet, false, sheetAtOnce, sheetLater, sheetDismissAtOnce,
         sheetDismissLater},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        log->clear();
        auto presented = make("p");
        presented->modalPresentationStyle = c.style;

        root->present(presented, c.animated, note("presented"));
        EXPECT_EQ(*log, c.presentAtOnce);
        EXPECT_EQ(root->presentedViewController(), presented);
        EXPECT_EQ(presented->presentingViewController(), root);
        EXPECT_TRUE(presented->isBeingPresented());
        mark();
        finish(c.animated);
        Log expected = c.presentAtOnce;
        expected.insert(expected.end(), c.presentLater.begin(), c.presentLater.end());
        EXPECT_EQ(*log, expected);
        EXPECT_FALSE(presented->isBeingPresented());
        EXPECT_TRUE(presented->isVisible());

        log->clear();
        root->dismiss(c.animated, note("dismissed"));
        EXPECT_EQ(*log, c.dismissAtOnce);
        EXPECT_TRUE(presented->isBeingDismissed());
        EXPECT_EQ(root->presentedViewController(), presented) << "kept until the dismissal ends";
        mark();
        finish(c.animated);
        expected = c.dismissAtOnce;
        expected.insert(expected.end(), c.dismissLater.begin(), c.dismissLater.end());
        EXPECT_EQ(*log, expected);
        EXPECT_EQ(root->presentedViewController(), nullptr);
        EXPECT_EQ(presented->presentingViewController(), nullptr);
        EXPECT_TRUE(root->isVisible());
    }
}

TEST_F(PresentationTest, PresentedViewIsInTheWindowAboveThePresenterAndFullScreenTakesThePresenterOut) {
    auto presented = make("p");
    presented->modalPresentationStyle = ModalPresentationStyle::fullScreen;
    root->present(presented, false);
    EXPECT_EQ(presented->view()->window(), window);
    auto container = presented->presentationController()->containerView();
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->superview(), window);
    EXPECT_EQ(window->subviews().back(), container);
    EXPECT_EQ(root->view()->window(), window) << "still shown during the transition";

    testsupport::pump();
    EXPECT_EQ(root->view()->window(), nullptr);
    EXPECT_EQ(presented->presentationStyle(), ModalPresentationStyle::fullScreen);

    root->dismiss(false);
    EXPECT_EQ(root->view()->superview(), window) << "back when the dismissal begins";
    EXPECT_EQ(window->subviews().front(), root->view());
    testsupport::pump();
    EXPECT_EQ(container->superview(), nullptr);
    EXPECT_EQ(presented->view()->window(), nullptr);
}

TEST_F(PresentationTest, SheetKeepsThePresenterOnScreenInAFrameBelowTheTop) {
    auto presented = make("p");
    root->present(presented, false);
    testsupport::pump();
    EXPECT_EQ(presented->presentationStyle(), ModalPresentationStyle::pageSheet);
    EXPECT_EQ(root->view()->window(), window);
    EXPECT_TRUE(root->isVisible());
    EXPECT_GT(presented->view()->frame.minY(), 0);
}

TEST_F(PresentationTest, RefusedPresentationsWarnAndNeverComplete) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<ViewController>(PresentationTest&)> presenter;
        std::string warning;
    };
    const Case cases[] = {
        {"already presenting",
         [](PresentationTest& t) -> std::shared_ptr<ViewController> {
             t.root->present(t.make("first"), true);
             return t.root;
         },
         "Warning: Attempt to present <Recorder \"second\"> on <Recorder \"root\"> which is already presenting "
         "<Recorder \"first\">"},
        {"not in a window",
         [](PresentationTest& t) -> std::shared_ptr<ViewController> {
             auto loose = t.make("loose");
             loose->loadViewIfNeeded();
             return loose;
         },
         "Warning: Attempt to present <Recorder \"second\"> on <Recorder \"loose\"> whose view is not in the window "
         "hierarchy!"},
        {"presenter still being presented",
         [](PresentationTest& t) -> std::shared_ptr<ViewController> {
             auto first = t.make("first");
             t.root->present(first, true);
             return first;
         },
         "Warning: Attempt to present <Recorder \"second\"> on <Recorder \"first\"> while a presentation is in "
         "progress!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Console::clear();
        auto presenter = c.presenter(*this);
        auto second = make("second");
        bool completed = false;
        presenter->present(second, true, [&] { completed = true; });
        EXPECT_TRUE(platform::Console::contains(c.warning)) << ::testing::PrintToString(platform::Console::lines());
        EXPECT_EQ(second->presentingViewController(), nullptr);
        testsupport::advance(1);
        EXPECT_FALSE(completed);
        EXPECT_FALSE(second->isViewLoaded());
        root->dismiss(false);
        testsupport::pump();
    }
}

TEST_F(PresentationTest, PresentingFromAChildIsDoneByItsTopMostAncestor) {
    auto child = make("child");
    root->addChild(child);
    root->view()->addSubview(child->view());
    child->didMove(root);
    auto presented = make("p");

    child->present(presented, false);
    testsupport::pump();
    EXPECT_EQ(presented->presentingViewController(), root);
    EXPECT_EQ(root->presentedViewController(), presented);
    EXPECT_EQ(child->presentedViewController(), presented);

    // The context is now presenting: a second presentation from the child is refused.
    child->present(make("other"), false);
    EXPECT_TRUE(platform::Console::contains(
        "Warning: Attempt to present <Recorder \"other\"> on <Recorder \"root\"> (from <Recorder \"child\">) which is "
        "already presenting <Recorder \"p\">"));

    bool dismissed = false;
    child->dismiss(false, [&] { dismissed = true; });
    testsupport::pump();
    EXPECT_TRUE(dismissed);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(PresentationTest, ChildOfAPresentedControllerSeesThePresenter) {
    auto navigation = NavigationController::create(make("top"));
    root->present(navigation, false);
    testsupport::pump();
    auto top = navigation->topViewController();
    EXPECT_EQ(top->presentingViewController(), root);

    // A child that presents nothing dismisses its presented ancestor.
    top->dismiss(false);
    testsupport::pump();
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(PresentationTest, DismissWithNothingPresentedCompletesOnTheNextTurn) {
    int completions = 0;
    root->dismiss(true, [&] { ++completions; });
    EXPECT_EQ(completions, 0);
    testsupport::pump();
    EXPECT_EQ(completions, 1);
    EXPECT_TRUE(log->empty());
}

TEST_F(PresentationTest, PresentedControllerDismissesItselfThroughItsPresenter) {
    auto presented = make("p");
    root->present(presented, false);
    testsupport::pump();
    bool dismissed = false;
    presented->dismiss(true, [&] { dismissed = true; });
    testsupport::advance(0.4);
    EXPECT_TRUE(dismissed);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(PresentationTest, DismissingTheBottomOfAChainDismissesEverythingAbove) {
    auto a = make("a");
    a->modalPresentationStyle = ModalPresentationStyle::fullScreen;
    auto b = make("b");
    root->present(a, false);
    testsupport::pump();
    a->present(b, false);
    testsupport::pump();
    EXPECT_EQ(a->presentedViewController(), b);
    log->clear();

    int completions = 0;
    root->dismiss(true, [&] { ++completions; });
    EXPECT_EQ(*log, (Log{"b.willDisappear(dismissing)", "a.willDisappear(dismissing)", "root.willAppear"}));
    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"b.willDisappear(dismissing)", "a.willDisappear(dismissing)", "root.willAppear",
                         "b.didDisappear(dismissing)", "a.didDisappear(dismissing)", "root.didAppear"}));
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(a->presentedViewController(), nullptr);
    EXPECT_EQ(b->presentingViewController(), nullptr);
    EXPECT_EQ(b->view()->window(), nullptr);
}

TEST_F(PresentationTest, DismissingTheMiddleOfAChainKeepsItsPresenter) {
    auto a = make("a");
    auto b = make("b");
    root->present(a, false);
    testsupport::pump();
    a->present(b, false);
    testsupport::pump();

    a->dismiss(false);
    testsupport::pump();
    EXPECT_EQ(root->presentedViewController(), a);
    EXPECT_EQ(a->presentedViewController(), nullptr);
    EXPECT_TRUE(a->isVisible());
}

TEST_F(PresentationTest, DismissDuringThePresentationRunsAfterIt) {
    auto presented = make("p");
    root->present(presented, true, note("presented"));
    root->dismiss(true, note("dismissed"));
    EXPECT_EQ(root->presentedViewController(), presented);

    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"p.didLoad", "p.willAppear(presenting)", "p.didAppear(presenting)", "presented",
                         "p.willDisappear(dismissing)"}));
    testsupport::advance(0.4);
    EXPECT_EQ(log->back(), "dismissed");
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(PresentationTest, PresentDuringADismissalWaitsForIt) {
    auto first = make("first");
    root->present(first, false);
    testsupport::pump();

    auto second = make("second");
    root->dismiss(false);
    root->present(second, true, note("second presented"));
    EXPECT_EQ(root->presentedViewController(), first);
    testsupport::pump();
    EXPECT_EQ(root->presentedViewController(), second);
    testsupport::advance(0.4);
    EXPECT_EQ(log->back(), "second presented");
}

TEST_F(PresentationTest, PresentingAControllerThatIsAlreadyPresentedIsFatal) {
    auto presented = make("p");
    root->present(presented, false);
    testsupport::pump();
    EXPECT_DEATH(presented->present(presented, false), "Application tried to present modally an active controller");
    EXPECT_DEATH(make("other")->present(presented, false),
                 "that is already being presented by <Recorder \"root\">");
    EXPECT_DEATH(make("other")->present(root, false), "Application tried to present modally an active controller");
    auto child = make("child");
    root->addChild(child);
    EXPECT_DEATH(presented->present(child, false), "that has a parent view controller");
}

TEST_F(PresentationTest, PopoverNeedsASourceOnRegularWidthAndAdaptsOnCompact) {
    TraitCollection regular;
    regular.horizontalSizeClass = UserInterfaceSizeClass::regular;

    auto compactPopover = make("compact");
    compactPopover->modalPresentationStyle = ModalPresentationStyle::popover;
    root->present(compactPopover, false);
    testsupport::pump();
    EXPECT_EQ(compactPopover->presentationStyle(), ModalPresentationStyle::pageSheet);
    root->dismiss(false);
    testsupport::pump();

    root->setTraitCollection(regular);
    auto missing = make("missing");
    missing->modalPresentationStyle = ModalPresentationStyle::popover;
    EXPECT_DEATH(root->present(missing, false),
                 "UIPopoverPresentationController should have a non-nil sourceView or barButtonItem set before the "
                 "presentation occurs.");

    auto anchor = View::create(Rect{{20, 100}, {40, 40}});
    root->view()->addSubview(anchor);
    auto sourced = make("sourced");
    sourced->modalPresentationStyle = ModalPresentationStyle::popover;
    sourced->popoverPresentation().sourceView = anchor;
    sourced->popoverPresentation().sourceRect = anchor->bounds();
    root->present(sourced, false);
    testsupport::pump();
    EXPECT_EQ(sourced->presentationStyle(), ModalPresentationStyle::popover);
    EXPECT_GE(sourced->view()->frame.minY(), 140) << "placed below its source";
}

TEST_F(PresentationTest, CustomPresentationControllerDrivesTheTransition) {
    auto presented = make("sheet");
    presented->modalPresentationStyle = ModalPresentationStyle::custom;
    std::shared_ptr<RecordingPresentation> presentation;
    presented->customPresentationControllerFactory = [&](const std::shared_ptr<ViewController>& p,
                                                         const std::shared_ptr<ViewController>& presenting) {
        presentation = makePresentationController<RecordingPresentation>(p, presenting, log);
        return presentation;
    };

    root->present(presented, true, note("presented"));
    ASSERT_NE(presentation, nullptr);
    EXPECT_EQ(presented->presentationController(), presentation);
    EXPECT_EQ(presentation->presentingViewController(), root);
    EXPECT_EQ(presented->view()->frame.minY(), kScreenSize.height * 0.42);
    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"sheet.didLoad", "sheet.willAppear(presenting)", "pc.willBegin(in window)", "pc.didEnd",
                         "sheet.didAppear(presenting)", "presented"}));

    // An interactive dismissal the user gives up leaves the sheet where it was.
    log->clear();
    presentation->cancelDismissal = true;
    root->dismiss(true, note("dismissed"));
    testsupport::pump();
    EXPECT_EQ(*log, (Log{"sheet.willDisappear(dismissing)", "pc.dismissalWillBegin", "sheet.willAppear",
                         "sheet.didAppear", "pc.dismissalDidEnd(cancelled)"}));
    EXPECT_EQ(root->presentedViewController(), presented);
    EXPECT_TRUE(presented->isVisible());

    // Its own, shorter dismissal time.
    log->clear();
    presentation->cancelDismissal = false;
    root->dismiss(true, note("dismissed"));
    testsupport::advance(0.26);
    EXPECT_EQ(*log, (Log{"sheet.willDisappear(dismissing)", "pc.dismissalWillBegin", "pc.dismissalDidEnd",
                         "sheet.didDisappear(dismissing)", "dismissed"}));
    EXPECT_EQ(presented->presentationController(), nullptr);
}

TEST_F(PresentationTest, ControllerDumpOfANavigationStackWithAPresentedAlert) {
    auto home = ViewController::create();
    home->title = "Home";
    auto navigation = NavigationController::create(home);
    window->setRootViewController(navigation);
    testsupport::pump();
    auto detail = ViewController::create();
    detail->title = "Detail";
    navigation->push(detail, false);
    testsupport::pump();
    auto alert = AlertController::create("Signed out", "Sign in again.", AlertController::Style::alert);
    alert->addAction(AlertAction::create("OK", AlertAction::Style::cancel));
    detail->present(alert, true);
    testsupport::advance(0.4);

    std::vector<std::string> lines;
    dumpControllers(*navigation, 1, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "  NavigationController",
                         "    ViewController \"Home\"",
                         "    ViewController \"Detail\" [top]",
                         "  presented: AlertController \"Signed out\" style=custom",
                     }));
}

} // namespace
