#include "Platform/UI/PresentationController.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/UI/Window.hpp"

#include <algorithm>

namespace platform::ui {

namespace {

// The sheet styles on a compact width leave the status bar area uncovered.
constexpr double kSheetTopInset = 54;
constexpr Size kFormSheetSize{540, 620};
constexpr Size kPageSheetSize{704, 0};
constexpr Size kPopoverSize{320, 480};
constexpr double kPopoverGap = 8;

} // namespace

std::shared_ptr<PresentationController> PresentationController::create(const std::shared_ptr<ViewController>& presented,
                                                                       const std::shared_ptr<ViewController>& presenting,
                                                                       ModalPresentationStyle style) {
    return makePresentationController<PresentationController>(presented, presenting, style);
}

PresentationController::PresentationController(const std::shared_ptr<ViewController>& presented,
                                               const std::shared_ptr<ViewController>& presenting,
                                               ModalPresentationStyle style)
    : presented_(presented), presenting_(presenting), style_(style) {}

PresentationController::~PresentationController() = default;

std::shared_ptr<View> PresentationController::presentedView() const {
    auto presented = presented_.lock();
    return presented ? presented->view() : nullptr;
}

Rect PresentationController::frameOfPresentedViewInContainerView() const {
    const Rect bounds = container_ ? container_->bounds() : Rect{{0, 0}, kScreenSize};
    auto presenting = presenting_.lock();
    const bool regular = presenting &&
                         presenting->traitCollection().horizontalSizeClass == UserInterfaceSizeClass::regular;
    const auto sheet = [&](Size size) {
        if (!regular) {
            return Rect{{0, kSheetTopInset}, {bounds.width(), std::max(0.0, bounds.height() - kSheetTopInset)}};
        }
        const double width = std::min(size.width, bounds.width());
        const double height = size.height > 0 ? std::min(size.height, bounds.height())
                                              : std::max(0.0, bounds.height() - kSheetTopInset);
        return Rect{{(bounds.width() - width) / 2, (bounds.height() - height) / 2}, {width, height}};
    };
    switch (style_) {
    case ModalPresentationStyle::pageSheet:
    case ModalPresentationStyle::automatic:
        return sheet(kPageSheetSize);
    case ModalPresentationStyle::formSheet:
        return sheet(kFormSheetSize);
    case ModalPresentationStyle::popover: {
        auto presented = presented_.lock();
        Size size = presented && presented->preferredContentSize.width > 0 && presented->preferredContentSize.height > 0
                        ? presented->preferredContentSize
                        : kPopoverSize;
        size.width = std::min(size.width, bounds.width());
        size.height = std::min(size.height, bounds.height());
        Rect source{{bounds.width() / 2, bounds.height() / 2}, {0, 0}};
        unsigned arrows = PopoverArrowDirection::any;
        if (presented) {
            arrows = presented->popoverPresentation().permittedArrowDirections;
            if (auto view = presented->popoverPresentation().sourceView.lock()) {
                const Rect rect = presented->popoverPresentation().sourceRect;
                source = Rect{view->convert(rect.origin, nullptr), rect.size};
            }
        }
        const double x = std::clamp(source.minX() + source.width() / 2 - size.width / 2, 0.0,
                                    bounds.width() - size.width);
        // An arrow pointing up puts the panel below the source; one pointing
        // down, above it.
        const bool above = (arrows & PopoverArrowDirection::down) != 0 &&
                           ((arrows & PopoverArrowDirection::up) == 0 ||
                            source.maxY() + kPopoverGap + size.height > bounds.height());
        const double wanted = above ? source.minY() - kPopoverGap - size.height : source.maxY() + kPopoverGap;
        const double y = std::clamp(wanted, 0.0, bounds.height() - size.height);
        return Rect{{x, y}, size};
    }
    case ModalPresentationStyle::fullScreen:
    case ModalPresentationStyle::overFullScreen:
    case ModalPresentationStyle::overCurrentContext:
    case ModalPresentationStyle::custom:
        break;
    }
    return bounds;
}

bool PresentationController::shouldRemovePresentersView() const {
    return style_ == ModalPresentationStyle::fullScreen;
}

double PresentationController::transitionDuration(bool /*presenting*/) const {
    return ViewController::kTransitionDuration;
}

void PresentationController::performTransition(bool presenting, bool animated, std::function<void(bool)> finished) {
    auto done = [finished = std::move(finished)] { finished(true); };
    if (animated) {
        MainQueue::asyncAfter(transitionDuration(presenting), std::move(done));
    } else {
        MainQueue::async(std::move(done));
    }
}

void PresentationController::installContainer(const std::shared_ptr<Window>& window) {
    if (!window) return;
    if (!container_) container_ = makeView<PresentationContainerView>(window->bounds());
    container_->frame = window->bounds();
    window->addSubview(container_);
}

void PresentationController::removeContainer() {
    if (!container_) return;
    if (auto view = presentedView(); view && view->superview() == container_) view->removeFromSuperview();
    container_->removeFromSuperview();
}

void PresentationController::detachPresentersView() {
    auto presenting = presenting_.lock();
    auto view = presenting ? presenting->viewIfLoaded() : nullptr;
    auto superview = view ? view->superview() : nullptr;
    if (!superview) return;
    const auto& siblings = superview->subviews();
    presenterIndex_ = static_cast<std::size_t>(std::find(siblings.begin(), siblings.end(), view) - siblings.begin());
    presenterSuperview_ = superview;
    presenterDetached_ = true;
    view->removeFromSuperview();
}

void PresentationController::restorePresentersView() {
    if (!presenterDetached_) return;
    presenterDetached_ = false;
    auto presenting = presenting_.lock();
    auto view = presenting ? presenting->viewIfLoaded() : nullptr;
    auto superview = presenterSuperview_.lock();
    if (!view || !superview || view->superview()) return;
    superview->insertSubview(view, std::min(presenterIndex_, superview->subviews().size()));
}

} // namespace platform::ui
