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
    /// The percent-decoded path ("" when empty).
    std::string path() const;
    /// The path as written, still percent-encoded.
    std::string percentEncodedPath() const;
    /// The query as written (without "?"), none when the URL has no "?".
    std::optional<std::string> query() const;
    /// The fragment as written (without "#"), none when the URL has no "#".
    std::optional<std::string> fragment() const;

    /// The decoded path split at "/" ("/" first for an absolute path).
    std::vector<std::string> pathComponents() const;
    std::string lastPathComponent() const;
    std::string pathExtension() const;
    Url appendingPathComponent(std::string_view component, bool isDirectory = false) const;
    Url appendingPathExtension(std::string_view extension) const;
    Url deletingLastPathComponent() const;
    Url deletingPathExtension() const;

    bool isFileURL() const;
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
    std::string text_;
    std::string baseText_; // empty: no base
};

/// A name and an optional value of a URL query.
struct PLATFORM_EXPORT UrlQueryItem {
    std::string name;
    std::optional<std::string> value;
    bool operator==(const UrlQueryItem&) const = default;
};

/// The character sets for percent-encoding, as the platform names them.
enum class UrlCharacterSet {
    urlQueryAllowed,
    urlPathAllowed,
    urlHostAllowed,
    urlFragmentAllowed,
    urlUserAllowed,
    urlPasswordAllowed,
    alphanumerics,
};

/// Percent-encodes every UTF-8 byte outside the set.
PLATFORM_EXPORT std::string addingPercentEncoding(std::string_view text, UrlCharacterSet allowed);
/// Decodes percent escapes; none when an escape is malformed or the result is not UTF-8.
PLATFORM_EXPORT std::optional<std::string> removingPercentEncoding(std::string_view text);

/// URLComponents: the parts of a URL, read and written separately.
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
    std::optional<std::vector<UrlQueryItem>> queryItems() const;
    /// Sets the query from items, encoding each name and value; none removes the query.
    void setQueryItems(const std::optional<std::vector<UrlQueryItem>>& items);

    /// The URL of the parts; none when they do not form a valid URL.
    std::optional<Url> url() const;
    std::optional<std::string> string() const;
};

} // namespace platform
