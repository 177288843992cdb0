#include "VellicorApp/Interface/HalfSheetView/HalfSheetContainerViewController.hpp"
#include "VellicorApp/Interface/HalfSheetView/HalfSheetModalPresentationController.hpp"
#include "VellicorApp/Interface/HalfSheetView/HalfSheetTransitioningDelegateListener.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/Storyboard.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace platform::ui;
using namespace vellicor;

namespace {

/// Sheet content that can veto drags and records what it is told.
class TestSheet : public HalfSheetContainerViewController {
public:
    bool ignoreDrag = false;
    std::vector<float> progresses;
    bool shouldIgnoreDraggingOnPanGesture() override { return ignoreDrag; }
    void animateView(float progress, GestureRecognizer::State state) override {
        progresses.push_back(progress);
        HalfSheetContainerViewController::animateView(progress, state);
    }
    using HalfSheetContainerViewController::animateView;
};

TEST(HalfSheetGeometryTest, SheetFramesBySize) {
    const Rect container{{10, 20}, {390, 844}};
    const Rect half = frame(HalfSheetPresentationSize::half, container);
    EXPECT_EQ(half.minX(), 0);
    EXPECT_NEAR(half.minY(), 354.48, 1e-9);
    EXPECT_EQ(half.size, (Size{390, 844}));
    EXPECT_EQ(frame(HalfSheetPresentationSize::full, container), (Rect{{0, 0}, {390, 844}}));
    EXPECT_EQ(frame(HalfSheetPresentationSize::zero, container), Rect{});
    EXPECT_EQ(halfSheetPresentationSize(0.58), HalfSheetPresentationSize::half);
    EXPECT_EQ(halfSheetPresentationSize(1.0), HalfSheetPresentationSize::full);
    EXPECT_EQ(halfSheetPresentationSize(0.5), std::nullopt);
    const HalfSheetPresentationConfiguration defaults;
    EXPECT_EQ(defaults.size, HalfSheetPresentationSize::half);
    EXPECT_EQ(rawValue(defaults.cornerStyle), 8.0);
    EXPECT_EQ(defaults.backgroundStyle, HalfSheetPresentationBackgroundStyle::dimmed);
}

TEST(HalfSheetGeometryTest, StatesAtTheirBounds) {
    struct Case {
        float progress;
        HalfSheetTransitioningState state;
    };
    const Case cases[] = {
        {-0.1f, HalfSheetTransitioningState::full},        {0.0f, HalfSheetTransitioningState::full},
        {0.0001f, HalfSheetTransitioningState::closeToFull}, {0.2199f, HalfSheetTransitioningState::closeToFull},
        {0.22f, HalfSheetTransitioningState::half},        {0.6499f, HalfSheetTransitioningState::half},
        {0.65f, HalfSheetTransitioningState::empty},       {1.0f, HalfSheetTransitioningState::empty},
        {std::numeric_limits<float>::quiet_NaN(), HalfSheetTransitioningState::empty},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.progress);
        EXPECT_EQ(halfSheetTransitioningState(c.progress), c.state);
    }
}

class HalfSheetTest : public interfacetest::InterfaceTest {
protected:
    void present(HalfSheetPresentationConfiguration configuration = {}) {
        sheet = makeController<TestSheet>();
        listener = HalfSheetTransitioningDelegateListener::create(sheet, screen, configuration);
        listener->attach();
        navigation->present(sheet, true);
        run(1);
        ASSERT_EQ(navigation->presentedViewController(), sheet);
        View::clearAnimationRecords();
    }
    std::shared_ptr<HalfSheetModalPresentationController> presentation() const {
        return std::dynamic_pointer_cast<HalfSheetModalPresentationController>(sheet->presentationController());
    }
    std::shared_ptr<PanGestureRecognizer> pan() const { return listener->dismissInteractive()->panGestureRecognizer(); }
    double sheetY() const { return sheet->view()->frame.minY(); }
    bool dismissed() const { return navigation->presentedViewController() == nullptr; }

    std::shared_ptr<TestSheet> sheet;
    std::shared_ptr<HalfSheetTransitioningDelegateListener> listener;
};

TEST_F(HalfSheetTest, PresentsOverADimmedBackground) {
    present();
    EXPECT_NEAR(sheetY(), 354.48, 1e-9);
    auto background = presentation()->backgroundView();
    auto container = presentation()->containerView();
    ASSERT_TRUE(container);
    EXPECT_EQ(container->subviews().front(), background);
    EXPECT_EQ(background->frame, container->bounds());
    EXPECT_EQ(background->backgroundColor, Color::rgba(0, 0, 0, 0.4));
    EXPECT_EQ(listener->dismissInteractive()->currentState(), HalfSheetTransitioningState::half);
}

TEST_F(HalfSheetTest, ATapAroundTheSheetDismissesItWithTheSlide) {
    for (auto style : {HalfSheetPresentationBackgroundStyle::dimmed, HalfSheetPresentationBackgroundStyle::normal}) {
        present(HalfSheetPresentationConfiguration{.backgroundStyle = style});
        auto background = presentation()->backgroundView();
        if (style == HalfSheetPresentationBackgroundStyle::normal) {
            EXPECT_EQ(background->backgroundColor, Color::clear());
        }
        const double height = sheet->view()->frame.height();
        ASSERT_TRUE(background->simulateTap());
        testsupport::pump();
        EXPECT_EQ(background->backgroundColor, Color::clear());
        ASSERT_FALSE(View::animationRecords().empty());
        EXPECT_EQ(View::animationRecords().back().duration, 0.25);
        EXPECT_EQ(View::animationRecords().back().options, AnimationOptions::curveEaseInOut);
        EXPECT_EQ(sheetY(), height);
        EXPECT_FALSE(dismissed());
        run(0.25);
        EXPECT_TRUE(dismissed());
    }
}

TEST_F(HalfSheetTest, AFlickUpSpringsToFull) {
    present();
    ASSERT_TRUE(pan()->simulatePan({{0, -40}, {0, -80}, {0, -120}}));
    EXPECT_EQ(listener->dismissInteractive()->swipeGesture(), HalfSheetSwipeGesture::up);
    ASSERT_FALSE(View::animationRecords().empty());
    const auto& spring = View::animationRecords().back();
    EXPECT_EQ(spring.duration, 0.4);
    EXPECT_EQ(spring.springDamping, 0.6);
    EXPECT_EQ(spring.initialSpringVelocity, 0.8);
    EXPECT_EQ(spring.options, 0x30002u);
    EXPECT_EQ(sheetY(), 0);
    EXPECT_FALSE(sheet->progresses.empty());
}

TEST_F(HalfSheetTest, TheSheetNeverRisesAboveFull) {
    present();
    pan()->beginPan();
    pan()->movePan({0, -2000});
    EXPECT_EQ(sheetY(), 0);
    pan()->endPan();
}

TEST_F(HalfSheetTest, APullOnAFullSheetFirstOnlyMarksIt) {
    present(HalfSheetPresentationConfiguration{.size = HalfSheetPresentationSize::full});
    auto interactive = listener->dismissInteractive();
    EXPECT_EQ(interactive->currentState(), HalfSheetTransitioningState::full);
    ASSERT_TRUE(pan()->beginPan());
    pan()->movePan({0, 40});
    EXPECT_EQ(interactive->currentState(), HalfSheetTransitioningState::closeToFull);
    EXPECT_EQ(sheetY(), 0);
    for (double y : {80.0, 120.0, 160.0, 200.0}) pan()->movePan({0, y});
    EXPECT_GT(sheetY(), 0);
    EXPECT_EQ(interactive->swipeGesture(), HalfSheetSwipeGesture::down);
    pan()->endPan();
    // Released in a downward flick from near full: back to half, not away.
    EXPECT_NEAR(sheetY(), 354.48, 1e-9);
    EXPECT_FALSE(dismissed());
}

TEST_F(HalfSheetTest, AReleaseWithoutDirectionSettlesByPosition) {
    struct Case {
        double progress;
        const char* outcome;
    };
    for (const auto& c : {Case{0.7, "dismissed"}, Case{0.5, "half"}, Case{0.1, "full"}}) {
        SCOPED_TRACE(c.outcome);
        present();
        sheet->view()->frame.origin.y = c.progress * sheet->view()->frame.height();
        ASSERT_TRUE(pan()->simulatePan({{0, 1}}));
        EXPECT_EQ(listener->dismissInteractive()->swipeGesture(), HalfSheetSwipeGesture::unknown);
        run(1);
        const std::string outcome = dismissed() ? "dismissed"
                                    : std::abs(sheetY() - 354.48) < 1e-9 ? "half"
                                    : sheetY() == 0                       ? "full"
                                                                          : "elsewhere";
        EXPECT_EQ(outcome, c.outcome);
        if (!dismissed()) {
            EXPECT_EQ(View::animationRecords().back().duration, 0.6);
            navigation->dismiss(false);
            run(1);
        }
    }
}

TEST_F(HalfSheetTest, AFlickDownDismissesThroughTheInteractionThatFinishes) {
    present();
    ASSERT_TRUE(pan()->simulatePan({{0, 40}, {0, 80}, {0, 120}}));
    EXPECT_EQ(listener->dismissInteractive()->swipeGesture(), HalfSheetSwipeGesture::down);
    testsupport::pump();
    // The drag's dismissal runs linearly and ends.
    ASSERT_FALSE(View::animationRecords().empty());
    EXPECT_EQ(View::animationRecords().back().options, AnimationOptions::curveLinear);
    run(0.25);
    EXPECT_TRUE(dismissed());
    EXPECT_FALSE(listener->dismissInteractive()->isTransitionOpen());
    EXPECT_FALSE(listener->dismissInteractive()->wantsInteractiveStart());
}

TEST_F(HalfSheetTest, EveryOtherDismissalRunsTheAnimatorAlone) {
    present();
    // A drag that did not dismiss leaves no interactive start behind.
    pan()->simulatePan({{0, -40}, {0, -80}});
    EXPECT_EQ(listener->interactionControllerForDismissal(nullptr), nullptr);
    sheet->dismiss(true);
    run(0.25);
    EXPECT_TRUE(dismissed());
}

TEST_F(HalfSheetTest, AVetoedPanNeitherMovesNorRecords) {
    present();
    sheet->ignoreDrag = true;
    const double before = sheetY();
    ASSERT_TRUE(pan()->simulatePan({{0, -40}, {0, -80}}));
    EXPECT_EQ(sheetY(), before);
    // Only the release records a progress; the moves did not.
    EXPECT_TRUE(sheet->progresses.empty());
}

TEST_F(HalfSheetTest, TheLastProgressCarriesOverIntoTheNextPan) {
    present();
    auto interactive = listener->dismissInteractive();
    // The very first event has nothing to compare with.
    pan()->beginPan();
    EXPECT_EQ(interactive->swipeGesture(), HalfSheetSwipeGesture::unknown);
    pan()->movePan({0, -40});
    pan()->movePan({0, -80});
    pan()->endPan();
    run(1);
    ASSERT_EQ(sheetY(), 0);
    // The release's progress is kept; the next pan's first event compares with it.
    ASSERT_TRUE(interactive->lastProgress().has_value());
    EXPECT_GT(*interactive->lastProgress(), 0.03f);
    pan()->beginPan();
    EXPECT_EQ(interactive->swipeGesture(), HalfSheetSwipeGesture::up);
    pan()->endPan();
}

TEST_F(HalfSheetTest, AContainerHandsOnlyNavigationContentOn) {
    auto container = makeController<TestSheet>();
    auto plain = ViewController::create();
    StoryboardSegue segue("embed", container, plain);
    container->prepare(segue, nullptr);
    EXPECT_EQ(container->animatedSubViewController(), nullptr);
    EXPECT_EQ(container->interactiveSubViewController(), nullptr);
    EXPECT_FALSE(container->HalfSheetContainerViewController::shouldIgnoreDraggingOnPanGesture());
}

} // namespace
