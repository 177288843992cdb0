#pragma once

#include "VellicorApp/Community/FilesFetcher.hpp"
#include "VellicorApp/Hybrid/EventHandling.hpp"
#include "VellicorApp/Hybrid/FileShareSheetPresenter.hpp"
#include "VellicorApp/Interface/ProgressView.hpp"

#include <memory>

namespace vellicor {

class CommunityViewControllable;

/// Carries out "downloadFile": fetches the file of the record "recordId"
/// (all the event's attributes go to the fetcher) under a progress overlay
/// on the community screen, then shows it in the file preview. Main thread.
///
/// The page is answered once: {"message": "Success"} only when the user has
/// closed the preview, so the page waits for the whole preview session; a
/// missing or non-text "recordId" at once with missionRecordID (no overlay);
/// a failed fetch with its error, after which the overlay goes and an alert
/// shows the error unless it is flagged for the page to present
/// (hybridShouldHandle). A fetch that ends with neither file nor error, a
/// screen that is gone and a preview the screen cannot show are answered
/// with NetworkError::transport() and no alert. A file that arrives after its
/// overlay went still shows.
class FilesEventHandler : public EventHandling, public std::enable_shared_from_this<FilesEventHandler> {
public:
    /// The screen is held weakly; the fetcher is kept until the handler goes.
    static std::shared_ptr<FilesEventHandler> create(std::weak_ptr<CommunityViewControllable> communityViewController,
                                                     std::shared_ptr<FilesFetcher> filesFetcher);

    void handle(const NativeEvent& event, NativeEventCompletion completion) override;

    /// The overlay of the running download, while it is shown.
    std::shared_ptr<ProgressView> progressView() const { return progressView_.lock(); }
    /// The presenter of the file shown, kept until the handler goes.
    const std::shared_ptr<FileShareSheetPresenter>& shareSheetPresenter() const { return shareSheetPresenter_; }

private:
    FilesEventHandler(std::weak_ptr<CommunityViewControllable> communityViewController,
                      std::shared_ptr<FilesFetcher> filesFetcher)
        : filesFetcher_(std::move(filesFetcher)), communityViewController_(std::move(communityViewController)) {}

    void fetchDidEnd(const std::optional<platform::Url>& url, const std::optional<ParseableError>& error,
                     const NativeEventCompletion& completion);
    void showFile(const platform::Url& url, const NativeEventCompletion& completion);
    void showAlert(const ParseableError& error);
    void removeProgressView();

    std::shared_ptr<FilesFetcher> filesFetcher_;
    std::shared_ptr<FileShareSheetPresenter> shareSheetPresenter_;
    // The screen's view owns the overlay.
    std::weak_ptr<ProgressView> progressView_;
    std::weak_ptr<CommunityViewControllable> communityViewController_;
};

} // namespace vellicor
