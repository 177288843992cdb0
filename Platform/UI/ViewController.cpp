#include "Platform/UI/ViewController.hpp"

#include "Platform/Foundation/Console.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/PresentationController.hpp"
#include "Platform/UI/Transitioning.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/TabBarController.hpp"
#include "Platform/UI/Window.hpp"

#include <algorithm>

namespace platform::ui {

// Bar and tab items -------------------------------------------------------------

std::shared_ptr<BarButtonItem> BarButtonItem::withTitle(std::string title, Style style, std::function<void()> action) {
    auto item = std::make_shared<BarButtonItem>();
    item->title = std::move(title);
    item->style = style;
    item->action = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withImage(std::shared_ptr<Image> image, Style style,
                                                        std::function<void()> action) {
    auto item = std::make_shared<BarButtonItem>();
    item->image = std::move(image);
    item->style = style;
    item->action = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withSystemItem(SystemItem systemItem, std::function<void()> action) {
    auto item = std::make_shared<BarButtonItem>();
    item->systemItem = systemItem;
    item->style = systemItem == SystemItem::done ? Style::done : Style::plain;
    item->action = std::move(action);
    return item;
}

std::shared_ptr<BarButtonItem> BarButtonItem::withCustomView(std::shared_ptr<View> view) {
    auto item = std::make_shared<BarButtonItem>();
    item->customView = std::move(view);
    return item;
}

bool BarButtonItem::simulateTap() {
    if (!isEnabled) return false;
    if (customView) return customView->simulateTap();
    if (!action) return false;
    // The action may replace this item (and with it the action).
    auto run = action;
    run();
    return true;
}

std::shared_ptr<TabBarItem> TabBarItem::create(std::string title, std::shared_ptr<Image> image, int tag) {
    auto item = std::make_shared<TabBarItem>();
    item->title = std::move(title);
    item->image = std::move(image);
    item->tag = tag;
    return item;
}

// Helpers ------------------------------------------------------------------------

namespace {

// The presentation context of a controller: its top-most ancestor.
std::shared_ptr<ViewController> topMostAncestor(std::shared_ptr<ViewController> controller) {
    while (auto parent = controller->parent()) controller = std::move(parent);
    return controller;
}

bool viewIsInWindow(const ViewController& controller) {
    auto view = controller.viewIfLoaded();
    return view && view->window() != nullptr;
}

bool isShowing(ViewController::Appearance appearance) {
    return appearance == ViewController::Appearance::appearing || appearance == ViewController::Appearance::appeared;
}

// Runs a transition step after the animation time, or on the next turn of the main queue.
void scheduleTransition(bool animated, double duration, std::function<void()> step) {
    if (animated) {
        MainQueue::asyncAfter(duration, std::move(step));
    } else {
        MainQueue::async(std::move(step));
    }
}

} // namespace

// Life cycle ---------------------------------------------------------------------

std::shared_ptr<ViewController> ViewController::create() { return makeController<ViewController>(); }

ViewController::ViewController() = default;

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view() {
    loadViewIfNeeded();
    return view_;
}

void ViewController::loadViewIfNeeded() {
    if (view_ || loadingView_) return;
    auto self = shared_from_this();
    loadingView_ = true;
    loadView();
    loadingView_ = false;
    if (!view_) {
        // A loadView override that set no view: the platform would load the default one.
        ViewController::loadView();
    }
    view_->setOwningViewController(self);
    for (const auto& identifier : embedSegueIdentifiers) performSegue(identifier);
    viewDidLoad();
}

void ViewController::setView(std::shared_ptr<View> view) {
    if (view_ && view_ != view && view_->owningViewController().get() == this) view_->setOwningViewController(nullptr);
    view_ = std::move(view);
    if (view_ && !weak_from_this().expired()) view_->setOwningViewController(shared_from_this());
}

void ViewController::loadView() {
    auto view = View::create(Rect{{0, 0}, kScreenSize});
    view->backgroundColor = Color::white();
    view_ = std::move(view);
}

std::string ViewController::description() const {
    std::string text = "<" + typeName();
    if (title && !title->empty()) text += " \"" + *title + "\"";
    return text + ">";
}

std::shared_ptr<TabBarItem> ViewController::tabBarItem() {
    if (!tabBarItem_) tabBarItem_ = TabBarItem::create(title.value_or(""));
    return tabBarItem_;
}

// Appearance -----------------------------------------------------------------------

void ViewController::beginAppearanceTransition(bool appearing, bool animated) {
    auto self = shared_from_this();
    if (appearing) {
        if (isShowing(appearance_)) return;
        appearance_ = Appearance::appearing;
        appearanceAnimated_ = animated;
        loadViewIfNeeded();
        viewWillAppear(animated);
        prepareChildrenForAppearance();
    } else {
        if (!isShowing(appearance_)) return;
        appearance_ = Appearance::disappearing;
        appearanceAnimated_ = animated;
        viewWillDisappear(animated);
    }
    for (const auto& child : appearanceChildren()) {
        if (child) child->beginAppearanceTransition(appearing, animated);
    }
}

void ViewController::endAppearanceTransition() {
    auto self = shared_from_this();
    if (appearance_ == Appearance::appearing) {
        appearance_ = Appearance::appeared;
        viewDidAppear(appearanceAnimated_);
    } else if (appearance_ == Appearance::disappearing) {
        appearance_ = Appearance::disappeared;
        viewDidDisappear(appearanceAnimated_);
    } else {
        return;
    }
    for (const auto& child : appearanceChildren()) {
        if (child) child->endAppearanceTransition();
    }
}

void ViewController::rootViewDidMoveToWindow() {
    auto self = shared_from_this();
    if (viewIsInWindow(*this)) {
        // A child appears with its view when its parent is shown and shows it.
        auto parent = this->parent();
        if (!parent || appearance_ != Appearance::disappeared || !isShowing(parent->appearance_)) return;
        auto parentView = parent->viewIfLoaded();
        if (!parentView || !view_->isDescendant(*parentView)) return;
        const auto shown = parent->appearanceChildren();
        if (std::find(shown.begin(), shown.end(), self) == shown.end()) return;
        beginAppearanceTransition(true, false);
        // A parent still appearing ends its children's transitions itself.
        if (parent->appearance_ == Appearance::appeared) endAppearanceTransition();
    } else if (isShowing(appearance_)) {
        beginAppearanceTransition(false, false);
        endAppearanceTransition();
    }
}

// Traits ----------------------------------------------------------------------------

TraitCollection ViewController::traitCollection() const {
    if (traits_) return *traits_;
    if (auto parent = this->parent()) return parent->traitCollection();
    if (auto presenting = presenting_.lock()) return presenting->traitCollection();
    return TraitCollection{};
}

void ViewController::setTraitCollection(const TraitCollection& traits) {
    // This controller, its children and what it presents, each with the traits
    // it had before (children inherit theirs, so read them all first).
    std::vector<std::pair<std::shared_ptr<ViewController>, TraitCollection>> subtree;
    std::vector<std::shared_ptr<ViewController>> pending{shared_from_this()};
    while (!pending.empty()) {
        auto controller = std::move(pending.back());
        pending.pop_back();
        subtree.emplace_back(controller, controller->traitCollection());
        if (controller->presented_) pending.push_back(controller->presented_);
        for (auto it = controller->children_.rbegin(); it != controller->children_.rend(); ++it) pending.push_back(*it);
    }
    for (auto& [controller, previous] : subtree) controller->traits_ = traits;
    for (auto& [controller, previous] : subtree) {
        if (previous == traits) continue;
        controller->traitCollectionDidChange(previous);
        // The views of its tree hear it too (those of other controllers hear it from theirs).
        std::vector<std::shared_ptr<View>> views;
        if (controller->view_) views.push_back(controller->view_);
        while (!views.empty()) {
            auto view = std::move(views.back());
            views.pop_back();
            view->traitCollectionDidChange();
            for (const auto& subview : view->subviews()) {
                auto owner = subview->owningViewController();
                if (!owner || owner == controller) views.push_back(subview);
            }
        }
    }
}

void ViewController::transitionToSize(Size size, const std::optional<TraitCollection>& traits) {
    std::vector<std::shared_ptr<ViewController>> subtree;
    std::vector<std::shared_ptr<ViewController>> pending{shared_from_this()};
    while (!pending.empty()) {
        auto controller = std::move(pending.back());
        pending.pop_back();
        subtree.push_back(controller);
        if (controller->presented_) pending.push_back(controller->presented_);
        for (auto it = controller->children_.rbegin(); it != controller->children_.rend(); ++it) pending.push_back(*it);
    }
    for (const auto& controller : subtree) controller->viewWillTransitionToSize(size);
    if (traits) setTraitCollection(*traits);
}

// Containment ---------------------------------------------------------------------------

void ViewController::addChild(const std::shared_ptr<ViewController>& child) {
    if (!child || child.get() == this) return;
    auto self = shared_from_this();
    if (child->parent() == self) return;
    if (child->parent()) child->removeFromParent();
    child->willMove(self);
    children_.push_back(child);
    child->parent_ = self;
    if (isShowing(appearance_)) {
        // The view tree reports the child's view entering the window; for a view
        // tree that does not, look once more on the next turn.
        std::weak_ptr<ViewController> weak = child;
        MainQueue::async([weak] {
            auto controller = weak.lock();
            if (controller && viewIsInWindow(*controller)) controller->rootViewDidMoveToWindow();
        });
    }
}

void ViewController::removeFromParent() {
    auto parent = this->parent();
    if (!parent) return;
    auto self = shared_from_this();
    std::erase(parent->children_, self);
    parent_.reset();
    didMove(nullptr);
}

std::shared_ptr<NavigationController> ViewController::navigationController() const {
    for (auto controller = parent(); controller; controller = controller->parent()) {
        if (auto navigation = std::dynamic_pointer_cast<NavigationController>(controller)) return navigation;
    }
    return nullptr;
}

std::shared_ptr<TabBarController> ViewController::tabBarController() const {
    for (auto controller = parent(); controller; controller = controller->parent()) {
        if (auto tabs = std::dynamic_pointer_cast<TabBarController>(controller)) return tabs;
    }
    return nullptr;
}

// Modal presentation -----------------------------------------------------------------------

std::shared_ptr<ViewController> ViewController::presentedViewController() const {
    if (presented_) return presented_;
    const ViewController* context = this;
    for (auto parent = context->parent(); parent; parent = parent->parent()) context = parent.get();
    if (context != this && context->presented_ && context->presented_->presentedFrom_.lock().get() == this) {
        return context->presented_;
    }
    return nullptr;
}

std::shared_ptr<ViewController> ViewController::presentingViewController() const {
    if (auto presenting = presenting_.lock()) return presenting;
    if (auto parent = this->parent()) return parent->presentingViewController();
    return nullptr;
}

PopoverPresentation& ViewController::popoverPresentation() {
    if (auto* shown = popoverPresentationIfPresented()) return *shown;
    return popover_;
}

PopoverPresentation* ViewController::popoverPresentationIfPresented() {
    auto top = topMostAncestor(shared_from_this());
    if (top->presentationStyle() != ModalPresentationStyle::popover) return nullptr;
    return &top->popover_;
}

std::optional<ModalPresentationStyle> ViewController::presentationStyle() const {
    if (!presentationController_ || presenting_.expired()) return std::nullopt;
    return presentationController_->presentationStyle();
}

void ViewController::present(const std::shared_ptr<ViewController>& controller, bool animated,
                             std::function<void()> completion) {
    if (!controller) return;
    auto self = shared_from_this();
    auto context = topMostAncestor(self);

    // Programming errors stop the app, as on the platform.
    if (auto parent = controller->parent()) {
        fatalError("Application tried to present modally a view controller " + controller->description() +
                   " that has a parent view controller " + parent->description() + ".");
    }
    if (controller == context) {
        fatalError("Application tried to present modally an active controller " + controller->description() + ".");
    }
    if (auto presenter = controller->presenting_.lock()) {
        fatalError("Application tried to present modally a view controller " + controller->description() +
                   " that is already being presented by " + presenter->description() + ".");
    }
    if (viewIsInWindow(*controller)) {
        fatalError("Application tried to present modally an active controller " + controller->description() + ".");
    }

    // The context's presented controller is on its way out: present once it has gone.
    if (context->presented_ && context->presented_->beingDismissed_) {
        std::weak_ptr<ViewController> weakSelf = self;
        context->afterTransition_.push_back([weakSelf, controller, animated, completion] {
            if (auto presenter = weakSelf.lock()) presenter->present(controller, animated, completion);
        });
        return;
    }

    const std::string attempt = "Warning: Attempt to present " + controller->description() + " on " +
                                context->description() +
                                (context == self ? std::string{} : " (from " + description() + ")");
    if (context->presented_) {
        Console::log(attempt + " which is already presenting " + context->presented_->description());
        return;
    }
    if (!viewIsInWindow(*context)) {
        Console::log(attempt + " whose view is not in the window hierarchy!");
        return;
    }
    if (context->beingPresented_ || context->beingDismissed_) {
        Console::log(attempt + " while a presentation is in progress!");
        return;
    }

    auto style = controller->modalPresentationStyle;
    if (style == ModalPresentationStyle::automatic) style = ModalPresentationStyle::pageSheet;
    if (style == ModalPresentationStyle::popover) {
        const auto traits = traitCollection();
        if (traits.horizontalSizeClass == UserInterfaceSizeClass::regular) {
            if (controller->popover_.sourceView.expired() && !controller->popover_.barButtonItem) {
                fatalError("UIPopoverPresentationController should have a non-nil sourceView or barButtonItem set "
                           "before the presentation occurs.");
            }
        } else {
            style = controller->adaptivePresentationStyle(traits);
        }
    }

    std::shared_ptr<PresentationController> presentation;
    if (style == ModalPresentationStyle::custom) {
        if (auto delegate = controller->transitioningDelegate.lock()) {
            presentation = delegate->presentationController(controller, context);
        }
        if (!presentation && controller->customPresentationControllerFactory) {
            presentation = controller->customPresentationControllerFactory(controller, context);
        }
    }
    if (!presentation) presentation = PresentationController::create(controller, context, style);
    presentation->presented_ = controller;
    presentation->presenting_ = context;
    presentation->style_ = style;

    // Linked at once, so that a second presentation in the same turn is refused.
    context->presented_ = controller;
    controller->presenting_ = context;
    controller->presentedFrom_ = self;
    controller->presentationController_ = presentation;
    controller->beingPresented_ = true;
    context->transitionBusy_ = true;

    const bool removesPresenter = presentation->shouldRemovePresentersView();
    controller->beginAppearanceTransition(true, animated);
    if (removesPresenter) context->beginAppearanceTransition(false, animated);
    presentation->installContainer(context->view_ ? context->view_->window() : nullptr);
    if (auto container = presentation->containerView()) {
        if (auto presentedView = presentation->presentedView()) {
            presentedView->frame = presentation->frameOfPresentedViewInContainerView();
            container->addSubview(presentedView);
        }
    }
    presentation->presentationTransitionWillBegin();

    std::weak_ptr<ViewController> weakPresented = controller;
    std::weak_ptr<ViewController> weakContext = context;
    std::weak_ptr<PresentationController> weakPresentation = presentation;
    presentation->performTransition(true, animated, [weakPresented, weakContext, weakPresentation, removesPresenter,
                                                     completion](bool completed) {
        auto presented = weakPresented.lock();
        auto context = weakContext.lock();
        auto presentation = weakPresentation.lock();
        if (!presented || !context || !presentation || presented->presentationController_ != presentation) return;
        if (completed) {
            presentation->presentationTransitionDidEnd(true);
            presented->endAppearanceTransition();
            if (removesPresenter) {
                context->endAppearanceTransition();
                presentation->detachPresentersView();
            }
            presented->beingPresented_ = false;
            context->transitionBusy_ = false;
            if (completion) completion();
        } else {
            presented->beginAppearanceTransition(false, false);
            presented->endAppearanceTransition();
            if (removesPresenter) {
                context->beginAppearanceTransition(true, false);
                context->endAppearanceTransition();
            }
            presentation->removeContainer();
            presentation->presentationTransitionDidEnd(false);
            presented->beingPresented_ = false;
            presented->presenting_.reset();
            presented->presentedFrom_.reset();
            presented->presentationController_.reset();
            context->presented_.reset();
            context->transitionBusy_ = false;
        }
        context->runAfterTransition();
    });
}

void ViewController::dismiss(bool animated, std::function<void()> completion) {
    auto self = shared_from_this();
    auto context = topMostAncestor(self);
    auto presenter = context->presented_ ? context : context->presenting_.lock();
    if (!presenter) {
        if (completion) MainQueue::async(std::move(completion));
        return;
    }
    presenter->dismissPresented(animated, std::move(completion));
}

void ViewController::dismissPresented(bool animated, std::function<void()> completion) {
    auto self = shared_from_this();
    if (!presented_) {
        if (completion) MainQueue::async(std::move(completion));
        return;
    }
    // This controller and everything it presents, front-most last.
    std::vector<std::shared_ptr<ViewController>> chain;
    for (auto controller = presented_; controller; controller = controller->presented_) chain.push_back(controller);

    // A transition still running in the chain finishes first.
    ViewController* busy = transitionBusy_ ? this : nullptr;
    for (const auto& controller : chain) {
        if (!busy && controller->transitionBusy_) busy = controller.get();
    }
    if (busy) {
        std::weak_ptr<ViewController> weakSelf = self;
        busy->afterTransition_.push_back([weakSelf, animated, completion] {
            if (auto presenter = weakSelf.lock()) presenter->dismissPresented(animated, completion);
        });
        return;
    }

    transitionBusy_ = true;
    for (const auto& controller : chain) controller->beingDismissed_ = true;
    auto first = chain.front();
    auto top = chain.back();
    auto firstPresentation = first->presentationController_;
    const bool presenterReturns = firstPresentation && firstPresentation->presenterDetached_;

    // Disappearance runs front-most first; remember who was shown, for a cancelled dismissal.
    std::vector<std::weak_ptr<ViewController>> weakChain;
    std::vector<bool> wasShown;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        weakChain.push_back(*it);
        wasShown.push_back(isShowing((*it)->appearance_));
        (*it)->beginAppearanceTransition(false, animated);
    }
    if (presenterReturns) {
        beginAppearanceTransition(true, animated);
        firstPresentation->restorePresentersView();
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (auto presentation = (*it)->presentationController_) presentation->dismissalTransitionWillBegin();
    }

    std::weak_ptr<ViewController> weakSelf = self;
    auto finished = [weakSelf, weakChain, wasShown, presenterReturns, completion](bool completed) {
        auto presenter = weakSelf.lock();
        if (!presenter) return;
        std::vector<std::shared_ptr<ViewController>> controllers;
        for (const auto& weak : weakChain) {
            if (auto controller = weak.lock()) controllers.push_back(std::move(controller));
        }
        if (completed) {
            for (const auto& controller : controllers) {
                auto presentation = controller->presentationController_;
                if (presentation) presentation->dismissalTransitionDidEnd(true);
                controller->endAppearanceTransition();
                if (presentation) presentation->removeContainer();
            }
            if (presenterReturns) presenter->endAppearanceTransition();
            for (const auto& controller : controllers) {
                controller->presenting_.reset();
                controller->presentedFrom_.reset();
                controller->presented_.reset();
                controller->presentationController_.reset();
                controller->beingDismissed_ = false;
                controller->transitionBusy_ = false;
            }
            presenter->presented_.reset();
            presenter->transitionBusy_ = false;
            if (completion) completion();
        } else {
            // Cancelled (an interactive dismissal given up): everything returns.
            for (std::size_t i = controllers.size(); i-- > 0;) {
                if (i < wasShown.size() && wasShown[i]) {
                    controllers[i]->beginAppearanceTransition(true, false);
                    controllers[i]->endAppearanceTransition();
                }
            }
            if (presenterReturns) {
                presenter->beginAppearanceTransition(false, false);
                presenter->endAppearanceTransition();
                if (!controllers.empty()) {
                    if (auto presentation = controllers.back()->presentationController_) {
                        presentation->detachPresentersView();
                    }
                }
            }
            for (const auto& controller : controllers) {
                if (auto presentation = controller->presentationController_) {
                    presentation->dismissalTransitionDidEnd(false);
                }
                controller->beingDismissed_ = false;
            }
            presenter->transitionBusy_ = false;
        }
        presenter->runAfterTransition();
    };

    auto delegate = top->transitioningDelegate.lock();
    auto animator = delegate && animated ? delegate->animationControllerForDismissed(top) : nullptr;
    if (animator) {
        // A custom dismissal: the animator runs it, through the interaction
        // controller when the delegate vends one (that holds it open until
        // it finishes or cancels).
        auto interaction = delegate->interactionControllerForDismissal(animator);
        auto driver = top->presentationController_;
        auto topView = top->viewIfLoaded();
        auto context = std::make_shared<ViewControllerContextTransitioning>(
            top, driver ? driver->containerView() : nullptr, topView ? topView->frame : Rect{},
            interaction != nullptr, std::move(finished));
        if (interaction) {
            interaction->startInteractiveTransition(context, animator);
        } else {
            animator->animateTransition(context);
        }
    } else if (auto driver = top->presentationController_) {
        driver->performTransition(false, animated, std::move(finished));
    } else {
        scheduleTransition(animated, kTransitionDuration, [finished] { finished(true); });
    }
}

void ViewController::runAfterTransition() {
    auto self = shared_from_this();
    while (!transitionBusy_ && !afterTransition_.empty()) {
        auto next = std::move(afterTransition_.front());
        afterTransition_.erase(afterTransition_.begin());
        next();
    }
}

void ViewController::setPresentationLinks(const std::shared_ptr<ViewController>& presented) {
    if (!presented || presented.get() == this) return;
    auto self = shared_from_this();
    clearPresentationLinks();
    presented_ = presented;
    presented->presenting_ = self;
    presented->presentedFrom_ = self;
}

void ViewController::clearPresentationLinks() {
    if (!presented_) return;
    presented_->presenting_.reset();
    presented_->presentedFrom_.reset();
    presented_.reset();
}

// Storyboards ------------------------------------------------------------------------------

void ViewController::performSegue(const std::string& identifier, const nlohmann::json& sender) {
    auto self = shared_from_this();
    auto board = storyboard();
    const SegueDefinition* definition = board ? board->segue(identifier) : nullptr;
    if (!definition) {
        fatalError("Receiver (" + description() + ") has no segue with identifier '" + identifier + "'");
    }
    const auto kind = definition->kind;
    auto destination = board->instantiateViewController(definition->destination);
    StoryboardSegue segue(identifier, self, destination);
    prepare(segue, sender);
    if (kind == SegueDefinition::Kind::embed) {
        auto root = view();
        const auto slot = board->embedContainer(identifier);
        auto container = slot.empty() ? root : root->viewWithAccessibilityIdentifier(slot);
        if (!container) container = root;
        addChild(destination);
        auto content = destination->view();
        content->frame = container->bounds();
        container->addSubview(content);
        destination->didMove(self);
        return;
    }
    if (kind != SegueDefinition::Kind::present) {
        if (auto navigation = navigationController()) {
            navigation->push(destination, true);
            return;
        }
    }
    present(destination, true);
}

void ViewController::installChildView(const std::shared_ptr<ViewController>& child, const std::shared_ptr<View>& bar) {
    if (!isViewLoaded()) return;
    auto container = viewIfLoaded();
    auto view = child->view();
    if (view->superview() == container) return;
    view->frame = container->bounds();
    const auto& subviews = container->subviews();
    auto barIt = std::find(subviews.begin(), subviews.end(), bar);
    container->insertSubview(view, static_cast<std::size_t>(barIt - subviews.begin()));
}

void ViewController::removeChildView(const std::shared_ptr<ViewController>& child) {
    auto view = child->viewIfLoaded();
    if (view && isViewLoaded() && view->superview() == viewIfLoaded()) view->removeFromSuperview();
}

} // namespace platform::ui
