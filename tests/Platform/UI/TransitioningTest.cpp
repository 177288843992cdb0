#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/PresentationController.hpp"
#include "Platform/UI/Transitioning.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;

namespace {

/// Completes after a fixed time, as a slide would.
class Animator : public ViewControllerAnimatedTransitioning {
public:
    double transitionDuration(const ViewControllerContextTransitioning*) const override { return 0.25; }
    void animateTransition(const std::shared_ptr<ViewControllerContextTransitioning>& context) override {
        ++runs;
        interactive = context->isInteractive();
        platform::MainQueue::asyncAfter(0.25, [context] { context->completeTransition(!context->transitionWasCancelled()); });
    }
    int runs = 0;
    bool interactive = false;
};

class Delegate : public ViewControllerTransitioningDelegate {
public:
    std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForDismissed(
        const std::shared_ptr<ViewController>&) override {
        return animator;
    }
    std::shared_ptr<ViewControllerInteractiveTransitioning> interactionControllerForDismissal(
        const std::shared_ptr<ViewControllerAnimatedTransitioning>&) override {
        return interaction;
    }
    std::shared_ptr<Animator> animator = std::make_shared<Animator>();
    std::shared_ptr<PercentDrivenInteractiveTransition> interaction;
};

class TransitioningTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = ViewController::create();
        window = Window::create();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        testsupport::pump();
        presented = ViewController::create();
        presented->modalPresentationStyle = ModalPresentationStyle::custom;
        presented->transitioningDelegate = delegate;
        root->present(presented, false);
        testsupport::pump();
    }
    void run(double seconds) {
        testsupport::pump();
        testsupport::advance(seconds);
        testsupport::pump();
    }
    std::shared_ptr<Delegate> delegate = std::make_shared<Delegate>();
    std::shared_ptr<ViewController> root;
    std::shared_ptr<ViewController> presented;
    std::shared_ptr<Window> window;
};

TEST_F(TransitioningTest, TheDelegatesAnimatorRunsAnAnimatedDismissal) {
    bool done = false;
    ASSERT_EQ(presented->transitioningDelegate.lock(), delegate);
    ASSERT_EQ(root->presentedViewController(), presented);
    presented->dismiss(true, [&] { done = true; });
    run(1);
    EXPECT_EQ(delegate->animator->runs, 1);
    EXPECT_FALSE(delegate->animator->interactive);
    EXPECT_TRUE(done);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(TransitioningTest, APercentDrivenInteractionHoldsTheDismissalOpenUntilItEnds) {
    struct Case {
        const char* name;
        bool finish;
    };
    for (const auto& c : {Case{"finished", true}, Case{"cancelled", false}}) {
        SCOPED_TRACE(c.name);
        if (!root->presentedViewController()) {
            root->present(presented, false);
            testsupport::pump();
        }
        delegate->interaction = std::make_shared<PercentDrivenInteractiveTransition>();
        bool done = false;
        presented->dismiss(true, [&] { done = true; });
        run(5);
        // Nothing ends while the interaction is open.
        EXPECT_TRUE(delegate->interaction->isTransitionOpen());
        EXPECT_FALSE(done);
        EXPECT_EQ(root->presentedViewController(), presented);
        if (c.finish) {
            delegate->interaction->finishInteractiveTransition();
        } else {
            delegate->interaction->cancelInteractiveTransition();
        }
        run(0.25);
        EXPECT_FALSE(delegate->interaction->isTransitionOpen());
        EXPECT_EQ(done, c.finish);
        EXPECT_EQ(root->presentedViewController() == nullptr, c.finish);
        EXPECT_FALSE(presented->isBeingDismissed());
    }
}

TEST_F(TransitioningTest, AFinishBeforeTheStartIsKept) {
    delegate->interaction = std::make_shared<PercentDrivenInteractiveTransition>();
    delegate->interaction->finishInteractiveTransition();
    presented->dismiss(true);
    run(0.25);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(TransitioningTest, AContextCompletesOnce) {
    int calls = 0;
    ViewControllerContextTransitioning context(presented, nullptr, Rect{}, false, [&](bool) { ++calls; });
    context.completeTransition(true);
    context.completeTransition(false);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(context.isComplete());
}

} // namespace
