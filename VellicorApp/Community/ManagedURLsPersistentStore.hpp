#pragma once

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Community/ConfigFileCache.hpp"

#include <memory>

namespace vellicor {

/// The preview edition's encrypted copy of its edited rules, the file
/// "ManagedURLsConfigModel.json" in the "URLManagement" folder of
/// Application Support.
class ManagedURLsPersistentStore {
public:
    ManagedURLsPersistentStore();

    /// The stored rules; none when the file is missing, unreadable, not
    /// encrypted by the app or not a rule set. Logs nothing.
    std::shared_ptr<RuntimeManagedURLs> managedURLs() const;
    /// Replaces the stored copy whole; a failure is logged at error level.
    void updateManagedURLs(const RuntimeManagedURLs& rules) const;

private:
    ConfigFileCache configFileCache_;
};

} // namespace vellicor
