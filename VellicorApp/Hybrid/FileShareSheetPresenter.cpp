#include "VellicorApp/Hybrid/FileShareSheetPresenter.hpp"

#include "Platform/Foundation/Dispatch.hpp"

namespace vellicor {

using platform::ui::PreviewController;
using platform::ui::ViewController;

std::shared_ptr<ViewController> frontMostPresenter(ViewController& screen) {
    auto presenter = screen.shared_from_this();
    while (auto presented = presenter->presentedViewController()) {
        // Presenting from the one that leaves waits for it to go.
        if (presented->isBeingDismissed()) break;
        presenter = std::move(presented);
    }
    return presenter;
}

std::shared_ptr<FileShareSheetPresenter> FileShareSheetPresenter::create(
    platform::Url previewItem, const std::shared_ptr<ViewController>& presentingViewController) {
    auto presenter = std::shared_ptr<FileShareSheetPresenter>(
        new FileShareSheetPresenter(std::move(previewItem), presentingViewController));
    presenter->previewController_->setDataSource(presenter);
    presenter->previewController_->setDelegate(presenter);
    return presenter;
}

FileShareSheetPresenter::FileShareSheetPresenter(platform::Url previewItem,
                                                 const std::shared_ptr<ViewController>& presentingViewController)
    : previewController_(PreviewController::create()), previewItem_(std::move(previewItem)),
      presentingViewController_(presentingViewController) {}

void FileShareSheetPresenter::present(platform::ui::Rect /*sourceRect*/, bool animated,
                                      std::function<void(bool)> completion) {
    completionHandler_ = std::move(completion);
    presentNow(animated, 0);
}

void FileShareSheetPresenter::presentNow(bool animated, int retries) {
    const auto screen = presentingViewController_.lock();
    if (!screen) {
        finish(false);
        return;
    }
    const auto presenter = frontMostPresenter(*screen);
    if (presenter->isBeingPresented() && retries < kMaximumRetries) {
        // The platform refuses to present over a screen that is still coming
        // in (a second file that arrived with the first): wait for it.
        platform::MainQueue::asyncAfter(kRetryInterval, [weakSelf = weak_from_this(), animated, retries] {
            if (auto self = weakSelf.lock()) self->presentNow(animated, retries + 1);
        });
        return;
    }
    // Over a screen on its way out the platform presents once it has gone.
    const bool waitsForDismissal = presenter->presentedViewController() != nullptr;
    presenter->present(previewController_, animated);
    // A presentation the platform cannot make is refused with a console
    // warning only: nobody would ever dismiss it.
    if (!waitsForDismissal && !previewController_->presentingViewController()) finish(false);
}

void FileShareSheetPresenter::finish(bool dismissed) {
    // Once: the completion may release this presenter.
    auto completion = std::move(completionHandler_);
    completionHandler_ = nullptr;
    if (completion) completion(dismissed);
}

long FileShareSheetPresenter::numberOfPreviewItems(PreviewController& /*controller*/) { return 1; }

platform::Url FileShareSheetPresenter::previewItemAt(PreviewController& /*controller*/, long /*index*/) {
    return previewItem_;
}

void FileShareSheetPresenter::previewControllerDidDismiss(PreviewController& /*controller*/) { finish(true); }

} // namespace vellicor
