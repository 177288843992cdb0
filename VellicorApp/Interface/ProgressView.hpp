#pragma once

#include "Platform/UI/ActivityIndicatorView.hpp"
#include "Platform/UI/ImageView.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/View.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// A full-size overlay with a spinner and a message while work runs; it can
/// end with a checkmark and "ACTION_COMPLETED". Made by the nib
/// "ProgressView". Main thread only.
class ProgressView : public platform::ui::View {
public:
    static constexpr const char* kNibName = "ProgressView";
    /// Each of the two fades of finishProgress.
    static constexpr double kFadeDuration = 0.3;

    /// A view from the nib; stops the app with "Failed to find
    /// FileDownloadProgressView xib" when the nib's first object is no progress view.
    static std::shared_ptr<ProgressView> loadFromNib();
    /// The nib's content (the factory registered under kNibName).
    static std::shared_ptr<ProgressView> makeNibContent();

    const std::optional<std::string>& messageText() const { return messageText_; }
    /// Sets the label's text; none or empty clears it.
    void setMessageText(std::optional<std::string> text);

    /// Covers `view`: its frame, pinned to its four edges, in front.
    void show(platform::ui::View& view);
    /// Leaves the view at once.
    void hide();
    /// Fades the spinner and message out (0.3 s), stops the spinner, shows
    /// "ACTION_COMPLETED", fades the checkmark and text in (0.3 s), then calls
    /// the completion and, when asked, hides. The completion runs also when
    /// the view is gone meanwhile.
    void finishProgress(bool shouldHide, std::function<void()> completion = {});

    std::string typeName() const override { return "ProgressView"; }

    std::shared_ptr<platform::ui::ActivityIndicatorView> activityIndicator() const { return activityIndicator_.lock(); }
    std::shared_ptr<platform::ui::Label> progressLabel() const { return progressLabel_.lock(); }
    std::shared_ptr<platform::ui::ImageView> checkmarkImage() const { return checkmarkImage_.lock(); }

protected:
    explicit ProgressView(platform::ui::Rect frame) : View(frame) {}

private:
    std::optional<std::string> messageText_;
    std::weak_ptr<platform::ui::ActivityIndicatorView> activityIndicator_;
    std::weak_ptr<platform::ui::Label> progressLabel_;
    std::weak_ptr<platform::ui::ImageView> checkmarkImage_;
};

} // namespace vellicor
