#pragma once

#include "VellicorApp/Community/ManagedURLType.hpp"

#include "Platform/Foundation/NotificationCenter.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

class Context;
class ManagedURLsMatcher;

/// A rule set: four lists of URL patterns, one per way of opening, and the
/// default way for links no list claims. A pattern is an absolute URL or a
/// path relative to the community start page.
///
/// Links are routed by the set's compiled form (matcher()), built on the
/// first need and kept until a list or the community start page changes.
/// Both kinds of change are pushed: a subclass that edits a list calls
/// listsDidChange() after the edit; a new login host
/// (UserAccountManaging::kLoginHostDidChangeNotification) reaches every rule
/// set by itself, and whoever changes the running mode's start-page form
/// calls communityStartPageDidChange() for the context (or
/// setCommunityStartPage()). Lists are edited, and links routed, on the main
/// thread (compiling reads the lists); the start page may be pushed from any
/// thread.
class ManagedURLs {
public:
    ManagedURLs();
    /// Copies the start page given to `other`, not its compiled form.
    ManagedURLs(const ManagedURLs& other);
    ManagedURLs& operator=(const ManagedURLs& other);
    virtual ~ManagedURLs();

    virtual const std::vector<std::string>& externalBrowser() const = 0;
    virtual const std::vector<std::string>& inAppBrowser() const = 0;
    virtual const std::vector<std::string>& inAppSharedCookieBrowser() const = 0;
    virtual const std::vector<std::string>& withinApp() const = 0;
    /// One of "WithinApp", "InAppSharedCookieBrowser", "InAppBrowser", "ExternalBrowser".
    virtual const std::string& defaultBehavior() const = 0;

    /// The sum of the four lists' counts.
    std::size_t totalCount() const {
        return externalBrowser().size() + inAppBrowser().size() + inAppSharedCookieBrowser().size() +
               withinApp().size();
    }
    /// The list a type owns; an empty list for unknown.
    const std::vector<std::string>& list(ManagedURLType type) const;

    /// The lists compiled under the community start page; the same object
    /// until something it depends on changes. Until a start page is set, the
    /// running context's start page at the time of compiling is used.
    std::shared_ptr<const ManagedURLsMatcher> matcher() const;
    /// The community start page relative patterns stand under
    /// (communityStartPage() of the login host); the next link is routed
    /// under it.
    void setCommunityStartPage(std::string startPage);

protected:
    /// Drops the compiled form, so that the next link sees the lists as they
    /// are now. Call after a list has changed.
    void listsDidChange();

private:
    /// The compiled form and what it depends on, shared with the login-host
    /// observer so that a notification arriving while the set goes finds it
    /// alive or not at all.
    struct Compiled {
        // Guards the fields below; never held while compiling.
        std::mutex mutex;
        std::shared_ptr<const ManagedURLsMatcher> matcher;
        std::optional<std::string> communityStartPage;
        // Counts changes, so that a form compiled while a change came is not kept.
        std::uint64_t changes = 0;

        void setCommunityStartPage(std::string startPage);
    };

    void followLoginHost();

    std::shared_ptr<Compiled> compiled_ = std::make_shared<Compiled>();
    // Weak: a rule set held by a static may outlive the default centre.
    std::weak_ptr<platform::NotificationCenter> notificationCenter_;
    platform::ObserverToken loginHostObserver_ = 0;
};

/// Hands the context's rule set (if any) the community start page of the
/// context's login host in the running mode's start-page form. Call after the
/// login host or that form has changed.
void communityStartPageDidChange(const Context& context);

} // namespace vellicor
