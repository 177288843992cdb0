#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"
#include "Platform/SDKs/Veltrane/VQSDKDevAction.hpp"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {
class ViewController;
}

namespace platform::veltrane {

inline constexpr const char* kVeltraneSDKVersion = "11.2.0";

/// Posted on the default notification centre (sender: the manager) when the
/// "Show dev info" developer action runs, just before it shows the
/// information (VQSDKDevSupportViewController::showDevInfo); the user info
/// holds "title" (text) and "infos" (the label and value texts, alternating).
inline constexpr const char* kVQSDKDevInfoWillShowNotification = "kVQSDKDevInfoWillShowNotification";

/// What the account layer offers the developer-support menu. Registered by
/// the account manager; without it the menu has no account actions.
struct PLATFORM_EXPORT VQSDKAccountActions {
    std::function<bool()> hasCurrentUser;
    std::function<std::optional<std::string>()> currentUserDescription;
    std::function<void()> logout;
    std::function<void(const std::shared_ptr<platform::ui::ViewController>& presenter)> switchUser;
};

/// The SDK's manager: the application's names, boot configuration and the
/// switches of sign-in and the user agent, and the developer-support hooks.
///
/// There is one shared manager per process. initializeSDK() makes it with
/// the class the app chose (its subclass, through a factory); until then
/// sharedManager() gives a plain manager made on first use. All members are
/// safe to call from any thread.
class PLATFORM_EXPORT VeltraneSDKManager : public std::enable_shared_from_this<VeltraneSDKManager> {
public:
    using Factory = std::function<std::shared_ptr<VeltraneSDKManager>()>;
    /// Makes the user agent for a qualifier (the app passes "Local" or "Remote").
    using UserAgentGenerator = std::function<std::string(const std::string& qualifier)>;

    static std::shared_ptr<VeltraneSDKManager> create();
    virtual ~VeltraneSDKManager();
    VeltraneSDKManager(const VeltraneSDKManager&) = delete;
    VeltraneSDKManager& operator=(const VeltraneSDKManager&) = delete;

    /// Starts the SDK with the manager the factory makes. Only the first call
    /// counts (later ones log a warning and return false), and a factory that
    /// makes nothing is refused.
    static bool initializeSDK(const Factory& factory);
    /// The same for a manager class with `static create()`.
    template <class Manager>
    static bool initializeSDK() {
        return initializeSDK([] { return std::shared_ptr<VeltraneSDKManager>(Manager::create()); });
    }
    static bool isInitialized();
    /// The shared manager (see above).
    static std::shared_ptr<VeltraneSDKManager> sharedManager();
    /// The shared manager when there is one, without making one.
    static std::shared_ptr<VeltraneSDKManager> sharedManagerIfAny();
    /// Forgets the shared manager, the application names and the account actions (between tests).
    static void resetForTesting();

    /// The application's name for the SDK; the bundle name ("CFBundleName")
    /// until set, or "" without one.
    static void setAppName(std::string name);
    static std::string appName();
    /// The application's name for instrumentation; appName() until set.
    static void setKorvaAppName(std::string name);
    static std::string korvaAppName();

    static void setAccountActions(VQSDKAccountActions actions);
    static VQSDKAccountActions accountActions();

    /// The name users see: "CFBundleDisplayName", else "CFBundleName", else appName().
    std::string appDisplayName() const;
    /// "Native" for this class; the hybrid manager says "Hybrid".
    virtual std::string appType() const { return "Native"; }

    /// The boot configuration: the package's default one (read on first use)
    /// until another is set; none when the package has none.
    std::shared_ptr<VQHybridViewConfig> appConfig() const;
    void setAppConfig(std::shared_ptr<VQHybridViewConfig> config);

    bool useSnapshotView() const;
    void setUseSnapshotView(bool value);
    bool isIdentityProvider() const;
    void setIsIdentityProvider(bool value);
    bool useWebServerAuthentication() const;
    void setUseWebServerAuthentication(bool value);

    /// The generator the SDK uses for its user agent; a null generator
    /// restores the default, which gives
    ///   VeltraneMobileSDK/<sdk version> (<device>; <system> <version>)
    ///   <app name>/<app version>(<build>) <app type><qualifier> device/<install id>
    /// on one line with single blanks.
    UserAgentGenerator userAgentString() const;
    void setUserAgentString(UserAgentGenerator generator);
    /// The user agent for a qualifier, through the current generator.
    std::string userAgent(const std::string& qualifier = {}) const;
    std::string defaultUserAgent(const std::string& qualifier) const;

    // Developer support ----------------------------------------------------
    /// Label and value texts, alternating: SDK version, app type, user agent,
    /// the sign-in switches and, with an account layer, the current user.
    virtual std::vector<std::string> getDevSupportInfos();
    /// The title of the information list.
    virtual std::string devInfoTitleString();
    /// The SDK's developer actions: "Show dev info" (the information list
    /// under its title, over the screen on top) always; "Logout" and
    /// "Switch user" while the account layer has a signed-in user.
    virtual std::vector<std::shared_ptr<VQSDKDevAction>> getDevActions(
        const std::shared_ptr<platform::ui::ViewController>& presentedViewController);

protected:
    VeltraneSDKManager() = default;

private:
    mutable std::mutex mutex_;
    mutable bool configLoaded_ = false;
    mutable std::shared_ptr<VQHybridViewConfig> appConfig_;
    bool useSnapshotView_ = true;
    bool isIdentityProvider_ = false;
    bool useWebServerAuthentication_ = true;
    UserAgentGenerator userAgentGenerator_;
};

} // namespace platform::veltrane
