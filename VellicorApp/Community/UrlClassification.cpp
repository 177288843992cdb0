#include "VellicorApp/Community/UrlClassification.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/ManagedURLs.hpp"
#include "VellicorApp/Community/ManagedURLsMatcher.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/Foundation/Text.hpp"
#include "Platform/UI/Application.hpp"

#include <algorithm>
#include <cctype>

namespace vellicor {

namespace {

std::string loginHost() {
    const auto context = AppContext::current();
    return context->userAccountManager ? context->userAccountManager->loginHost() : std::string();
}

std::optional<std::string> defaultBehavior(const std::shared_ptr<ManagedURLs>& rules) {
    if (!rules) return std::nullopt;
    return rules->defaultBehavior();
}

// The community's address as URL parts: a start page with its scheme
// ("https://host/path/"), or a login host without one ("host/path").
std::optional<platform::UrlComponents> communityAddress(std::string_view address) {
    if (address.find("://") == std::string_view::npos) {
        return platform::UrlComponents::parse("https://" + std::string(address));
    }
    auto parsed = platform::UrlComponents::parse(address);
    if (!parsed || !parsed->scheme || !platform::caseInsensitiveEquals(*parsed->scheme, "https")) return std::nullopt;
    return parsed;
}

// The percent-encoded path with "%2e" written "." and "%2f" written "/",
// the forms a server may read them in.
std::string withDotsAndSlashesDecoded(std::string_view encodedPath) {
    std::string decoded;
    decoded.reserve(encodedPath.size());
    for (std::size_t i = 0; i < encodedPath.size(); ++i) {
        if (encodedPath[i] == '%' && i + 2 < encodedPath.size() && encodedPath[i + 1] == '2') {
            const char low = static_cast<char>(std::tolower(static_cast<unsigned char>(encodedPath[i + 2])));
            if (low == 'e' || low == 'f') {
                decoded.push_back(low == 'e' ? '.' : '/');
                i += 2;
                continue;
            }
        }
        decoded.push_back(encodedPath[i]);
    }
    return decoded;
}

bool hasDotSegment(std::string_view path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "." || segment == "..") return true;
        start = end + 1;
    }
    return false;
}

// The link's decoded path without dot segments: "." and ".." (also written
// with "%2e", or after "%2f") are removed as RFC 3986 resolution removes
// them, so "/site/../other" is "/other". None when the path does not resolve.
std::optional<std::string> pathWithoutDotSegments(const platform::Url& url, const std::string& decodedPath) {
    const std::string path = withDotsAndSlashesDecoded(url.percentEncodedPath());
    if (!hasDotSegment(path)) return decodedPath;
    // Resolving the rooted path against any base removes its dot segments;
    // "/." in front keeps a path that starts with "//" a path.
    static const platform::Url base = platform::Url::parse("https://base.invalid/").value();
    const auto resolved = platform::Url::parse("/." + path, base);
    if (!resolved) return std::nullopt;
    const std::string normalized = resolved->percentEncodedPath();
    return platform::removingPercentEncoding(normalized).value_or(normalized);
}

// The length of the line break at `i` ("\r\n" counts as one); 0 for none.
// Line breaks are those of the platform's regular expressions.
std::size_t lineBreakLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    const unsigned first = byte(i);
    if (first == '\r') return byte(i + 1) == '\n' ? 2 : 1;
    if (first >= '\n' && first <= '\r') return 1;                                             // LF, VT, FF
    if (first == 0xC2 && byte(i + 1) == 0x85) return 2;                                        // U+0085
    if (first == 0xE2 && byte(i + 1) == 0x80 && (byte(i + 2) == 0xA8 || byte(i + 2) == 0xA9)) { // U+2028, U+2029
        return 3;
    }
    return 0;
}

// Whether nothing, or only one line break, follows position `i`.
bool endsAt(std::string_view text, std::size_t i) {
    return i >= text.size() || i + lineBreakLength(text, i) == text.size();
}

// Whether the path below the community's leads into a further site: a "/",
// at least one character, "/s", then the end (perhaps after one more "/") or
// "/" and at least one more character. A character here is anything but a
// line break. One walk over the path.
bool leadsIntoNestedSite(std::string_view rest) {
    constexpr auto none = std::string_view::npos;
    std::size_t lastSlash = none;
    std::size_t slashBefore = none;
    std::size_t lastBreak = none;
    for (std::size_t i = 0; i < rest.size();) {
        if (const auto length = lineBreakLength(rest, i)) {
            lastBreak = i;
            i += length;
            continue;
        }
        if (rest[i] == '/') {
            if (i + 1 < rest.size() && rest[i + 1] == 's') {
                // The segment before "/s" opens at the last "/" with at least
                // one character after it, and holds no line break.
                const auto opening = lastSlash != none && lastSlash + 1 < i ? lastSlash : slashBefore;
                const bool segment = opening != none && (lastBreak == none || lastBreak < opening);
                // Then the end, "/" and the end, or "/" and a character.
                const std::size_t after = i + 2;
                const bool siteEnds =
                    endsAt(rest, after) ||
                    (rest[after] == '/' && (endsAt(rest, after + 1) || lineBreakLength(rest, after + 1) == 0));
                if (segment && siteEnds) return true;
            }
            slashBefore = lastSlash;
            lastSlash = i;
        }
        ++i;
    }
    return false;
}

} // namespace

bool isHttpRequest(const platform::Url& url) {
    const auto scheme = url.scheme();
    return scheme && (*scheme == "http" || *scheme == "https" || *scheme == "tnx");
}

bool isCommunityOrigin(const platform::Url& url, std::string_view address) {
    const auto community = communityAddress(address);
    if (!community || !community->host || community->host->empty()) return false;
    const auto communityURL = community->url();
    return communityURL && platform::isSameOrigin(url, *communityURL);
}

bool isInternalCommunityURL(const platform::Url& url, std::string_view address) {
    const auto scheme = url.scheme();
    if (!scheme || *scheme != "https") return false;
    if (!isCommunityOrigin(url, address)) return false;

    const auto community = communityAddress(address);
    const auto components = platform::UrlComponents::fromUrl(url, true);
    if (!community || !components) return false;

    // The community's path, whole segments only: "/site" is not "/site2".
    std::string communityPath = community->path;
    while (!communityPath.empty() && communityPath.back() == '/') communityPath.pop_back();
    const auto path = pathWithoutDotSegments(url, components->path);
    if (!path) return false;
    if (!communityPath.empty() && *path != communityPath && !path->starts_with(communityPath + "/")) return false;

    const std::string_view rest = std::string_view(*path).substr(std::min(communityPath.size(), path->size()));
    return !leadsIntoNestedSite(rest);
}

bool isCommunityPage(const platform::Url& url, std::string_view address, std::string_view path) {
    if (!isCommunityOrigin(url, address)) return false;
    const auto community = communityAddress(address);
    if (!community) return false;
    const auto shown = pathWithoutDotSegments(url, url.path());
    if (!shown) return false;
    if (*shown == path) return true;
    std::string below = community->path;
    while (!below.empty() && below.back() == '/') below.pop_back();
    return !below.empty() && *shown == below + std::string(path);
}

ManagedURLType isManagedURL(const platform::Url& url) {
    const auto rules = AppContext::current()->managedURLs();
    if (!rules) return ManagedURLType::unknown;
    const auto matcher = rules->matcher();
    if (matcher->empty()) return ManagedURLType::unknown;
    const auto components = platform::UrlComponents::fromUrl(url, true);
    if (!components) return ManagedURLType::unknown;
    return matcher->match(*components);
}

bool shouldTreatAsInternalWebAppLink(const platform::Url& url) {
    const auto type = isManagedURL(url);
    const auto fallback = defaultBehavior(AppContext::current()->managedURLs());
    const bool claimable = type == ManagedURLType::unknown || type == ManagedURLType::internalWebApp;
    if (claimable && isInternalCommunityURL(url, loginHost())) return true;
    if (type == ManagedURLType::internalWebApp) return true;
    return fallback == "WithinApp" && claimable;
}

bool shouldTreatAsInternalCookieBrowserLink(const platform::Url& url) {
    const auto type = isManagedURL(url);
    if (type == ManagedURLType::internalCookieBrowser) return true;
    const auto fallback = defaultBehavior(AppContext::current()->managedURLs());
    return fallback == "InAppSharedCookieBrowser" && type < ManagedURLType::internalBrowser;
}

platform::Json externalURLOptions(const platform::Url& url) {
    const auto type = isManagedURL(url);
    const auto context = AppContext::current();
    const auto fallback = defaultBehavior(context->managedURLs());
    auto options = platform::Json::object();
    if (supportsDonation(*context)) return options;
    if (type == ManagedURLType::externalBrowser) return options;
    if (fallback == "ExternalBrowser" && type != ManagedURLType::internalBrowser) return options;
    if (isHttpRequest(url)) options[platform::ui::kOpenURLOptionUniversalLinksOnly] = true;
    return options;
}

bool isBaseCommunityURL(std::string_view text) { return text == communityStartPage(loginHost()); }

std::optional<platform::Url> validatedURL(std::string_view text) {
    const std::string trimmed = platform::trimmingWhitespace(text);
    std::string_view address = trimmed;
    if (const auto last = address.rfind("://"); last != std::string_view::npos) address = address.substr(last + 3);
    return platform::Url::parse("https://" + std::string(address));
}

std::optional<platform::Url> oAuthRedirectURL(std::string_view text) {
    if (isBaseCommunityURL(text)) return std::nullopt;
    if (!isRelativeURL(text)) return platform::Url::parse(text);
    const auto account = AppContext::current()->userAccount();
    const auto credentials = account ? account->credentials() : nullptr;
    const auto apiUrl = credentials ? credentials->apiUrl() : std::nullopt;
    const auto host = apiUrl ? apiUrl->host() : std::nullopt;
    if (!host) return platform::Url::parse(text);
    return platform::Url::parse(apiUrl->scheme().value_or("https") + "://" + *host + std::string(text));
}

} // namespace vellicor
