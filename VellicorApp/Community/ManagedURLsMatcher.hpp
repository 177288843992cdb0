#pragma once

#include "VellicorApp/Community/ManagedURLType.hpp"

#include "Platform/Foundation/Url.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vellicor {

class ManagedURLs;

/// A rule set compiled for routing links. Every pattern is validated and
/// parsed once (a relative one under the community start page given) and
/// filed under its scheme and host, so a link tries only the patterns of its
/// own scheme and host, in the lists' order. Immutable once built, so one
/// matcher may be used from several threads.
///
/// A pattern claims a link of the same scheme and host (exact comparison)
/// whose path is at or below the pattern's path, whole segments only; a
/// pattern without a path, or with the path "/", claims every path. A text
/// that is no pattern (isValidURL) or does not parse claims nothing.
class ManagedURLsMatcher {
public:
    /// Compiles the four lists of `rules` as they are now.
    ManagedURLsMatcher(const ManagedURLs& rules, std::string communityStartPage);

    /// The first list, in the order in-app browser, within app, external
    /// browser, shared-cookie browser, with a pattern that claims the link
    /// (the parts of an absolute URL); unknown when none does.
    ManagedURLType match(const platform::UrlComponents& link) const;

    /// Whether no pattern compiled (no list holds a usable pattern).
    bool empty() const { return rulesByOrigin_.empty(); }
    /// The start page relative patterns were put under.
    const std::string& communityStartPage() const { return communityStartPage_; }

private:
    struct Rule {
        ManagedURLType type;
        /// The pattern's path with a trailing "/"; empty when it claims every path.
        std::string pathPrefix;
    };
    /// A scheme and a host, each possibly absent.
    struct Origin {
        std::optional<std::string> scheme;
        std::optional<std::string> host;
    };
    struct OriginView {
        std::optional<std::string_view> scheme;
        std::optional<std::string_view> host;
    };
    struct OriginHash {
        using is_transparent = void;
        std::size_t operator()(const OriginView& origin) const;
        std::size_t operator()(const Origin& origin) const { return (*this)(view(origin)); }
    };
    struct OriginEqual {
        using is_transparent = void;
        bool operator()(const OriginView& a, const OriginView& b) const {
            return a.scheme == b.scheme && a.host == b.host;
        }
        bool operator()(const Origin& a, const OriginView& b) const { return (*this)(view(a), b); }
        bool operator()(const OriginView& a, const Origin& b) const { return (*this)(a, view(b)); }
        bool operator()(const Origin& a, const Origin& b) const { return (*this)(view(a), view(b)); }
    };
    static OriginView view(const Origin& origin);

    void add(ManagedURLType type, const std::string& pattern);

    std::string communityStartPage_;
    /// Each origin's rules in the lists' order.
    std::unordered_map<Origin, std::vector<Rule>, OriginHash, OriginEqual> rulesByOrigin_;
};

} // namespace vellicor
