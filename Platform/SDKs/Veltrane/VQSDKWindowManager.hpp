#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowContainer.hpp"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform::veltrane {

/// The SDK's windows: the app's main window, the sign-in (auth) window and
/// named windows, each in a VQSDKWindowContainer.
///
/// The main window must be set (setMainUIWindow) before the SDK shows
/// anything: the auth and named windows are made only after it, with its frame,
/// and lie in front of it (named windows one level above the main window, the
/// auth window three). A presented window is key until it is dismissed; the
/// active window is the most recently presented window still shown, else the
/// main window. Main thread only.
class PLATFORM_EXPORT VQSDKWindowManager : public std::enable_shared_from_this<VQSDKWindowManager> {
public:
    static constexpr const char* kMainWindowName = "main";
    static constexpr const char* kAuthWindowName = "auth";
    static constexpr double kNamedWindowLevelOffset = 1;
    static constexpr double kAuthWindowLevelOffset = 3;
    /// The fade of an animated presentation or dismissal, in seconds.
    static constexpr double kFadeDuration = 0.3;

    static std::shared_ptr<VQSDKWindowManager> sharedManager();
    /// Forgets every container (between tests).
    static void resetForTesting();

    /// Makes `window` the main window. The main container stays the same
    /// object when the window is replaced.
    void setMainUIWindow(std::shared_ptr<platform::ui::Window> window);
    /// The main window's container; none before setMainUIWindow.
    std::shared_ptr<VQSDKWindowContainer> mainWindow() const;
    /// The sign-in window's container, made on first use; none without a main window.
    std::shared_ptr<VQSDKWindowContainer> authWindow();
    /// The most recently presented window still shown, else the main window.
    std::shared_ptr<VQSDKWindowContainer> activeWindow() const;

    /// The named window, made hidden on first use with a plain root view
    /// controller; the same container for the same name afterwards. None for an
    /// empty or reserved name ("main", "auth") and without a main window.
    std::shared_ptr<VQSDKWindowContainer> createNewNamedWindow(const std::string& name);
    /// The named window if it was made.
    std::shared_ptr<VQSDKWindowContainer> windowWithName(const std::string& name) const;
    /// Hides and forgets a named window.
    void removeNamedWindow(const std::string& name);

    void presentWindow(const std::shared_ptr<VQSDKWindowContainer>& container, bool animated,
                       std::function<void()> completion);
    void dismissWindow(const std::shared_ptr<VQSDKWindowContainer>& container, bool animated,
                       std::function<void()> completion);

private:
    VQSDKWindowManager() = default;
    std::shared_ptr<VQSDKWindowContainer> makeContainer(const std::string& name, double levelOffset);
    void forget(const std::shared_ptr<VQSDKWindowContainer>& container);

    std::shared_ptr<VQSDKWindowContainer> main_;
    std::shared_ptr<VQSDKWindowContainer> auth_;
    std::map<std::string, std::shared_ptr<VQSDKWindowContainer>> named_;
    /// Presented containers, oldest first.
    std::vector<std::weak_ptr<VQSDKWindowContainer>> presented_;
};

} // namespace platform::veltrane
