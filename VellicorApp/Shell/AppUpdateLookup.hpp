#pragma once

// The App Store's public lookup of this app: the lookup and store-page
// addresses, the decoded answer and the service that fetches it.

#include "Platform/Foundation/Clock.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/Url.hpp"

#include <cstdint>
#include <expected>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vellicor {

namespace AppUpdate {

/// The store's public lookup host and the host of its app links.
inline constexpr const char* kLookupHost = "itunes.apple.com";
inline constexpr const char* kAppLinksHost = "apps.apple.com";

namespace Endpoint {

/// "https://<lookup host>/lookup?bundleId=<bundle id>&country=<alpha-2>" for
/// the storefront's alpha-3 country code ("USA" when none is given), mapped
/// through the country table of the main bundle (exact case). None without a
/// bundle identifier or when the table has no such country. `bundleID`
/// defaults to the current context's bundle identifier.
std::optional<platform::Url> iTunesURL(const std::optional<std::string>& bundleID,
                                       const std::optional<std::string>& countryCode);
std::optional<platform::Url> iTunesURL(const std::optional<std::string>& countryCode);

/// "itms-apps://<app links host>/app/id<track id>".
std::optional<platform::Url> appStoreURL(std::int64_t trackID);

} // namespace Endpoint

/// Why a lookup gave no app.
enum class NetworkError {
    invalidUrl,   // no lookup address
    noAppResults, // the body is no lookup answer, or it lists no app
    general,      // the transfer failed
    noData,       // no error and no body
};

} // namespace AppUpdate

namespace ITunesAPI {

/// The store's record of this app, as far as the update check reads it.
struct AppInfo {
    std::string trackViewUrl;
    std::int64_t trackId = 0;
    std::string minimumOsVersion;
    /// Seconds since 1970.
    platform::TimeInterval currentVersionReleaseDate = 0;
    std::string version;

    bool operator==(const AppInfo&) const = default;
};

/// The lookup answer: {"results": [AppInfo...]}.
struct Results {
    std::vector<AppInfo> results;
};

} // namespace ITunesAPI

using AppUpdateLookupResult = std::expected<ITunesAPI::AppInfo, AppUpdate::NetworkError>;
using AppUpdateLookupCompletion = std::function<void(AppUpdateLookupResult)>;

/// The store lookup the update check runs.
class AppUpdateNetworking {
public:
    virtual ~AppUpdateNetworking() = default;
    /// One lookup of the address; the completion runs exactly once, on the
    /// thread the transfer answers on (at once for a missing address).
    virtual void getAppUpdateDetails(const std::optional<platform::Url>& url, AppUpdateLookupCompletion completion) = 0;

    /// Decodes a lookup answer and hands the first app to the completion.
    /// Every result must carry "trackViewUrl", "trackId", "minimumOsVersion",
    /// "currentVersionReleaseDate" (ISO 8601 with a zone, no fractions) and
    /// "version" with the right types, or the whole answer is `noAppResults`;
    /// so is an empty list.
    static void decodeITunes(const platform::Data& data, const AppUpdateLookupCompletion& completion);
    static AppUpdateLookupResult decodeITunes(const platform::Data& data);
};

} // namespace vellicor
