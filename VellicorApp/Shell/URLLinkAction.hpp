#pragma once

#include "VellicorApp/Core/LaunchActionable.hpp"

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
    /// Opens the URL in the community screen of the navigation stack; logs and
    /// opens nothing without such a screen (not done: it stays queued) or
    /// without a URL (done: it never can). Calls the completion once, at the
    /// end, on every road.
    void execute(Completion completion) override;

    const std::optional<platform::Url>& url() const { return url_; }
    std::shared_ptr<platform::ui::NavigationController> navigationController() const {
        return navigationController_.lock();
    }

protected:
    URLLinkAction(std::optional<platform::Url> url,
                  const std::shared_ptr<platform::ui::NavigationController>& navigationController)
        : navigationController_(navigationController), url_(std::move(url)) {}

    /// The top-most community screen of the navigation stack (a browser
    /// pushed over it does not hide it); null when the navigation controller
    /// is gone or holds none.
    std::shared_ptr<CommunityViewControllable> communityScreenOnTop() const;

private:
    std::weak_ptr<platform::ui::NavigationController> navigationController_;
    std::optional<platform::Url> url_;
};

} // namespace vellicor
