#pragma once

#include "Platform/Foundation/Url.hpp"

#include <memory>

namespace vellicor {

class CommunityViewControllable;
class LaunchActionable;

/// What the screens and their models below the shell ask of the app's
/// coordinator (Shell/AppCoordinator.hpp), reached through
/// Context::appCoordinating(). Main thread only.
class AppCoordinating {
public:
    virtual ~AppCoordinating() = default;

    /// Resets the web screen and runs the start-up chain again from the
    /// permissions step (a refresh after a failed bootstrap, a sign-in made
    /// by the page).
    virtual void executePostAuthFlow() = 0;
    /// Queues the action and runs it as soon as the app can.
    virtual void launchActionFlow(std::shared_ptr<LaunchActionable> action) = 0;
    /// Queues a link to the URL when nothing else is queued.
    virtual void preserveLastSessionURL(const platform::Url& url) = 0;
    /// The community screen once a start-up chain has shown one.
    virtual const std::shared_ptr<CommunityViewControllable>& communityViewController() const = 0;

protected:
    AppCoordinating() = default;
    AppCoordinating(const AppCoordinating&) = default;
    AppCoordinating& operator=(const AppCoordinating&) = default;
};

} // namespace vellicor
