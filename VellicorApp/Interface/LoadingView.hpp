#pragma once

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/ActivityIndicatorView.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/View.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vellicor {

/// The spinner, message and retry button the loading screen shows while the
/// app starts. It stays invisible for five seconds, then fades in, and the
/// longer the wait lasts the more its message changes, until after 75 s it
/// offers the retry button. The view decides nothing itself: the loading
/// screen tells it when to reset, start, show and hide.
///
/// Main thread only. The timed stages are cancellable work items on the main
/// queue that hold the view weakly: a view that is gone is not kept alive by
/// them and nothing happens when they fire.
class LoadingView : public platform::ui::View {
public:
    /// The timed stages, in order, each with its delay after
    /// startDeferredAnimations() and what it does when it fires.
    enum class ErrorMessage {
        showLoading,        // 5 s: the view fades in (its label already reads "LOADING_LABEL_1")
        showPatienceLabel1, // 15 s: "LOADING_LABEL_2"
        showPatienceLabel2, // 30 s: "LOADING_LABEL_3"
        showPatienceLabel3, // 45 s: "LOADING_LABEL_4"
        showRetryButton,    // 75 s: "LOADING_LABEL_5", then the retry button
    };
    static constexpr std::size_t kStageCount = 5;
    /// The stage's localised message.
    static std::string text(ErrorMessage stage);
    /// Seconds from the start of the stages to this one.
    static double delay(ErrorMessage stage);

    /// Each fade of the label, of reset and of showRetryButton.
    static constexpr double kFadeDuration = 0.3;
    /// The fade-in of show.
    static constexpr double kShowDuration = 1.0;

    /// A view without outlets (made in code); the operations then change
    /// only the view's own alpha.
    static std::shared_ptr<LoadingView> create(platform::ui::Rect frame = {});
    /// The loading screen's view as its interface file lays it out: spinner,
    /// label and retry button, connected (and styled) as outlets; a tap on the
    /// button calls `retryAction`.
    static std::shared_ptr<LoadingView> makeStoryboardContent(std::function<void()> retryAction);

    /// Cancels the stages, shows "LOADING_LABEL_1", hides the retry button and
    /// starts the spinner; when animated, the changes fade over 0.3 s.
    void reset(bool animated);
    /// Fades the view in over 1.0 s (ease-out) when animated, else at once.
    void show(bool animated, std::function<void()> completion = {});
    /// Fades the view out over 1.0 s when animated, else at once.
    void hide(bool animated, std::function<void()> completion = {});
    /// Replaces the message. Animated: the label fades out (0.3 s), then in
    /// with the new text (0.3 s), then the completion runs; a change made
    /// meanwhile (another message, a reset, the offline state) wins, and this
    /// one's text and completion are dropped.
    void updatePatienceLabel(const std::string& text, bool animated, std::function<void()> completion = {});
    /// Stops the spinner and shows the retry button (over 0.3 s when animated).
    void showRetryButton(bool animated);
    /// Cancels the stages and shows "OFFLINE_TEXT" and the retry button.
    void showNoConnection(bool animated);
    /// Schedules the five stages on the main queue. Stages already scheduled
    /// are released, not cancelled: callers reset the view first.
    void startDeferredAnimations();

    std::string typeName() const override { return "LoadingView"; }

    std::shared_ptr<platform::ui::ActivityIndicatorView> activityIndicator() const { return activityIndicator_.lock(); }
    std::shared_ptr<platform::ui::Label> statusLabel() const { return statusLabel_.lock(); }
    std::shared_ptr<platform::ui::Button> retryButton() const { return retryButton_.lock(); }

protected:
    explicit LoadingView(platform::ui::Rect frame) : View(frame) {}

private:
    void cancelDeferredAnimations();
    /// Sets the view's alpha, over kShowDuration (ease-out) when animated.
    void fade(double target, bool animated, std::function<void()> completion);
    void runStage(ErrorMessage stage);
    // Outlets style themselves from the context's navigation-bar colour as
    // they are connected.
    void setActivityIndicator(const std::shared_ptr<platform::ui::ActivityIndicatorView>& indicator);
    void setStatusLabel(const std::shared_ptr<platform::ui::Label>& label);
    void setRetryButton(const std::shared_ptr<platform::ui::Button>& button);

    std::weak_ptr<platform::ui::ActivityIndicatorView> activityIndicator_;
    std::weak_ptr<platform::ui::Label> statusLabel_;
    std::weak_ptr<platform::ui::Button> retryButton_;
    /// Counts the label's changes, so that an animated change overtaken by a
    /// later one drops its text and its completion.
    std::uint64_t labelChange_ = 0;
    /// The scheduled stages, in stage order; null when none is scheduled.
    std::array<std::shared_ptr<platform::WorkItem>, kStageCount> stages_;
};

} // namespace vellicor
