#include "VellicorApp/Hybrid/FilesEventHandler.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/AlertController.hpp"

namespace vellicor {

namespace {

constexpr const char* kLogType = "FilesEventHandler";

NativeEventResult unknownFailure() { return std::unexpected(NetworkError::transport()); }

/// Errors the page presents itself get no native alert.
bool shouldAlert(const ParseableError& error) {
    const auto& wrapped = error.legacyError();
    return !(error.kind() == ParseableError::Case::legacy && wrapped && hybridShouldHandle(*wrapped));
}

} // namespace

std::shared_ptr<FilesEventHandler> FilesEventHandler::create(
    std::weak_ptr<CommunityViewControllable> communityViewController, std::shared_ptr<FilesFetcher> filesFetcher) {
    return std::shared_ptr<FilesEventHandler>(
        new FilesEventHandler(std::move(communityViewController), std::move(filesFetcher)));
}

void FilesEventHandler::handle(const NativeEvent& event, NativeEventCompletion completion) {
    const auto recordID = platform::jsonString(event.attributes, "recordId");
    if (!recordID) {
        completion(std::unexpected(NetworkError::missionRecordID()));
        return;
    }
    const auto screen = communityViewController_.lock();
    if (!screen) {
        completion(unknownFailure());
        return;
    }
    auto progress = ProgressView::loadFromNib();
    progress->setMessageText(localized("DOWNLOAD_IN_PROGRESS", "File download in progress message description"));
    progress->show(*screen->viewController().view());
    progressView_ = progress;
    filesFetcher_->fetchFile(
        *recordID, event.attributes,
        [weakSelf = weak_from_this(), completion = std::move(completion)](std::optional<platform::Url> url,
                                                                          std::optional<ParseableError> error) {
            // The fetch may end on any thread; the overlay and the preview are the main thread's.
            platform::MainQueue::async([weakSelf, completion, url = std::move(url), error = std::move(error)] {
                if (auto self = weakSelf.lock()) {
                    self->fetchDidEnd(url, error, completion);
                } else {
                    completion(unknownFailure());
                }
            });
        });
}

void FilesEventHandler::fetchDidEnd(const std::optional<platform::Url>& url, const std::optional<ParseableError>& error,
                                    const NativeEventCompletion& completion) {
    // Answering the page may release this handler.
    const auto self = shared_from_this();
    if (url) {
        const auto progress = progressView_.lock();
        if (!progress) {
            showFile(*url, completion);
            return;
        }
        progress->finishProgress(false, [weakSelf = weak_from_this(), url = *url, completion] {
            if (auto handler = weakSelf.lock()) {
                handler->showFile(url, completion);
            } else {
                completion(unknownFailure());
            }
        });
        return;
    }
    // The page hears first; then the overlay goes and the user is told.
    completion(std::unexpected(NetworkError::transport(error)));
    removeProgressView();
    if (error && shouldAlert(*error)) showAlert(*error);
}

void FilesEventHandler::showFile(const platform::Url& url, const NativeEventCompletion& completion) {
    const auto self = shared_from_this();
    const auto screen = communityViewController_.lock();
    if (!screen) {
        removeProgressView();
        completion(unknownFailure());
        return;
    }
    shareSheetPresenter_ = FileShareSheetPresenter::create(url, screen->viewController().shared_from_this());
    shareSheetPresenter_->present({}, true, [completion](bool dismissed) {
        if (dismissed) {
            completion(platform::Json{{"message", "Success"}});
            return;
        }
        Logger::error("Failed to show the file preview: the screen cannot present it.", kLogType);
        completion(unknownFailure());
    });
    removeProgressView();
}

void FilesEventHandler::showAlert(const ParseableError& error) {
    const auto screen = communityViewController_.lock();
    if (!screen) return;
    auto alert = platform::ui::AlertController::create(std::nullopt, localizedDescription(error),
                                                       platform::ui::AlertController::Style::alert);
    alert->addAction(platform::ui::AlertAction::create(localized("LABEL_OK", "Ok button action"),
                                                       platform::ui::AlertAction::Style::defaultStyle));
    frontMostPresenter(screen->viewController())->present(alert, true);
}

void FilesEventHandler::removeProgressView() {
    if (auto progress = progressView_.lock()) progress->hide();
}

} // namespace vellicor
