#pragma once

#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/PreviewController.hpp"
#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <memory>

namespace vellicor {

/// The controller from which a new modal screen over `screen` is presented:
/// the last controller presented over it that is not on its way out, else
/// the screen itself. A screen that already shows a preview or an alert so
/// shows the next one on top instead of refusing it.
std::shared_ptr<platform::ui::ViewController> frontMostPresenter(platform::ui::ViewController& screen);

/// Shows one local file in the system's file preview, from which the user can
/// share it, and reports when the preview has gone. Main thread.
class FileShareSheetPresenter : public platform::ui::PreviewControllerDataSource,
                                public platform::ui::PreviewControllerDelegate,
                                public std::enable_shared_from_this<FileShareSheetPresenter> {
public:
    /// The preview's data source and delegate are this presenter. The
    /// presenting screen is held weakly.
    static std::shared_ptr<FileShareSheetPresenter> create(platform::Url previewItem,
                                                           const std::shared_ptr<platform::ui::ViewController>& presentingViewController);

    /// The presenting screen (or what it already presents, see
    /// frontMostPresenter) presents the preview. `completion` runs once: with
    /// true when the preview has been dismissed, with false when it could not
    /// be shown (the screen is gone or its view is in no window). A screen
    /// whose own presentation is still coming in is tried again every
    /// kRetryInterval seconds, kMaximumRetries times at most. `sourceRect` is
    /// not used by the modal presentation.
    void present(platform::ui::Rect sourceRect, bool animated, std::function<void(bool)> completion);

    static constexpr double kRetryInterval = 0.1;
    static constexpr int kMaximumRetries = 20;

    const std::shared_ptr<platform::ui::PreviewController>& previewController() const { return previewController_; }
    const platform::Url& previewItem() const { return previewItem_; }

    long numberOfPreviewItems(platform::ui::PreviewController& controller) override;
    platform::Url previewItemAt(platform::ui::PreviewController& controller, long index) override;
    void previewControllerDidDismiss(platform::ui::PreviewController& controller) override;

private:
    FileShareSheetPresenter(platform::Url previewItem,
                            const std::shared_ptr<platform::ui::ViewController>& presentingViewController);

    std::shared_ptr<platform::ui::PreviewController> previewController_;
    platform::Url previewItem_;
    std::weak_ptr<platform::ui::ViewController> presentingViewController_;
    void presentNow(bool animated, int retries);
    void finish(bool dismissed);

    std::function<void(bool)> completionHandler_;
};

} // namespace vellicor
