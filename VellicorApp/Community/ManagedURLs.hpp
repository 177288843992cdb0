#pragma once

#include "VellicorApp/Community/ManagedURLType.hpp"

#include <memory>
#include <string>
#include <vector>

namespace vellicor {

class Context;

/// A rule set: four lists of URL patterns, one per way of opening, and the
/// default way for links no list claims. A pattern is an absolute URL or a
/// path relative to the community start page.
class ManagedURLs {
public:
    virtual ~ManagedURLs() = default;

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
};

/// The rule set a context runs with; null when it has none.
std::shared_ptr<ManagedURLs> managedURLs(const Context& context);
/// Sets (or, with null, clears) the rule set a context runs with.
void setManagedURLs(const std::shared_ptr<Context>& context, std::shared_ptr<ManagedURLs> rules);

} // namespace vellicor
