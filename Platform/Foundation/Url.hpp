#pragma once

#include "Platform/Export.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// A URL as the platform's URL type holds it: an RFC 3986 reference, parsed
/// strictly (spaces, bad percent escapes and bad ports make no URL), with the
/// scheme kept as written. A relative URL keeps its base.
class PLATFORM_EXPORT Url {
public:
    /// URL(string:): none when the text is not a valid URL reference.
    static std::optional<Url> parse(std::string_view text);
    /// URL(string:relativeTo:): the text resolved against a base.
    static std::optional<Url> parse(std::string_view text, const Url& base);
    /// A file URL for an absolute file-system path.
    static Url fileURL(const std::filesystem::path& path, bool isDirectory = false);

    /// The full text of the URL, resolved against its base when it has one.
    std::string absoluteString() const;
    /// The text as given (relative part only, for a relative URL).
    const std::string& relativeString() const { return text_; }

    std::optional<std::string> scheme() const;
    std::optional<std::string> host() const;
    std::optional<int> port() const;
    std::optional<std::string> user() const;
    std::optional<std::string> password() const;
    /// The percent-decoded path, resolved against the base; a trailing "/" is
    /// dropped except for the root path "/" ("" when empty or not decodable).
    std::string path() const;
    /// The path as written (resolved against the base), still percent-encoded,
    /// trailing "/" kept.
    std::string percentEncodedPath() const;
    /// The query as written (without "?"), none when the URL has no "?".
    std::optional<std::string> query() const;
    /// The fragment as written (without "#"), none when the URL has no "#".
    std::optional<std::string> fragment() const;

    /// The decoded path split at "/" ("/" first for an absolute path; empty
    /// components dropped): "/a/b/" gives ["/", "a", "b"].
    std::vector<std::string> pathComponents() const;
    /// The last path component: "/a/b/" gives "b", "/" gives "/", "" gives "".
    std::string lastPathComponent() const;
    /// The text after the last "." of the last component ("" for none, or for
    /// a component that starts with its only ".", such as ".profile").
    std::string pathExtension() const;

    // The path operations below work on the relative text and keep the base,
    // the query and the fragment.

    /// Adds a "/" as needed and the component, percent-encoding what a path
    /// may not hold (spaces, "%", "?", "#", ...); "/" inside the component
    /// separates further components. With isDirectory the path ends in "/".
    Url appendingPathComponent(std::string_view component, bool isDirectory = false) const;
    /// "x" + "txt" gives "x.txt" (a trailing "/" stays last); unchanged for an
    /// empty extension, one holding "/", or a path without a last component.
    Url appendingPathExtension(std::string_view extension) const;
    /// "/a/b" and "/a/b/" give "/a/"; "/" stays "/"; a relative "a" gives "./".
    Url deletingLastPathComponent() const;
    /// "/a/b.txt" gives "/a/b"; unchanged without an extension.
    Url deletingPathExtension() const;

    /// Whether the scheme is "file" (in any case).
    bool isFileURL() const;
    /// Whether the (resolved) path ends in "/".
    bool hasDirectoryPath() const;
    /// The file-system path of a file URL.
    std::filesystem::path filePath() const;

    /// The same URL without a base (its absolute form).
    Url absoluteURL() const;
    /// The base this URL was made relative to, if any.
    std::optional<Url> baseURL() const;

    /// Equal when the text and the base are equal, as on the platform.
    bool operator==(const Url& other) const;

private:
    Url() = default;
    static std::optional<Url> make(std::string text, std::string baseText);
    Url withRelativePath(const std::string& encodedPath) const;

    std::string text_;
    std::string baseText_; // empty: no base (a base always has a scheme)
    std::string absolute_; // text_ resolved against baseText_
};

/// Whether two URLs share an origin: the same scheme and host (compared
/// without regard to ASCII case) and the same port, a missing port counting as
/// the scheme's default (80 for http, 443 for https). URLs without a scheme or
/// a host share no origin with anything.
PLATFORM_EXPORT bool isSameOrigin(const Url& a, const Url& b);

/// A name and an optional value of a URL query.
struct PLATFORM_EXPORT UrlQueryItem {
    std::string name;
    std::optional<std::string> value;
    bool operator==(const UrlQueryItem&) const = default;
};

/// The character sets for percent-encoding, as the platform names them. Each
/// allows the ASCII letters, digits and "-._~" plus:
///   urlQueryAllowed, urlFragmentAllowed  !$&'()*+,;= :@/?
///   urlPathAllowed                       !$&'()*+,=  :@/   (no ";", as on the platform)
///   urlHostAllowed                       !$&'()*+,;= :[]
///   urlUserAllowed, urlPasswordAllowed   !$&'()*+,;=       (no ":", "@", "/": they end the user part)
///   alphanumerics                        nothing more (ASCII letters and digits only)
enum class UrlCharacterSet {
    urlQueryAllowed,
    urlPathAllowed,
    urlHostAllowed,
    urlFragmentAllowed,
    urlUserAllowed,
    urlPasswordAllowed,
    alphanumerics,
};

/// Percent-encodes every UTF-8 byte outside the set, with upper-case hex.
PLATFORM_EXPORT std::string addingPercentEncoding(std::string_view text, UrlCharacterSet allowed);
/// Decodes percent escapes; none when an escape is malformed or the result is not UTF-8.
PLATFORM_EXPORT std::optional<std::string> removingPercentEncoding(std::string_view text);

/// URLComponents: the parts of a URL, read and written separately. The text
/// fields hold decoded values; a field left as parsed is written back with its
/// original percent-encoding, a changed one is encoded with its character set.
/// The host of an IP literal is held without brackets ("::1").
class PLATFORM_EXPORT UrlComponents {
public:
    UrlComponents() = default;
    /// none when the text is not a valid URL reference.
    static std::optional<UrlComponents> parse(std::string_view text);
    /// From a URL; when resolvingAgainstBaseURL, the absolute URL's parts.
    static std::optional<UrlComponents> fromUrl(const Url& url, bool resolvingAgainstBaseURL = true);

    std::optional<std::string> scheme;
    std::optional<std::string> user;
    std::optional<std::string> password;
    /// "" for an empty authority ("file:///tmp").
    std::optional<std::string> host;
    std::optional<int> port;
    /// Decoded path.
    std::string path;
    /// Decoded query and fragment.
    std::optional<std::string> query() const;
    void setQuery(std::optional<std::string> decoded);
    std::optional<std::string> fragment;

    std::optional<std::string> percentEncodedQuery;

    /// Query items of the percent-encoded query, decoded; none without a query.
    /// Items are split at "&", then at the first "=" ("a" has no value, "a="
    /// an empty one); "+" stays "+" (it is not a space here).
    std::optional<std::vector<UrlQueryItem>> queryItems() const;
    /// Sets the query from items, encoding each name and value; none removes the query.
    /// Names and values are encoded with the query set plus "&" and "="; "+"
    /// is left as is, as the platform does, so a server that reads "+" as a
    /// space needs the caller to encode it. An empty list gives an empty query.
    void setQueryItems(const std::optional<std::vector<UrlQueryItem>>& items);

    /// The URL of the parts; none when they do not form a valid URL (a path
    /// not starting with "/" beside an authority, a bad scheme or port, ...).
    std::optional<Url> url() const;
    std::optional<std::string> string() const;

private:
    // The parts as parsed, still encoded, to write back unchanged fields as
    // they were written.
    std::optional<std::string> parsedUser_;
    std::optional<std::string> parsedPassword_;
    std::optional<std::string> parsedHost_;
    bool parsedHostBracketed_ = false;
    std::optional<std::string> parsedPath_;
    std::optional<std::string> parsedFragment_;
};

} // namespace platform
