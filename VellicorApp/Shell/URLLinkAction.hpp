#pragma once

#include "VellicorApp/Shell/LaunchActionable.hpp"

#include "Platform/Foundation/Url.hpp"

#include <functional>
#include <memory>
#include <optional>

namespace platform::ui {
class NavigationController;
}

namespace vellicor {

class CommunityViewControllable;

/// A launch action that opens a URL in the community screen on top of the
/// app's root navigation stack (a universal link, the URL of the last
/// session, a link of the marketing SDK). The community screen decides where
/// the URL opens. Needs the web app; holds the navigation controller weakly,
/// so a queued action never keeps screens alive. Main thread only.
class URLLinkAction : public LaunchActionable, public std::enable_shared_from_this<URLLinkAction> {
public:
    static std::shared_ptr<URLLinkAction>
    create(std::optional<platform::Url> url,
           const std::shared_ptr<platform::ui::NavigationController>& navigationController);

    bool requiresWebAppBootstrap() const override { return true; }
    /// Opens the URL in the community screen on top; logs and opens nothing
    /// without such a screen or without a URL. Calls the completion once, at
    /// the end, on every road.
    void execute(std::function<void()> completion) override;

    const std::optional<platform::Url>& url() const { return url_; }
    std::shared_ptr<platform::ui::NavigationController> navigationController() const {
        return navigationController_.lock();
    }

protected:
    URLLinkAction(std::optional<platform::Url> url,
                  const std::shared_ptr<platform::ui::NavigationController>& navigationController)
        : navigationController_(navigationController), url_(std::move(url)) {}

    /// The top screen of the navigation stack when it is a community screen;
    /// null when the navigation controller is gone or the top is another screen.
    std::shared_ptr<CommunityViewControllable> communityScreenOnTop() const;

private:
    std::weak_ptr<platform::ui::NavigationController> navigationController_;
    std::optional<platform::Url> url_;
};

} // namespace vellicor
