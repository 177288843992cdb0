#include "Platform/UI/DeclarativeHostingImpl.hpp"

#include "Platform/Foundation/Dispatch.hpp"

#include <algorithm>

// Keeping a hosting controller's screen up to date: the models a rendering
// read are observed, a change schedules one rendering on the next turn of the
// main queue, the new views take the old ones' place (keeping the keyboard
// focus), and nodes that come and go hear onAppear and onDisappear.

namespace platform::ui {

using namespace hosting;

HostingController::Impl::~Impl() {
    for (auto& [key, subscription] : subscriptions) {
        if (auto signal = subscription.signal.lock()) signal->unsubscribe(subscription.token);
    }
}

void HostingController::Impl::observeSignal(const std::shared_ptr<ChangeSignal>& signal) {
    if (!signal) return;
    if (auto it = subscriptions.find(signal.get()); it != subscriptions.end()) {
        if (it->second.signal.lock() == signal) return;
        subscriptions.erase(it); // a dead signal's address, reused
    }
    const auto token = signal->subscribe([this] { schedule(); });
    subscriptions[signal.get()] = Subscription{signal, token};
}

void HostingController::Impl::adoptObservations(const Impl& other) {
    for (const auto& [key, subscription] : other.subscriptions) observeSignal(subscription.signal.lock());
}

void HostingController::Impl::schedule() {
    // Without a view there is nothing to update: loading renders.
    if (scheduled || !host.isViewLoaded()) return;
    scheduled = true;
    std::weak_ptr<ViewController> weak = host.weak_from_this();
    MainQueue::async([weak] {
        auto controller = std::static_pointer_cast<HostingController>(weak.lock());
        if (!controller || !controller->impl_->scheduled) return;
        controller->impl_->scheduled = false;
        controller->impl_->render();
    });
}

void HostingController::Impl::render() {
    if (rendering) {
        schedule();
        return;
    }
    auto container = host.viewIfLoaded();
    if (!container) return;
    auto keep = self();
    rendering = true;
    scheduled = false;
    ++renderCount;
    std::erase_if(subscriptions, [](const auto& entry) { return entry.second.signal.expired(); });

    Pass pass;
    auto* outer = currentHost();
    currentHost() = &host;
    statesUsed.clear();
    {
        ObservationScope scope([this](const ObservableObject& model) { observeSignal(model.changeSignal()); });
        root = body ? body() : Node::empty();
        pass.view = build(root, "", Context{}, pass);
    }
    currentHost() = outer;
    std::erase_if(states, [this](const auto& entry) { return !statesUsed.contains(entry.first); });

    install(container, pass);
    applyNavigationItem(pass);
    rendering = false;
    currentPresentations = std::move(pass.presentations);
    currentLinks = std::move(pass.links);
    updateLifecycles(std::move(pass.lifecycles));
    reconcile();
}

void HostingController::Impl::install(const std::shared_ptr<View>& container, Pass& pass) {
    std::string focusedKey;
    if (auto responder = View::currentFirstResponder()) {
        for (const auto& [key, field] : current.fields) {
            if (field.lock() == responder) focusedKey = key;
        }
    }
    pass.view->frame = container->bounds();
    const auto& subviews = container->subviews();
    auto at = std::find(subviews.begin(), subviews.end(), current.view);
    container->insertSubview(pass.view, at == subviews.end() ? 0 : static_cast<std::size_t>(at - subviews.begin()));

    // The embedded navigation controller moves to the new tree while both
    // trees are in the same window, so it sees no disappearance.
    bool navigationAdded = false;
    if (pass.navigationSlot && navigation) {
        auto navigationView = navigation->view();
        navigationAdded = navigationView->superview() == nullptr;
        navigationView->frame = pass.navigationSlot->bounds();
        pass.navigationSlot->addSubview(navigationView);
    }
    if (current.view && current.view != pass.view) current.view->removeFromSuperview();
    if (navigationAdded) navigation->didMove(self());
    if (!pass.navigationSlot && navigation) {
        navigation->willMove(nullptr);
        navigation->view()->removeFromSuperview();
        navigation->removeFromParent();
        navigation.reset();
        navigationRoot.reset();
    }

    retire(std::move(current));
    current.view = pass.view;
    current.keepAlive = std::move(pass.keepAlive);
    current.fields = std::move(pass.fields);
    if (!focusedKey.empty()) {
        if (auto it = current.fields.find(focusedKey); it != current.fields.end()) {
            if (auto field = it->second.lock()) field->becomeFirstResponder();
        }
    }
}

void HostingController::Impl::retire(Pass old) {
    if (!old.view) return;
    retired.push_back(std::move(old));
    std::weak_ptr<ViewController> weak = host.weak_from_this();
    MainQueue::async([weak] {
        if (auto controller = std::static_pointer_cast<HostingController>(weak.lock())) {
            controller->impl_->retired.clear();
        }
    });
}

void HostingController::Impl::updateLifecycles(std::vector<std::pair<std::string, Lifecycle>> next) {
    auto previous = std::move(lifecycles);
    lifecycles = std::move(next);
    if (!host.isVisible()) return;
    std::set<std::string> nextKeys;
    for (const auto& [key, lifecycle] : lifecycles) nextKeys.insert(key);
    for (const auto& [key, lifecycle] : previous) {
        if (!nextKeys.contains(key) && appeared.erase(key) && lifecycle.onDisappear) {
            auto run = lifecycle.onDisappear;
            run();
        }
    }
    appearAll();
}

void HostingController::Impl::appearAll() {
    const auto shown = lifecycles;
    for (const auto& [key, lifecycle] : shown) {
        if (appeared.insert(key).second && lifecycle.onAppear) lifecycle.onAppear();
    }
}

void HostingController::Impl::disappearAll() {
    const auto shown = lifecycles;
    for (const auto& [key, lifecycle] : shown) {
        if (appeared.erase(key) && lifecycle.onDisappear) lifecycle.onDisappear();
    }
    appeared.clear();
}

void HostingController::Impl::reconcile() {
    // A rendering records what it asks for; the passes of earlier renderings are gone.
    reconcilePresentations();
    reconcileLinks();
}

} // namespace platform::ui
