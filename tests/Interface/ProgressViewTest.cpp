#include "VellicorApp/Interface/ProgressView.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;
using vellicor::ProgressView;

namespace {

class ProgressViewTest : public interfacetest::InterfaceTest {};

TEST_F(ProgressViewTest, ShowCoversTheViewAndHideTakesItAway) {
    auto progress = ProgressView::loadFromNib();
    progress->setMessageText("Downloading");
    auto view = screen->view();
    progress->show(*view);
    EXPECT_EQ(view->subviews().back(), progress);
    EXPECT_EQ(progress->frame, view->frame);
    EXPECT_EQ(progress->progressLabel()->text, "Downloading");
    progress->setMessageText(std::string{});
    EXPECT_EQ(progress->progressLabel()->text, "");
    progress->hide();
    EXPECT_EQ(progress->superview(), nullptr);
    // Leaving the view takes the pinning constraints with it.
    for (const auto& c : view->constraints()) EXPECT_NE(c.first.view.lock(), progress);
}

TEST_F(ProgressViewTest, TheMessageShowsOnlyWhenThereIsOne) {
    // The community screen shows the spinner without a message: no empty
    // label under it.
    auto progress = ProgressView::loadFromNib();
    progress->show(*screen->view());
    EXPECT_TRUE(progress->progressLabel()->isHidden);
    progress->setMessageText("Downloading");
    EXPECT_FALSE(progress->progressLabel()->isHidden);
    progress->setMessageText(std::string{});
    EXPECT_TRUE(progress->progressLabel()->isHidden);
    // Finishing shows its text even where there was no message.
    progress->finishProgress(false, {});
    run(0.6);
    EXPECT_EQ(progress->progressLabel()->text, "Done");
    EXPECT_FALSE(progress->progressLabel()->isHidden);
    progress->hide();
}

TEST_F(ProgressViewTest, FinishProgressFadesToTheCheckmarkThenCompletes) {
    for (const bool shouldHide : {false, true}) {
        SCOPED_TRACE(shouldHide ? "hides" : "stays");
        auto progress = ProgressView::loadFromNib();
        progress->show(*screen->view());
        std::vector<std::string> events;
        progress->finishProgress(shouldHide, [&] {
            events.push_back(progress->superview() ? "completion (shown)" : "completion (gone)");
        });
        EXPECT_EQ(progress->activityIndicator()->alpha, 0);
        run(0.3);
        EXPECT_TRUE(events.empty());
        EXPECT_FALSE(progress->activityIndicator()->isAnimating());
        EXPECT_EQ(progress->progressLabel()->text, "Done");
        testsupport::advance(0.29);
        testsupport::pump();
        EXPECT_TRUE(events.empty());
        run(0.01);
        // The completion runs first, then the view goes when asked.
        EXPECT_EQ(events, std::vector<std::string>{"completion (shown)"});
        EXPECT_EQ(progress->checkmarkImage()->alpha, 1);
        EXPECT_EQ(progress->progressLabel()->alpha, 1);
        EXPECT_EQ(progress->superview() == nullptr, shouldHide);
        progress->hide();
    }
}

TEST_F(ProgressViewTest, TheCompletionRunsWhenTheViewIsGone) {
    bool completed = false;
    {
        auto progress = ProgressView::loadFromNib();
        progress->finishProgress(true, [&] { completed = true; });
    }
    run(0.6);
    EXPECT_TRUE(completed);
}

} // namespace
