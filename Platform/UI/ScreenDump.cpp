#include "Platform/UI/ScreenDump.hpp"

#include "Platform/UI/ControllerDump.hpp"
#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/TabBarController.hpp"
#include "Platform/UI/TextField.hpp"
#include "Platform/UI/TextView.hpp"
#include "Platform/UI/ViewDump.hpp"
#include "Platform/UI/Window.hpp"

#include <algorithm>
#include <sstream>

namespace platform::ui {

namespace {

std::unexpected<std::string> fail(std::string message) { return std::unexpected(std::move(message)); }

// Shown windows, front-most first, laid out as the user sees them.
std::vector<std::shared_ptr<Window>> frontToBack() {
    auto windows = Window::visibleWindows();
    for (const auto& window : windows) window->layoutIfNeeded();
    std::reverse(windows.begin(), windows.end());
    return windows;
}

// Whether a window takes every touch on the screen, so that none reaches the
// windows behind it: it takes touches and covers the whole screen.
bool coversScreen(const Window& window) {
    const auto& frame = window.frame;
    return window.isUserInteractionEnabled && frame.origin.x <= 0 && frame.origin.y <= 0 &&
           frame.origin.x + frame.size.width >= kScreenSize.width &&
           frame.origin.y + frame.size.height >= kScreenSize.height;
}

// The windows a user's finger can reach, front-most first: those down to the
// first one that covers the screen.
std::vector<std::shared_ptr<Window>> reachableWindows() {
    std::vector<std::shared_ptr<Window>> reachable;
    for (auto& window : frontToBack()) {
        const bool covers = coversScreen(*window);
        reachable.push_back(std::move(window));
        if (covers) break;
    }
    return reachable;
}

template <class Finder>
std::shared_ptr<View> findFront(const std::string& idOrLabel, Finder finder) {
    for (const auto& window : reachableWindows()) {
        if (auto view = finder(std::static_pointer_cast<View>(window), idOrLabel)) return view;
    }
    return nullptr;
}

// The front-most tab bar controller: the top of each presentation chain is
// searched before what it covers.
std::shared_ptr<TabBarController> findTabBarController(const std::shared_ptr<ViewController>& root) {
    if (!root) return nullptr;
    if (auto found = findTabBarController(root->presentedViewController())) return found;
    if (auto tabs = std::dynamic_pointer_cast<TabBarController>(root)) return tabs;
    const auto& children = root->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        if (auto found = findTabBarController(*it)) return found;
    }
    return nullptr;
}

std::vector<ScreenDump::OverlayProvider>& overlayProviders() {
    static std::vector<ScreenDump::OverlayProvider> providers;
    return providers;
}

} // namespace

void ScreenDump::addOverlayProvider(OverlayProvider provider) { overlayProviders().push_back(std::move(provider)); }

std::string ScreenDump::render() {
    std::vector<std::string> lines;
    for (const auto& window : Window::visibleWindows()) {
        window->layoutIfNeeded();
        std::string header = "Window level=" + dumpNumber(window->windowLevel);
        if (window->isKeyWindow()) header += " key";
        lines.push_back(std::move(header));
        if (auto root = window->rootViewController()) dumpControllers(*root, 1, lines);
        lines.push_back("  Views:");
        for (const auto& view : window->subviews()) dumpViews(*view, 2, lines);
    }
    for (const auto& provider : overlayProviders()) {
        for (auto& line : provider()) lines.push_back(std::move(line));
    }
    std::ostringstream text;
    for (const auto& line : lines) text << line << "\n";
    return text.str();
}

std::shared_ptr<View> ScreenDump::findView(const std::string& idOrLabel) {
    return findFront(idOrLabel, [](const std::shared_ptr<View>& root, const std::string& key) {
        return platform::ui::findView(root, key);
    });
}

std::expected<void, std::string> ScreenDump::tap(const std::string& idOrLabel) {
    auto view = findFront(idOrLabel, [](const std::shared_ptr<View>& root, const std::string& key) {
        return findTappable(root, key);
    });
    if (!view) return fail("no visible view is \"" + idOrLabel + "\"");
    if (!view->simulateTap()) return fail("\"" + idOrLabel + "\" does not take taps");
    return {};
}

std::expected<void, std::string> ScreenDump::longPress(const std::string& id) {
    auto view = findFront(id, [](const std::shared_ptr<View>& root, const std::string& key) {
        return findLongPressable(root, key);
    });
    if (!view) return fail("no visible view is \"" + id + "\"");
    for (const auto& recognizer : view->gestureRecognizers()) {
        if (auto press = std::dynamic_pointer_cast<LongPressGestureRecognizer>(recognizer)) {
            if (press->simulateLongPress()) return {};
        }
    }
    return fail("\"" + id + "\" does not take long presses");
}

std::expected<void, std::string> ScreenDump::type(const std::string& id, const std::string& text) {
    auto view = findView(id);
    if (!view) return fail("no visible view is \"" + id + "\"");
    if (auto field = std::dynamic_pointer_cast<TextField>(view)) {
        if (!field->simulateTyping(text)) return fail("\"" + id + "\" does not take text");
        return {};
    }
    if (auto textView = std::dynamic_pointer_cast<TextView>(view)) {
        if (!textView->simulateTyping(text)) return fail("\"" + id + "\" does not take text");
        return {};
    }
    return fail("\"" + id + "\" is not a text field or text view");
}

std::expected<void, std::string> ScreenDump::selectTab(int index) {
    for (const auto& window : reachableWindows()) {
        if (auto tabs = findTabBarController(window->rootViewController())) {
            if (!tabs->simulateTapOnTab(static_cast<std::size_t>(index))) {
                return fail("tab " + std::to_string(index) + " cannot be selected");
            }
            return {};
        }
    }
    return fail("no tab bar is shown");
}

} // namespace platform::ui
