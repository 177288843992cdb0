#include "VellicorApp/Community/UrlClassification.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/ManagedURLs.hpp"
#include "VellicorApp/Shell/AppContext.hpp"

#include "Platform/Foundation/Text.hpp"
#include "Platform/UI/Application.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace vellicor {

namespace {

// Whole-string patterns of rule entries, in the platform's regular
// expression syntax.
constexpr std::string_view kAbsolutePattern =
    R"(^(https?:\/\/)([\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]+\.[a-zA-Z\.]{2,63}|[\d\.]+)([\/:?=&#]{1}[\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]+)*[\/\?]?$)";
constexpr std::string_view kRelativePattern =
    R"(^(\/)([\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]*|[\d\.]+)([\/:?=&#]{1}[\da-zA-Z\Q$-_.+!*'(),;/?:@=&\E]+)*[\/\?]?$)";
// A further site below the community's address.
constexpr std::string_view kNestedSitePattern = "[/].+[/]s([/]?$|[/].+)";

const platform::Regex& compiled(std::string_view pattern) {
    // The three patterns are fixed and compile; a failure would be a fault of
    // this file, caught by its tests.
    if (pattern == kAbsolutePattern) {
        static const platform::Regex regex = platform::Regex::make(kAbsolutePattern).value();
        return regex;
    }
    if (pattern == kRelativePattern) {
        static const platform::Regex regex = platform::Regex::make(kRelativePattern).value();
        return regex;
    }
    static const platform::Regex regex = platform::Regex::make(kNestedSitePattern).value();
    return regex;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string loginHost() {
    const auto context = AppContext::current();
    return context->userAccountManager ? context->userAccountManager->loginHost() : std::string();
}

// Whether a URL (its components) matches one rule pattern. The community
// start page that relative patterns stand under is formed on first need and
// kept for the rest of one classification.
bool evaluateURL(const platform::UrlComponents& components, const std::string& pattern,
                 std::optional<std::string>& startPage) {
    std::optional<platform::UrlComponents> patternComponents;
    if (isAbsoluteURL(pattern)) {
        patternComponents = platform::UrlComponents::parse(pattern);
    } else if (isRelativeURL(pattern)) {
        if (!startPage) startPage = communityStartPage(loginHost());
        patternComponents = platform::UrlComponents::parse(*startPage + pattern.substr(1));
    } else {
        return false;
    }
    if (!patternComponents) return false;

    if (components.scheme != patternComponents->scheme) return false;
    if (components.host != patternComponents->host) return false;

    const auto& patternPath = patternComponents->path;
    if (patternPath.empty()) return true;
    if (withTrailingSlash(components.path).starts_with(withTrailingSlash(patternPath))) return true;
    return patternPath == "/";
}

std::optional<std::string> defaultBehavior(const std::shared_ptr<ManagedURLs>& rules) {
    if (!rules) return std::nullopt;
    return rules->defaultBehavior();
}

} // namespace

bool isHttpRequest(const platform::Url& url) {
    const auto scheme = url.scheme();
    return scheme && (*scheme == "http" || *scheme == "https" || *scheme == "tnx");
}

bool isInternalCommunityURL(const platform::Url& url, std::string_view loginHost) {
    const auto scheme = url.scheme();
    if (!scheme || *scheme != "https") return false;

    const auto community = platform::UrlComponents::parse("https://" + std::string(loginHost));
    if (!community || !community->host || community->host->empty()) return false;
    const auto components = platform::UrlComponents::fromUrl(url, true);
    if (!components || !components->host || !equalsIgnoringAsciiCase(*components->host, *community->host)) {
        return false;
    }
    if (community->port && community->port != components->port) return false;

    // The community's path, whole segments only: "/site" is not "/site2".
    std::string communityPath = community->path;
    while (!communityPath.empty() && communityPath.back() == '/') communityPath.pop_back();
    const auto& path = components->path;
    if (!communityPath.empty() && path != communityPath && !path.starts_with(communityPath + "/")) return false;

    const std::string_view rest = std::string_view(path).substr(std::min(communityPath.size(), path.size()));
    if (rest.empty()) return true;
    return !compiled(kNestedSitePattern).firstMatch(rest).has_value();
}

ManagedURLType isManagedURL(const platform::Url& url) {
    const auto rules = managedURLs(*AppContext::current());
    if (!rules) return ManagedURLType::unknown;
    const auto components = platform::UrlComponents::fromUrl(url, true);
    if (!components) return ManagedURLType::unknown;
    std::optional<std::string> startPage;
    constexpr std::array order = {ManagedURLType::internalBrowser, ManagedURLType::internalWebApp,
                                  ManagedURLType::externalBrowser, ManagedURLType::internalCookieBrowser};
    for (const auto type : order) {
        for (const auto& pattern : rules->list(type)) {
            if (evaluateURL(*components, pattern, startPage)) return type;
        }
    }
    return ManagedURLType::unknown;
}

bool shouldTreatAsInternalWebAppLink(const platform::Url& url) {
    const auto type = isManagedURL(url);
    const auto fallback = defaultBehavior(managedURLs(*AppContext::current()));
    const bool claimable = type == ManagedURLType::unknown || type == ManagedURLType::internalWebApp;
    if (claimable && isInternalCommunityURL(url, loginHost())) return true;
    if (type == ManagedURLType::internalWebApp) return true;
    return fallback == "WithinApp" && claimable;
}

bool shouldTreatAsInternalCookieBrowserLink(const platform::Url& url) {
    const auto type = isManagedURL(url);
    if (type == ManagedURLType::internalCookieBrowser) return true;
    const auto fallback = defaultBehavior(managedURLs(*AppContext::current()));
    return fallback == "InAppSharedCookieBrowser" && type < ManagedURLType::internalBrowser;
}

platform::Json externalURLOptions(const platform::Url& url) {
    const auto type = isManagedURL(url);
    const auto context = AppContext::current();
    const auto fallback = defaultBehavior(managedURLs(*context));
    auto options = platform::Json::object();
    if (context->supportsDonation()) return options;
    if (type == ManagedURLType::externalBrowser) return options;
    if (fallback == "ExternalBrowser" && type != ManagedURLType::internalBrowser) return options;
    if (isHttpRequest(url)) options[platform::ui::kOpenURLOptionUniversalLinksOnly] = true;
    return options;
}

bool isAbsoluteURL(std::string_view text) { return compiled(kAbsolutePattern).matchesWhole(text); }

bool isRelativeURL(std::string_view text) { return compiled(kRelativePattern).matchesWhole(text); }

bool isValidURL(std::string_view text) { return isAbsoluteURL(text) || isRelativeURL(text); }

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
