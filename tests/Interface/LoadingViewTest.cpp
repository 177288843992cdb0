#include "VellicorApp/Interface/LoadingView.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;
using vellicor::LoadingView;
using Stage = LoadingView::ErrorMessage;

namespace {

class LoadingViewTest : public interfacetest::InterfaceTest {
protected:
    std::function<void(platform::Json&)> editInfo() override {
        return [this](platform::Json& info) {
            info.erase("LoginViewNavBarColor");
            if (barColor) info["LoginViewNavBarColor"] = *barColor;
        };
    }

    /// A loading view as the loading screen leaves it before it starts the
    /// stages: reset and hidden.
    std::shared_ptr<LoadingView> preparedView() {
        auto view = LoadingView::makeStoryboardContent({});
        view->reset(false);
        view->hide(false);
        return view;
    }

    /// Moves the clock to `seconds` after the start of the test.
    void runTo(double seconds) {
        run(seconds - elapsed);
        elapsed = seconds;
    }

    std::optional<std::string> barColor;
    double elapsed = 0;
};

struct Checkpoint {
    double time;
    double viewAlpha;
    std::string text;
    double labelAlpha;
    double retryAlpha;
    bool spinning;
};

TEST_F(LoadingViewTest, StagesFadeInChangeTheMessageAndOfferRetry) {
    auto view = preparedView();
    view->startDeferredAnimations();
    const auto label1 = LoadingView::text(Stage::showLoading);
    const Checkpoint timeline[] = {
        {4.9, 0, label1, 1, 0, true},
        {5.05, 1, label1, 1, 0, true},
        {15.05, 1, label1, 0, 0, true}, // fading out
        {15.35, 1, LoadingView::text(Stage::showPatienceLabel1), 1, 0, true},
        {30.35, 1, LoadingView::text(Stage::showPatienceLabel2), 1, 0, true},
        {45.35, 1, LoadingView::text(Stage::showPatienceLabel3), 1, 0, true},
        {75.35, 1, LoadingView::text(Stage::showRetryButton), 1, 0, true},
        {75.65, 1, LoadingView::text(Stage::showRetryButton), 1, 1, false},
    };
    for (const auto& c : timeline) {
        runTo(c.time);
        SCOPED_TRACE(c.time);
        EXPECT_EQ(view->alpha, c.viewAlpha);
        EXPECT_EQ(view->statusLabel()->text, c.text);
        EXPECT_EQ(view->statusLabel()->alpha, c.labelAlpha);
        EXPECT_EQ(view->retryButton()->alpha, c.retryAlpha);
        EXPECT_EQ(view->activityIndicator()->isAnimating(), c.spinning);
    }
    EXPECT_NE(LoadingView::text(Stage::showPatienceLabel1), label1);
}

TEST_F(LoadingViewTest, ResetAfterTwentySecondsCancelsTheLaterStages) {
    auto view = preparedView();
    view->startDeferredAnimations();
    runTo(20);
    ASSERT_EQ(view->statusLabel()->text, LoadingView::text(Stage::showPatienceLabel1));
    view->reset(true);
    runTo(20.7);
    EXPECT_EQ(view->statusLabel()->text, LoadingView::text(Stage::showLoading));
    for (const double t : {30.5, 45.5, 76.0, 120.0}) {
        runTo(t);
        SCOPED_TRACE(t);
        EXPECT_EQ(view->statusLabel()->text, LoadingView::text(Stage::showLoading));
        EXPECT_EQ(view->statusLabel()->alpha, 1);
        EXPECT_EQ(view->retryButton()->alpha, 0);
        EXPECT_TRUE(view->activityIndicator()->isAnimating());
    }
    EXPECT_EQ(view->alpha, 1); // stage 1 had fired before the reset
}

TEST_F(LoadingViewTest, OfflineBeforeFiveSecondsCancelsEveryStage) {
    auto view = preparedView();
    view->startDeferredAnimations();
    runTo(2);
    view->showNoConnection(true);
    const auto offline = vellicor::localized("OFFLINE_TEXT");
    runTo(2.35);
    EXPECT_EQ(view->statusLabel()->text, offline);
    EXPECT_TRUE(view->activityIndicator()->isAnimating()); // the retry button comes after the fade-in
    runTo(2.65);
    EXPECT_EQ(view->retryButton()->alpha, 1);
    EXPECT_FALSE(view->activityIndicator()->isAnimating());
    runTo(80);
    EXPECT_EQ(view->alpha, 0) << "the loading screen decides whether to show it";
    EXPECT_EQ(view->statusLabel()->text, offline);
    EXPECT_EQ(view->retryButton()->alpha, 1);
}

TEST_F(LoadingViewTest, OfflineAtOnceKeepsTheLabelAlpha) {
    auto view = preparedView();
    view->statusLabel()->alpha = 0.5;
    view->showNoConnection(false);
    EXPECT_EQ(view->statusLabel()->text, vellicor::localized("OFFLINE_TEXT"));
    EXPECT_EQ(view->statusLabel()->alpha, 0.5);
    EXPECT_EQ(view->retryButton()->alpha, 1);
    EXPECT_FALSE(view->activityIndicator()->isAnimating());
    EXPECT_TRUE(View::animationRecords().empty());
}

TEST_F(LoadingViewTest, AResetDuringTheLastStageKeepsTheRetryButtonHidden) {
    auto view = preparedView();
    view->startDeferredAnimations();
    runTo(75.1); // the label fades out for "LOADING_LABEL_5"
    view->reset(true);
    runTo(76.5);
    EXPECT_EQ(view->statusLabel()->text, LoadingView::text(Stage::showLoading));
    EXPECT_EQ(view->statusLabel()->alpha, 1);
    EXPECT_EQ(view->retryButton()->alpha, 0);
    EXPECT_TRUE(view->activityIndicator()->isAnimating());
}

TEST_F(LoadingViewTest, ARestartReplacesTheStagesOfAReset) {
    auto view = preparedView();
    view->startDeferredAnimations();
    runTo(10);
    view->reset(false);
    view->startDeferredAnimations();
    runTo(15.5);
    EXPECT_EQ(view->statusLabel()->text, LoadingView::text(Stage::showLoading)) << "the old stage 2 was cancelled";
    runTo(25.5);
    EXPECT_EQ(view->statusLabel()->text, LoadingView::text(Stage::showPatienceLabel1));
}

TEST_F(LoadingViewTest, AReleasedViewIsNotKeptAliveByItsStages) {
    std::weak_ptr<LoadingView> weak;
    {
        auto view = preparedView();
        view->startDeferredAnimations();
        weak = view;
    }
    EXPECT_TRUE(weak.expired());
    View::clearAnimationRecords();
    runTo(80);
    EXPECT_TRUE(View::animationRecords().empty());
}

TEST_F(LoadingViewTest, AViewWithoutOutletsOnlyFades) {
    auto view = LoadingView::create();
    view->reset(true);
    view->showNoConnection(true);
    view->startDeferredAnimations();
    runTo(80);
    EXPECT_EQ(view->alpha, 1);
    EXPECT_EQ(view->statusLabel(), nullptr);
}

struct StyleCase {
    const char* name;
    std::optional<std::string> hex;
    Color spinner;
    Color text;
    std::optional<Color> buttonBackground;
    Color title;
    std::optional<Color> border;
};

class LoadingViewStyleTest : public LoadingViewTest, public ::testing::WithParamInterface<StyleCase> {
protected:
    void SetUp() override {
        barColor = GetParam().hex;
        LoadingViewTest::SetUp();
    }
};

TEST_P(LoadingViewStyleTest, OutletsTakeTheBarColour) {
    const auto& c = GetParam();
    auto view = LoadingView::makeStoryboardContent({});
    EXPECT_EQ(view->activityIndicator()->color, c.spinner);
    EXPECT_EQ(view->statusLabel()->textColor, c.text);
    EXPECT_EQ(view->statusLabel()->text, LoadingView::text(Stage::showLoading));
    EXPECT_EQ(view->retryButton()->title(ControlState::normal), "Retry");
    EXPECT_EQ(view->retryButton()->backgroundColor, c.buttonBackground);
    EXPECT_EQ(view->retryButton()->titleColor(ControlState::normal), c.title);
    EXPECT_EQ(view->retryButton()->layer().borderColor, c.border);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, LoadingViewStyleTest,
    ::testing::Values(
        StyleCase{"bright", "#FFFFFF", Color::black(), Color::black(), Color::white(), Color::black(), Color::black()},
        StyleCase{"dark", "#000000", Color::white(), Color::white(), Color::black(), Color::white(), Color::white()},
        // Without a colour the interface file's colours stay; the button's background is cleared.
        StyleCase{"none", std::nullopt, Color::systemGray(), Color::secondaryLabel(), std::nullopt,
                  Color::systemBlue(), std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
