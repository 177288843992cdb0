#pragma once

#include "VellicorApp/Community/ManagedURLs.hpp"

#include "Platform/Foundation/Json.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

/// Errors of rule editing.
enum class ManagedURLInputError { invalidInput, invalidType, alreadyExist, reachedLimit };

/// The localized text of the error's key.
std::string localizedReason(ManagedURLInputError error);

/// A rule set read from the app's configuration or the stored copy. Every
/// change is announced to the listener before it takes effect, and the
/// compiled form is dropped after it has (so a listener that routes a link
/// still sees the old lists, and the next link the new ones).
class BundleManagedURLs : public ManagedURLs {
public:
    /// The lists as given; the default behaviour normalized (any text other
    /// than the four key strings becomes "InAppBrowser").
    BundleManagedURLs(std::vector<std::string> externalBrowser, std::vector<std::string> inAppBrowser,
                      std::vector<std::string> inAppSharedCookieBrowser, std::vector<std::string> withinApp,
                      std::string defaultBehavior);

    /// Decodes the keys "ExternalBrowser", "InAppBrowser",
    /// "InAppSharedCookieBrowser", "WithinApp" (arrays of strings; anything
    /// else is an empty list) and "DefaultBehavior" (normalized string,
    /// "InAppBrowser" when absent or not a string). Never fails.
    static std::shared_ptr<BundleManagedURLs> decode(const platform::Json& value);
    /// The five keys, all always present.
    platform::Json encode() const;

    /// The rules the app runs with: the stored copy (or empty rules) in the
    /// preview edition, the Info.plist dictionary "URLManagement" otherwise;
    /// null, with an error logged, when that dictionary is missing or malformed.
    static std::shared_ptr<ManagedURLs> managedURLs();

    const std::vector<std::string>& externalBrowser() const override { return externalBrowser_; }
    const std::vector<std::string>& inAppBrowser() const override { return inAppBrowser_; }
    const std::vector<std::string>& inAppSharedCookieBrowser() const override { return inAppSharedCookieBrowser_; }
    const std::vector<std::string>& withinApp() const override { return withinApp_; }
    const std::string& defaultBehavior() const override { return defaultBehavior_; }

    void setExternalBrowser(std::vector<std::string> list);
    void setInAppBrowser(std::vector<std::string> list);
    void setInAppSharedCookieBrowser(std::vector<std::string> list);
    void setWithinApp(std::vector<std::string> list);
    /// Normalized like the initialiser's.
    void setDefaultBehavior(std::string behavior);

    /// Called before each change.
    void setWillChangeListener(std::function<void()> listener) { willChange_ = std::move(listener); }

protected:
    std::vector<std::string>& mutableList(ManagedURLType type);
    void notifyWillChange() const {
        if (willChange_) willChange_();
    }

private:
    std::vector<std::string> externalBrowser_;
    std::vector<std::string> inAppBrowser_;
    std::vector<std::string> inAppSharedCookieBrowser_;
    std::vector<std::string> withinApp_;
    std::string defaultBehavior_;
    std::function<void()> willChange_;
};

/// The editable rule set of the preview edition.
class RuntimeManagedURLs : public BundleManagedURLs {
public:
    using BundleManagedURLs::BundleManagedURLs;

    static std::shared_ptr<RuntimeManagedURLs> decode(const platform::Json& value);
    /// Four empty lists, default "InAppBrowser".
    static std::shared_ptr<RuntimeManagedURLs> empty();

    /// Removes the first pattern equal to `url` from the type's list.
    void remove(const std::string& url, ManagedURLType type);
    /// Appends `url` to the type's list: reachedLimit when the running
    /// context's list of the type is full, invalidType for unknown.
    std::optional<ManagedURLInputError> add(const std::string& url, ManagedURLType type);
    /// Adds to `to`, then removes from `from`; on an error nothing moves.
    std::optional<ManagedURLInputError> replace(const std::string& url, ManagedURLType from, ManagedURLType to);
    /// The type's list; none for unknown.
    std::optional<std::vector<std::string>> urls(ManagedURLType type) const;
    /// The default behaviour becomes the type's key string.
    void updateDefaultBehavior(ManagedURLType type);

    /// The four lists compared in order; the default behaviour is not compared.
    bool operator==(const RuntimeManagedURLs& other) const;
};

} // namespace vellicor
