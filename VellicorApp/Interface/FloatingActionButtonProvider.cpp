#include "VellicorApp/Interface/FloatingActionButtonProvider.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsStoryboard.hpp"

#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Window.hpp"

namespace vellicor {

using namespace platform::ui;
using platform::materialcomponents::MDCFloatingButton;

namespace {
constexpr const char* kTypeName = "FloatingActionButtonProvider";
constexpr const char* kButtonImageName = "FABIcon";
} // namespace

FloatingActionButtonProvider::FloatingActionButtonProvider()
    : floatingActionButton_(MDCFloatingButton::floatingButtonWithShape(MDCFloatingButton::Shape::defaultShape)) {
    floatingActionButton_->translatesAutoresizingMaskIntoConstraints = false;
    floatingActionButton_->backgroundColor = Color::systemBlue();
    floatingActionButton_->setImage(Image::named(kButtonImageName), ControlState::normal);
    floatingActionButton_->accessibilityIdentifier = kButtonIdentifier;
    floatingActionButton_->accessibilityLabel = "Developer menu";
}

FloatingActionButtonProvider::~FloatingActionButtonProvider() {
    if (notificationCenter_) notificationCenter_->removeObservers(this);
}

std::shared_ptr<FloatingActionButtonProvider> FloatingActionButtonProvider::create(const Context& context) {
    if (!context.yarrowinAppType()) {
        Logger::info("App is not a yarrowin app. Not adding floating action button (FAB).", kTypeName);
        return nullptr;
    }
    auto provider = std::shared_ptr<FloatingActionButtonProvider>(new FloatingActionButtonProvider());
    provider->attachControls();
    provider->notificationCenter_ = AppContext::current()->notificationCenter;
    provider->notificationCenter_->addObserver<FloatingActionButtonProvider>(
        provider, kWindowDidBecomeKeyNotification, nullptr,
        [](FloatingActionButtonProvider& self, const platform::Notification& notification) {
            self.keyWindowDidChange(notification);
        });
    return provider;
}

void FloatingActionButtonProvider::attachControls() {
    // Once for the provider's life: showing the button again only moves it.
    std::weak_ptr<FloatingActionButtonProvider> weakSelf = shared_from_this();
    floatingActionButton_->addAction(ControlEvent::touchUpInside, [weakSelf] {
        if (auto self = weakSelf.lock()) self->floatingActionButtonTapped();
    });
    floatingActionButton_->addGestureRecognizer(LongPressGestureRecognizer::create([weakSelf](GestureRecognizer& recognizer) {
        if (auto self = weakSelf.lock()) self->floatingActionButtonTapHold(recognizer);
    }));
    LayoutConstraint::activate({
        floatingActionButton_->anchor(LayoutAttribute::width).constraint(kButtonSize),
        floatingActionButton_->anchor(LayoutAttribute::height).constraint(kButtonSize),
    });
}

void FloatingActionButtonProvider::presentFloatingActionButton(const std::shared_ptr<ViewController>& viewController) {
    auto view = viewController ? viewController->view() : nullptr;
    if (!view) {
        Logger::error("Failed to display Floating Button since presenting view is nil.", kTypeName);
        return;
    }
    // Taken off first, so that the constraints to this view are never doubled.
    floatingActionButton_->removeFromSuperview();
    view->addSubview(floatingActionButton_);
    LayoutConstraint::activate({
        floatingActionButton_->anchor(LayoutAttribute::trailing)
            .constraint(view->anchor(LayoutAttribute::trailing), -kTrailingSpace),
        floatingActionButton_->anchor(LayoutAttribute::bottom)
            .constraint(view->safeAreaAnchor(LayoutAttribute::bottom), -kBottomSpace),
    });
    // Placed where the constraints put it (there is no layout pass here).
    const Rect bounds = view->bounds();
    floatingActionButton_->frame = Rect{{bounds.width() - kTrailingSpace - kButtonSize,
                                         bounds.height() - view->safeAreaInsets.bottom - kBottomSpace - kButtonSize},
                                        {kButtonSize, kButtonSize}};
}

void FloatingActionButtonProvider::keyWindowDidChange(const platform::Notification& notification) {
    for (const auto& window : Window::visibleWindows()) {
        if (window.get() != notification.object) continue;
        if (auto root = window->rootViewController()) presentFloatingActionButton(root);
        return;
    }
}

std::shared_ptr<ViewController> FloatingActionButtonProvider::activeTopViewController() {
    auto active = platform::veltrane::VQSDKWindowManager::sharedManager()->activeWindow();
    if (!active || !active->isEnabled()) return nullptr;
    return active->topViewController();
}

void FloatingActionButtonProvider::floatingActionButtonTapped() {
    auto top = activeTopViewController();
    if (!top) return;
    // One form of the menu at a time: the other one of an earlier tap is
    // dropped, so that the URL-rule screens open in the menu on screen.
    if (top->traitCollection().horizontalSizeClass == UserInterfaceSizeClass::regular) {
        menuActionsHalfSheetViewController_.reset();
        halfSheetTransitioningListener_.reset();
        auto navigation = MenuActionsStoryboard::instantiateMenuActionsNavigationController();
        menuActionsNavigationController_ = navigation;
        navigation->preferredContentSize = kPopoverSize;
        navigation->modalPresentationStyle = ModalPresentationStyle::popover;
        auto& popover = navigation->popoverPresentation();
        popover.permittedArrowDirections = PopoverArrowDirection::down;
        popover.sourceView = floatingActionButton_;
        popover.sourceRect = floatingActionButton_->bounds();
        if (auto presenter = top->navigationController()) presenter->present(navigation, true);
        return;
    }
    menuActionsNavigationController_.reset();
    auto sheet = MenuActionsStoryboard::instantiateHalfSheetViewController();
    menuActionsHalfSheetViewController_ = sheet;
    auto listener = HalfSheetTransitioningDelegateListener::create(sheet, top, HalfSheetPresentationConfiguration{});
    halfSheetTransitioningListener_ = listener;
    listener->attach();
    if (auto presenter = top->navigationController()) presenter->present(sheet, true);
}

void FloatingActionButtonProvider::floatingActionButtonTapHold(GestureRecognizer& recognizer) {
    if (recognizer.state() != GestureRecognizer::State::began) return;
    auto top = activeTopViewController();
    if (!top) return;
    auto alert = AlertController::create(localized("FAB_REMOVAL_ALERT_TITLE"), localized("FAB_REMOVAL_ALERT_MESSAGE"),
                                         AlertController::Style::alert);
    alert->addAction(AlertAction::create(localized("CANCEL_BUTTON"), AlertAction::Style::defaultStyle));
    std::weak_ptr<FloatingActionButtonProvider> weakSelf = shared_from_this();
    alert->addAction(AlertAction::create(localized("CONTINUE_BUTTON"), AlertAction::Style::defaultStyle, [weakSelf] {
        if (auto self = weakSelf.lock()) self->hideFloatingActionButton();
    }));
    top->present(alert, true);
}

void FloatingActionButtonProvider::hideFloatingActionButton() {
    hidden_ = true;
    std::weak_ptr<MDCFloatingButton> weakButton = floatingActionButton_;
    floatingActionButton_->collapse(true, [weakButton] {
        if (auto button = weakButton.lock()) button->isHidden = true;
    });
}

bool FloatingActionButtonProvider::isFloatingActionButtonHidden() const {
    return hidden_ || floatingActionButton_->isHidden;
}

void FloatingActionButtonProvider::presentManagedURLsContentView() {
    const auto openRules = [](const std::shared_ptr<ViewController>& first) {
        auto list = std::dynamic_pointer_cast<MenuActionsListViewController>(first);
        auto board = list ? list->storyboard() : nullptr;
        if (!board || !board->segue(MenuActionsStoryboard::kManagedURLsSegue)) return;
        list->performSegue(MenuActionsStoryboard::kManagedURLsSegue);
    };
    if (menuActionsNavigationController_ &&
        menuActionsNavigationController_->modalPresentationStyle == ModalPresentationStyle::popover) {
        const auto& stack = menuActionsNavigationController_->viewControllers();
        if (!stack.empty()) openRules(stack.front());
        return;
    }
    if (!menuActionsHalfSheetViewController_ || !halfSheetTransitioningListener_) return;
    std::weak_ptr<FloatingActionButtonProvider> weakSelf = shared_from_this();
    halfSheetTransitioningListener_->dismissInteractive()->animate(
        HalfSheetPresentationSize::full, HalfSheetInteractiveTransitioning::kPositionSpringDuration,
        [weakSelf, openRules](bool) {
            auto self = weakSelf.lock();
            auto sheet = self ? self->menuActionsHalfSheetViewController_ : nullptr;
            if (!sheet) return;
            for (const auto& child : sheet->children()) {
                auto navigation = std::dynamic_pointer_cast<NavigationController>(child);
                if (!navigation) continue;
                if (!navigation->viewControllers().empty()) openRules(navigation->viewControllers().front());
                return;
            }
        });
}

} // namespace vellicor
