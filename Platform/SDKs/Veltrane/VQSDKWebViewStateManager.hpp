#pragma once

#include "Platform/Export.hpp"

#include <functional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// The web side of the SDK's sessions.
class PLATFORM_EXPORT VQSDKWebViewStateManager {
public:
    /// The cookies that carry the community's web session.
    static std::vector<std::string> sessionCookieNames() { return {"sid"}; }

    /// Removes the web session cookies from the app's website data store (the
    /// one web views use unless told otherwise), so that the next front-door
    /// load starts a new web session. Main thread; the completion runs on the
    /// main queue once the cookies are gone.
    static void resetSessionCookie(std::function<void()> completion = {});
    /// Removes every cookie of the app's website data store.
    static void removeSession(std::function<void()> completion = {});
};

} // namespace platform::veltrane
