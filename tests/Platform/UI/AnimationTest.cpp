#include "Platform/UI/View.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform::ui;

TEST(AnimationTest, ValuesJumpAtOnceAndCompletionWaitsForDelayPlusDuration) {
    auto view = View::create();
    std::vector<bool> finished;
    View::animate(0.3, 0.2, AnimationCurve::easeOut, [&] { view->alpha = 0; },
                  [&](bool done) { finished.push_back(done); });
    EXPECT_EQ(view->alpha, 0) << "the animated values are set at once";
    EXPECT_EQ(View::runningAnimationCount(), 1u);

    testsupport::pump();
    testsupport::advance(0.49);
    EXPECT_TRUE(finished.empty()) << "not before delay + duration";
    EXPECT_EQ(View::runningAnimationCount(), 1u);
    testsupport::advance(0.01);
    EXPECT_EQ(finished, (std::vector<bool>{true}));
    EXPECT_EQ(View::runningAnimationCount(), 0u);
}

TEST(AnimationTest, ZeroDurationCompletesOnTheNextTurnOfTheMainQueue) {
    bool done = false;
    View::animate(0, [] {}, [&](bool) { done = true; });
    EXPECT_FALSE(done) << "never inline";
    testsupport::pump();
    EXPECT_TRUE(done);
}

TEST(AnimationTest, CompletionsRunInTimeOrderAndMayStartNewAnimations) {
    std::vector<std::string> order;
    View::animate(1.0, [] {}, [&](bool) {
        order.push_back("long");
    });
    View::animate(0.25, [] {}, [&](bool) {
        order.push_back("short");
        // A follow-up animation counts from when it starts.
        View::animate(0.5, [] {}, [&](bool) { order.push_back("follow-up"); });
    });
    View::transition(View::create(), 0.5, [] {}, [&](bool) { order.push_back("transition"); });
    EXPECT_EQ(View::runningAnimationCount(), 3u);

    testsupport::advance(0.5);
    EXPECT_EQ(order, (std::vector<std::string>{"short", "transition"}));
    EXPECT_EQ(View::runningAnimationCount(), 2u);
    testsupport::advance(0.25);
    EXPECT_EQ(order, (std::vector<std::string>{"short", "transition", "follow-up"}));
    testsupport::advance(0.25);
    EXPECT_EQ(order, (std::vector<std::string>{"short", "transition", "follow-up", "long"}));
    EXPECT_EQ(View::runningAnimationCount(), 0u);
}

TEST(AnimationTest, AnimationWithoutCompletionStillCountsUntilItEnds) {
    View::animate(0.4, 0, 0.8, 0.2, AnimationCurve::linear, [] {});
    EXPECT_EQ(View::runningAnimationCount(), 1u);
    testsupport::advance(0.4);
    EXPECT_EQ(View::runningAnimationCount(), 0u);
}

TEST(AnimationTest, AQueueResetForgetsPendingAnimations) {
    View::animate(2, [] {}, [](bool) { ADD_FAILURE() << "dropped completions never run"; });
    EXPECT_EQ(View::runningAnimationCount(), 1u);
    platform::MainQueue::reset();
    EXPECT_EQ(View::runningAnimationCount(), 0u);
    testsupport::advance(3);
}
