#pragma once

#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include "Platform/Foundation/Url.hpp"

namespace vellicor {

/// The three ways a community screen opens a link that the page or the app
/// hands it: in its own web view, in the in-app browser that shares the web
/// view's cookies, or outside the app. The caller chooses among them from the
/// URL rules (shouldTreatAsInternalWebAppLink and the like); these carry the
/// choice out.
///
/// A mixin for a view controller that adopts CommunityViewControllable: the
/// adopter hands itself to the constructor, and the operations use its state,
/// web view, navigation controller and presentations, and its type name in
/// log lines. Main thread only.
class URLRequestWebLoadable {
public:
    virtual ~URLRequestWebLoadable() = default;
    URLRequestWebLoadable(const URLRequestWebLoadable&) = delete;
    URLRequestWebLoadable& operator=(const URLRequestWebLoadable&) = delete;

    /// Loads the link in the screen's web view once the web app has
    /// bootstrapped; before that the link is logged and dropped.
    void loadURL(const platform::Url& url);
    /// Pushes the shared-cookie browser showing the link on the screen's
    /// navigation controller, replacing one already on top, so that at most one
    /// is on the stack. A screen outside a navigation controller shows nothing.
    void loadURLCookieSupport(const platform::Url& url, bool animated);
    /// Logs the user out for the community's logout page (isCommunityPage with
    /// "/gate/logout.vx", never a part of the link's text); otherwise asks the system
    /// to open the link. An http or https link the system does not open, and
    /// whose rule does not send it to the external browser, is shown in the
    /// system's in-app browser (in reader mode, over the screen), replacing one
    /// already shown; any other link that fails to open is logged.
    void loadExternalURL(const platform::Url& url);

protected:
    // The adopter itself, so it outlives this reference.
    explicit URLRequestWebLoadable(CommunityViewControllable& screen) : screen_(screen) {}

private:
    void presentSafariFallback(const platform::Url& url);

    CommunityViewControllable& screen_;
};

} // namespace vellicor
