#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <expected>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

/// The screen as text, and the user's hands on it: what scenario tests compare
/// and what the event driver acts through.
class PLATFORM_EXPORT ScreenDump {
public:
    /// Every shown window, back to front: the controller tree (presented,
    /// navigation and tab stacks), then the visible views with their texts,
    /// identifiers and states. Deterministic: no addresses, no times.
    static std::string render();

    /// Lines that render() prints after the windows, for what the system shows
    /// outside the app's windows (a waiting authentication prompt). Parts of
    /// the platform add one provider each, once.
    using OverlayProvider = std::function<std::vector<std::string>()>;
    static void addOverlayProvider(OverlayProvider provider);

    /// The front-most visible view whose accessibility identifier is the text,
    /// else the front-most whose displayed text or accessibility label is it.
    static std::shared_ptr<View> findView(const std::string& idOrLabel);

    /// A tap on a view (by identifier or label), a navigation-bar button (by
    /// title, identifier, or "Back"), or an alert action (by title).
    static std::expected<void, std::string> tap(const std::string& idOrLabel);
    static std::expected<void, std::string> longPress(const std::string& id);
    /// Types text into a text field or text view (by identifier or label).
    static std::expected<void, std::string> type(const std::string& id, const std::string& text);
    /// A user's tap on the tab at `index` of the front-most tab bar.
    static std::expected<void, std::string> selectTab(int index);
};

} // namespace platform::ui
