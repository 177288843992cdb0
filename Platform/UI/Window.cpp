#include "Platform/UI/Window.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"

#include <algorithm>

namespace platform::ui {

namespace {

struct WindowRegistry {
    // Shown windows in the order they were shown; the app keeps them alive.
    std::vector<std::weak_ptr<Window>> shown;
    std::weak_ptr<Window> key;
};

WindowRegistry& registry() {
    static auto* r = new WindowRegistry;
    return *r;
}

void prune(WindowRegistry& r) {
    std::erase_if(r.shown, [](const std::weak_ptr<Window>& w) { return w.expired(); });
}

// Puts the root controller's view into the window and runs its appearance.
void installRoot(Window& window, const std::shared_ptr<ViewController>& root) {
    auto view = root->view();
    if (view->superview().get() != &window) {
        view->removeFromSuperview();
        view->frame = window.bounds();
        window.insertSubview(view, 0);
    }
    if (root->appearance() == ViewController::Appearance::disappeared) {
        root->beginAppearanceTransition(true, false);
        root->endAppearanceTransition();
    }
}

void uninstallRoot(const std::shared_ptr<ViewController>& root) {
    // What the old root presents goes with it.
    if (root->presentedViewController()) root->dismiss(false);
    if (root->appearance() == ViewController::Appearance::appeared ||
        root->appearance() == ViewController::Appearance::appearing) {
        root->beginAppearanceTransition(false, false);
        root->endAppearanceTransition();
    }
    if (auto view = root->viewIfLoaded()) view->removeFromSuperview();
}

} // namespace

std::shared_ptr<Window> Window::create(Rect frame) { return makeView<Window>(frame); }

Window::Window(Rect frame) : View(frame) { backgroundColor = Color::black(); }

Window::~Window() = default;

void Window::setRootViewController(std::shared_ptr<ViewController> controller) {
    if (controller == root_) return;
    auto old = std::move(root_);
    root_ = std::move(controller);
    if (old) uninstallRoot(old);
    if (shown_ && root_) installRoot(*this, root_);
}

void Window::setHidden(bool hidden) {
    auto& r = registry();
    if (hidden == !shown_) return;
    shown_ = !hidden;
    isHidden = hidden;
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    if (shown_) {
        prune(r);
        r.shown.push_back(self);
        // As on the platform, the root controller's view is loaded and shown
        // in the next layout pass, after the code that showed the window has
        // returned; a window hidden again before then shows nothing.
        std::weak_ptr<Window> weak = self;
        MainQueue::async([weak] {
            auto window = weak.lock();
            if (window && window->shown_ && window->root_) installRoot(*window, window->root_);
        });
    } else {
        std::erase_if(r.shown, [&](const std::weak_ptr<Window>& w) { return w.expired() || w.lock() == self; });
        if (root_) uninstallRoot(root_);
        if (r.key.lock() == self) {
            r.key.reset();
            NotificationCenter::defaultCenter()->post(kWindowDidResignKeyNotification, this);
            // The front-most remaining window becomes key, as on the platform.
            auto windows = visibleWindows();
            if (!windows.empty()) windows.back()->makeKey();
        }
    }
}

void Window::makeKeyAndVisible() {
    setHidden(false);
    makeKey();
}

void Window::makeKey() {
    auto& r = registry();
    auto self = std::static_pointer_cast<Window>(shared_from_this());
    auto previous = r.key.lock();
    if (previous == self) return;
    r.key = self;
    if (previous) NotificationCenter::defaultCenter()->post(kWindowDidResignKeyNotification, previous.get());
    NotificationCenter::defaultCenter()->post(kWindowDidBecomeKeyNotification, this);
}

bool Window::isKeyWindow() const { return registry().key.lock().get() == this; }

std::shared_ptr<Window> Window::keyWindow() { return registry().key.lock(); }

std::vector<std::shared_ptr<Window>> Window::visibleWindows() {
    auto& r = registry();
    prune(r);
    std::vector<std::shared_ptr<Window>> windows;
    for (const auto& weak : r.shown) {
        if (auto w = weak.lock()) windows.push_back(std::move(w));
    }
    std::stable_sort(windows.begin(), windows.end(),
                     [](const auto& a, const auto& b) { return a->windowLevel < b->windowLevel; });
    return windows;
}

void Window::resetAll() {
    auto& r = registry();
    r.shown.clear();
    r.key.reset();
}

} // namespace platform::ui
