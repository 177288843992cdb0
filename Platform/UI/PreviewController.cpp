#include "Platform/UI/PreviewController.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/ViewDump.hpp"

#include <system_error>

namespace platform::ui {

namespace {

/// The preview's screen: the item's name, its place among the items and
/// whether the file could be read.
class PreviewView : public View {
public:
    std::weak_ptr<PreviewController> controller;

    std::string typeName() const override { return "PreviewView"; }

    void describeState(std::vector<std::string>& parts) const override {
        if (auto preview = controller.lock()) {
            const auto& item = preview->currentPreviewItem();
            if (!item) {
                parts.push_back("empty");
            } else {
                parts.push_back("item=" + dumpQuoted(item->lastPathComponent()));
                if (preview->numberOfItems() > 1) {
                    parts.push_back("index=" + std::to_string(preview->currentPreviewItemIndex() + 1) + "/" +
                                    std::to_string(preview->numberOfItems()));
                }
                if (!isReadableFile(*item)) parts.push_back("unreadable");
            }
        }
        View::describeState(parts);
    }

protected:
    explicit PreviewView(Rect frame) : View(frame) {}

private:
    static bool isReadableFile(const Url& item) {
        if (!item.isFileURL()) return false;
        std::error_code error;
        return std::filesystem::is_regular_file(item.filePath(), error);
    }
};

} // namespace

std::shared_ptr<PreviewController> PreviewController::create() { return makeController<PreviewController>(); }

void PreviewController::reloadData() {
    auto source = dataSource_.lock();
    count_ = source ? std::max(0L, source->numberOfPreviewItems(*this)) : 0;
    if (index_ >= count_) index_ = 0;
    readCurrentItem();
}

void PreviewController::setCurrentPreviewItemIndex(long index) {
    if (index < 0 || index >= count_) return;
    index_ = index;
    readCurrentItem();
}

void PreviewController::readCurrentItem() {
    auto source = dataSource_.lock();
    if (!source || count_ == 0) {
        item_.reset();
        return;
    }
    item_ = source->previewItemAt(*this, index_);
}

void PreviewController::loadView() {
    auto root = makeView<PreviewView>(Rect{{0, 0}, kScreenSize});
    root->controller = std::static_pointer_cast<PreviewController>(shared_from_this());
    root->backgroundColor = Color::white();
    auto done = Button::create();
    done->setTitle("Done");
    std::weak_ptr<PreviewController> weak = std::static_pointer_cast<PreviewController>(shared_from_this());
    done->addAction(ControlEvent::touchUpInside, [weak] {
        // The delegate hears of it as the preview leaves (viewDidDisappear).
        if (auto preview = weak.lock()) preview->dismiss(true);
    });
    root->addSubview(done);
    setView(root);
}

void PreviewController::viewWillAppear(bool /*animated*/) {
    dismissing_ = false;
    reloadData();
}

void PreviewController::viewWillDisappear(bool /*animated*/) {
    // Covered by another presentation is no dismissal.
    if (!isBeingDismissed()) return;
    dismissing_ = true;
    if (auto delegate = delegate_.lock()) delegate->previewControllerWillDismiss(*this);
}

void PreviewController::viewDidDisappear(bool /*animated*/) {
    if (!dismissing_) return;
    dismissing_ = false;
    // Told once the dismissal has finished and the preview is unlinked, so
    // that the delegate may present again at once.
    MainQueue::async([self = std::static_pointer_cast<PreviewController>(shared_from_this())] {
        if (auto delegate = self->delegate_.lock()) delegate->previewControllerDidDismiss(*self);
    });
}

} // namespace platform::ui
