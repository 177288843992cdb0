#include "VellicorApp/Shell/AppUpdateLookup.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Shell/CountryCodeProvider.hpp"

#include "Platform/Foundation/Iso8601DateTime.hpp"
#include "Platform/Foundation/Json.hpp"

#include <cstdint>
#include <limits>

namespace vellicor {

namespace AppUpdate::Endpoint {

std::optional<platform::Url> iTunesURL(const std::optional<std::string>& bundleID,
                                       const std::optional<std::string>& countryCode) {
    const CountryCodeProvider provider;
    const std::string country = countryCode.value_or("USA");
    if (!bundleID) return std::nullopt;
    const auto mapping = provider.alpha3toAlpha2();
    const auto alpha2 = mapping.find(country);
    if (alpha2 == mapping.end()) return std::nullopt;

    platform::UrlComponents components;
    components.scheme = "https";
    components.host = kLookupHost;
    components.path = "/lookup";
    components.setQueryItems(std::vector<platform::UrlQueryItem>{{"bundleId", *bundleID}, {"country", alpha2->second}});
    return components.url();
}

std::optional<platform::Url> iTunesURL(const std::optional<std::string>& countryCode) {
    return iTunesURL(AppContext::current()->mainBundle->bundleIdentifier(), countryCode);
}

std::optional<platform::Url> appStoreURL(std::int64_t trackID) {
    platform::UrlComponents components;
    components.scheme = "itms-apps";
    components.host = kAppLinksHost;
    components.path = "/app/id" + std::to_string(trackID);
    return components.url();
}

} // namespace AppUpdate::Endpoint

namespace {

std::optional<ITunesAPI::AppInfo> decodeAppInfo(const platform::Json& json) {
    if (!json.is_object()) return std::nullopt;
    auto trackViewUrl = platform::jsonString(json, "trackViewUrl");
    const auto trackIdValue = platform::jsonValue(json, "trackId");
    auto minimumOsVersion = platform::jsonString(json, "minimumOsVersion");
    const auto releaseText = platform::jsonString(json, "currentVersionReleaseDate");
    auto version = platform::jsonString(json, "version");
    // The track id is an integer in the answer; 42.0 or 42.5 is not one.
    if (!trackViewUrl || !trackIdValue || !trackIdValue->is_number_integer() || !minimumOsVersion || !releaseText ||
        !version) {
        return std::nullopt;
    }
    if (trackIdValue->is_number_unsigned() &&
        trackIdValue->get<std::uint64_t>() > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    const auto released = platform::parseIso8601DateTime(*releaseText);
    if (!released) return std::nullopt;
    return ITunesAPI::AppInfo{std::move(*trackViewUrl), trackIdValue->get<std::int64_t>(),
                              std::move(*minimumOsVersion), *released, std::move(*version)};
}

} // namespace

AppUpdateLookupResult AppUpdateNetworking::decodeITunes(const platform::Data& data) {
    const auto json = platform::parseJson(data);
    if (!json) return std::unexpected(AppUpdate::NetworkError::noAppResults);
    const auto results = platform::jsonArray(*json, "results");
    if (!results) return std::unexpected(AppUpdate::NetworkError::noAppResults);
    // Every result must decode, not only the first one used.
    std::vector<ITunesAPI::AppInfo> decoded;
    for (const auto& entry : *results) {
        auto info = decodeAppInfo(entry);
        if (!info) return std::unexpected(AppUpdate::NetworkError::noAppResults);
        decoded.push_back(std::move(*info));
    }
    if (decoded.empty()) return std::unexpected(AppUpdate::NetworkError::noAppResults);
    return std::move(decoded.front());
}

void AppUpdateNetworking::decodeITunes(const platform::Data& data, const AppUpdateLookupCompletion& completion) {
    completion(decodeITunes(data));
}

} // namespace vellicor
