#include "VellicorApp/Community/ManagedURLsMatcher.hpp"

#include "VellicorApp/Community/CommunityAddress.hpp"
#include "VellicorApp/Community/ManagedURLs.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"

#include <array>
#include <functional>

namespace vellicor {

namespace {

std::optional<std::string_view> optionalView(const std::optional<std::string>& text) {
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

std::size_t hashOf(const std::optional<std::string_view>& text) {
    return text ? std::hash<std::string_view>{}(*text) : 0x9e3779b97f4a7c15ULL;
}

} // namespace

ManagedURLsMatcher::OriginView ManagedURLsMatcher::view(const Origin& origin) {
    return {optionalView(origin.scheme), optionalView(origin.host)};
}

std::size_t ManagedURLsMatcher::OriginHash::operator()(const OriginView& origin) const {
    return hashOf(origin.scheme) * 31 + hashOf(origin.host);
}

ManagedURLsMatcher::ManagedURLsMatcher(const ManagedURLs& rules, std::string communityStartPage)
    : communityStartPage_(std::move(communityStartPage)) {
    constexpr std::array order = {ManagedURLType::internalBrowser, ManagedURLType::internalWebApp,
                                  ManagedURLType::externalBrowser, ManagedURLType::internalCookieBrowser};
    for (const auto type : order) {
        for (const auto& pattern : rules.list(type)) add(type, pattern);
    }
}

void ManagedURLsMatcher::add(ManagedURLType type, const std::string& pattern) {
    std::optional<platform::UrlComponents> parsed;
    if (isAbsoluteURL(pattern)) {
        parsed = platform::UrlComponents::parse(pattern);
    } else if (isRelativeURL(pattern)) {
        // A relative pattern names a path under the start page: "/topic"
        // under "https://host/s/" is "https://host/s/topic".
        parsed = platform::UrlComponents::parse(communityStartPage_ + pattern.substr(1));
    }
    if (!parsed) return;

    const std::string& path = parsed->path;
    Rule rule{type, path.empty() || path == "/" ? std::string() : withTrailingSlash(path)};
    rulesByOrigin_[Origin{std::move(parsed->scheme), std::move(parsed->host)}].push_back(std::move(rule));
}

ManagedURLType ManagedURLsMatcher::match(const platform::UrlComponents& link) const {
    const auto found = rulesByOrigin_.find(OriginView{optionalView(link.scheme), optionalView(link.host)});
    if (found == rulesByOrigin_.end()) return ManagedURLType::unknown;
    const std::string path = withTrailingSlash(link.path);
    for (const auto& rule : found->second) {
        if (rule.pathPrefix.empty() || path.starts_with(rule.pathPrefix)) return rule.type;
    }
    return ManagedURLType::unknown;
}

} // namespace vellicor
