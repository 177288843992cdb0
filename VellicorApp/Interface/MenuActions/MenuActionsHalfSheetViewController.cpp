#include "VellicorApp/Interface/MenuActions/MenuActionsHalfSheetViewController.hpp"

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

std::shared_ptr<MenuActionsHalfSheetViewController> MenuActionsHalfSheetViewController::makeStoryboardContent() {
    return makeController<MenuActionsHalfSheetViewController>();
}

void MenuActionsHalfSheetViewController::loadView() {
    auto root = View::create(Rect{{0, 0}, kScreenSize});
    root->backgroundColor = Color::clear();
    root->accessibilityIdentifier = "MenuActions.sheet";
    auto container = View::create(root->bounds());
    container->accessibilityIdentifier = kSubViewContainerIdentifier;
    container->backgroundColor = Color::systemBackground();
    root->addSubview(container);
    subViewContainer_ = container;
    setView(root);
}

void MenuActionsHalfSheetViewController::viewDidLoad() {
    if (auto list = menuActionsListViewController()) list->configure();
}

void MenuActionsHalfSheetViewController::prepare(StoryboardSegue& segue, const nlohmann::json& sender) {
    HalfSheetContainerViewController::prepare(segue, sender);
    if (segue.identifier() != kEmbedSegue) return;
    auto navigation = std::dynamic_pointer_cast<NavigationController>(segue.destination());
    auto list = navigation ? std::dynamic_pointer_cast<MenuActionsListViewController>(navigation->topViewController())
                           : nullptr;
    menuActionsListViewController_ = list;
    if (list) {
        list->setScrollDelegate(std::static_pointer_cast<MenuActionsHalfSheetViewController>(shared_from_this()));
    }
}

void MenuActionsHalfSheetViewController::updateSubviews(
    const std::optional<HalfSheetPresentationConfiguration>& configuration, View& containerView) {
    HalfSheetContainerViewController::updateSubviews(configuration, containerView);
    auto container = subViewContainer();
    if (!container) return;
    if (!configuration) {
        container->layer().mask.reset();
        return;
    }
    const double radius = rawValue(configuration->cornerStyle);
    container->layer().mask = RoundedRectMask{containerView.bounds(), RectCorner::topLeft | RectCorner::topRight,
                                              Size{radius, radius}};
}

bool MenuActionsHalfSheetViewController::shouldIgnoreDraggingOnPanGesture() { return shouldIgnoreDrag_; }

void MenuActionsHalfSheetViewController::menuActionsListDidScroll(Point contentOffset) {
    shouldIgnoreDrag_ = contentOffset.y > 0;
}

void MenuActionsHalfSheetViewController::menuActionsListDidEndScrolling(Point contentOffset) {
    lastContentOffset_ = contentOffset;
    shouldIgnoreDrag_ = false;
}

bool MenuActionsHalfSheetViewController::shouldReceiveTouch(GestureRecognizer& /*recognizer*/,
                                                           const std::shared_ptr<View>& touchedView) {
    auto list = menuActionsListViewController();
    auto table = list ? list->tableView() : nullptr;
    if (table && touchedView && (touchedView == table || touchedView->isDescendant(*table)) &&
        lastContentOffset_.y > 0) {
        const Rect sheet = view()->frame;
        if (sheet == Rect{{0, 0}, sheet.size}) shouldIgnoreDrag_ = true;
    }
    return true;
}

bool MenuActionsHalfSheetViewController::shouldRecognizeSimultaneously(GestureRecognizer& /*recognizer*/,
                                                                      GestureRecognizer& /*other*/) {
    return !isDragDisabled;
}

} // namespace vellicor
