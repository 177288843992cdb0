#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <optional>
#include <string>

namespace platform::ui {

class PreviewController;

/// Gives a file preview its items. Held weakly; asked on the main thread
/// when the preview appears and on reloadData().
class PLATFORM_EXPORT PreviewControllerDataSource {
public:
    virtual ~PreviewControllerDataSource() = default;
    virtual long numberOfPreviewItems(PreviewController& controller) = 0;
    /// The file URL of the item at `index` (0 ≤ index < numberOfPreviewItems).
    virtual Url previewItemAt(PreviewController& controller, long index) = 0;
};

/// What a file preview tells the app. Held weakly; main thread.
class PLATFORM_EXPORT PreviewControllerDelegate {
public:
    virtual ~PreviewControllerDelegate() = default;
    /// The preview is about to leave the screen for good.
    virtual void previewControllerWillDismiss(PreviewController& /*controller*/) {}
    /// The preview has left the screen for good: the user closed it with Done,
    /// or the app dismissed it (or a controller below it). Told on the main
    /// queue's next turn after the dismissal finished, when the preview is no
    /// longer presented.
    virtual void previewControllerDidDismiss(PreviewController& /*controller*/) {}
};

/// The system's file preview (the QuickLook screen): shows one item at a time
/// of those its data source gives, with a Done button that dismisses it.
/// Presented modally. The screen dump reads `PreviewView item="NAME"`, with
/// `index=I/N` when there are several items and `unreadable` when the file
/// is missing or no file URL; with no items, `PreviewView empty`.
class PLATFORM_EXPORT PreviewController : public ViewController {
public:
    static std::shared_ptr<PreviewController> create();

    std::shared_ptr<PreviewControllerDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(const std::shared_ptr<PreviewControllerDataSource>& dataSource) { dataSource_ = dataSource; }
    std::shared_ptr<PreviewControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<PreviewControllerDelegate>& delegate) { delegate_ = delegate; }

    /// Asks the data source again for its items; the current index stays
    /// when it still names an item, else goes back to 0.
    void reloadData();
    long numberOfItems() const { return count_; }
    long currentPreviewItemIndex() const { return index_; }
    /// Shows another item; an index outside the items is ignored.
    void setCurrentPreviewItemIndex(long index);
    /// The item shown, as the data source gave it; none without items.
    const std::optional<Url>& currentPreviewItem() const { return item_; }

    std::string typeName() const override { return "PreviewController"; }
    void loadView() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

protected:
    PreviewController() = default;

private:
    void readCurrentItem();

    std::weak_ptr<PreviewControllerDataSource> dataSource_;
    std::weak_ptr<PreviewControllerDelegate> delegate_;
    long count_ = 0;
    long index_ = 0;
    std::optional<Url> item_;
    bool dismissing_ = false;
};

} // namespace platform::ui
