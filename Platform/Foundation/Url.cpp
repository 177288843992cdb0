#include "Platform/Foundation/Url.hpp"

#include <uriparser/Uri.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <system_error>

namespace platform {
namespace {

// ---------------------------------------------------------------------------
// Character sets

constexpr std::string_view kSubDelims = "!$&'()*+,;=";

bool isAsciiAlphanumeric(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isUnreserved(unsigned char c) {
    return isAsciiAlphanumeric(c) || c == '-' || c == '.' || c == '_' || c == '~';
}

bool isSubDelim(unsigned char c) {
    return c != 0 && kSubDelims.find(static_cast<char>(c)) != std::string_view::npos;
}

bool isAllowed(unsigned char c, UrlCharacterSet set) {
    switch (set) {
    case UrlCharacterSet::alphanumerics:
        return isAsciiAlphanumeric(c);
    case UrlCharacterSet::urlQueryAllowed:
    case UrlCharacterSet::urlFragmentAllowed:
        return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '@' || c == '/' || c == '?';
    case UrlCharacterSet::urlPathAllowed:
        return isUnreserved(c) || (isSubDelim(c) && c != ';') || c == ':' || c == '@' || c == '/';
    case UrlCharacterSet::urlHostAllowed:
        return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '[' || c == ']';
    case UrlCharacterSet::urlUserAllowed:
    case UrlCharacterSet::urlPasswordAllowed:
        return isUnreserved(c) || isSubDelim(c);
    }
    return false;
}

// Encodes every byte outside `set` and every byte in `alsoEncode`.
std::string encode(std::string_view text, UrlCharacterSet set, std::string_view alsoEncode = {}) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (isAllowed(c, set) && alsoEncode.find(ch) == std::string_view::npos) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t offset = 0;
    while (offset < length) {
        UChar32 c = 0;
        U8_NEXT(bytes, offset, length, c);
        if (c < 0) return false;
    }
    return true;
}

// Decoded text, or the text itself when it does not decode (fields that are
// shown decoded never lose their value over a stray byte).
std::string decodeOrKeep(std::string_view text) {
    auto decoded = removingPercentEncoding(text);
    return decoded ? std::move(*decoded) : std::string(text);
}

// ---------------------------------------------------------------------------
// Parsing with uriparser

std::string rangeText(const UriTextRangeA& range) {
    if (range.first == nullptr || range.afterLast == nullptr) return {};
    return std::string(range.first, static_cast<std::size_t>(range.afterLast - range.first));
}

std::optional<std::string> optionalRange(const UriTextRangeA& range) {
    if (range.first == nullptr) return std::nullopt;
    return rangeText(range);
}

// A parsed uriparser URI, freed with its owner.
class ParsedUri {
public:
    explicit ParsedUri(std::string_view text) {
        const char* errorPos = nullptr;
        ok_ = uriParseSingleUriExA(&uri_, text.data(), text.data() + text.size(), &errorPos) == URI_SUCCESS;
    }
    ~ParsedUri() {
        if (ok_) uriFreeUriMembersA(&uri_);
    }
    ParsedUri(const ParsedUri&) = delete;
    ParsedUri& operator=(const ParsedUri&) = delete;

    bool ok() const { return ok_; }
    const UriUriA& get() const { return uri_; }

private:
    UriUriA uri_{};
    bool ok_ = false;
};

std::optional<std::string> toText(const UriUriA& uri) {
    int chars = 0;
    if (uriToStringCharsRequiredA(&uri, &chars) != URI_SUCCESS) return std::nullopt;
    std::string out(static_cast<std::size_t>(chars) + 1, '\0');
    int written = 0;
    if (uriToStringA(out.data(), &uri, chars + 1, &written) != URI_SUCCESS || written < 1) return std::nullopt;
    out.resize(static_cast<std::size_t>(written - 1));
    return out;
}

// The parts of a URI reference, each as written (still percent-encoded).
struct Parts {
    std::optional<std::string> scheme;
    std::optional<std::string> userInfo;
    std::optional<std::string> host; // set when there is an authority; without brackets
    bool hostBracketed = false;      // IPv6 or IPvFuture literal
    std::optional<std::string> port; // digits, possibly empty ("http://a:/")
    std::string path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;

    bool hasAuthority() const { return host.has_value(); }
};

std::optional<int> portNumber(const std::string& digits) {
    if (digits.empty()) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// The parts of a valid URI reference; none when the text is not one (strict
// RFC 3986 grammar) or its port is out of range.
std::optional<Parts> decompose(std::string_view text) {
    const ParsedUri parsed(text);
    if (!parsed.ok()) return std::nullopt;
    const UriUriA& uri = parsed.get();

    Parts parts;
    parts.scheme = optionalRange(uri.scheme);
    // uriparser marks an authority by a set host range, empty for "file:///".
    if (uri.hostText.first != nullptr) {
        parts.host = rangeText(uri.hostText);
        parts.hostBracketed = uri.hostData.ip6 != nullptr || uri.hostData.ipFuture.first != nullptr;
        parts.userInfo = optionalRange(uri.userInfo);
        parts.port = optionalRange(uri.portText);
    }
    if (parts.port && !parts.port->empty()) {
        // uriparser checks the digits, not the range.
        const auto port = portNumber(*parts.port);
        if (!port || *port > 65535) return std::nullopt;
    }
    const bool rooted = uri.absolutePath == URI_TRUE || (parts.hasAuthority() && uri.pathHead != nullptr);
    if (rooted) parts.path = "/";
    for (const UriPathSegmentA* segment = uri.pathHead; segment != nullptr; segment = segment->next) {
        if (segment != uri.pathHead) parts.path += '/';
        parts.path += rangeText(segment->text);
    }
    parts.query = optionalRange(uri.query);
    parts.fragment = optionalRange(uri.fragment);
    return parts;
}

// The text of the parts (RFC 3986 section 5.3).
std::string compose(const Parts& parts) {
    std::string out;
    if (parts.scheme) out += *parts.scheme + ":";
    std::string path = parts.path;
    if (parts.hasAuthority()) {
        out += "//";
        if (parts.userInfo) out += *parts.userInfo + "@";
        out += parts.hostBracketed ? "[" + *parts.host + "]" : *parts.host;
        if (parts.port) out += ":" + *parts.port;
        if (!path.empty() && path.front() != '/') path.insert(0, "/");
    } else {
        // "//x" would read as an authority.
        if (path.starts_with("//")) path.insert(0, "/.");
        // "a:b" would read as a scheme in a relative reference.
        if (!parts.scheme) {
            const auto firstSlash = path.find('/');
            if (path.substr(0, firstSlash).find(':') != std::string::npos) path.insert(0, "./");
        }
    }
    out += path;
    if (parts.query) out += "?" + *parts.query;
    if (parts.fragment) out += "#" + *parts.fragment;
    return out;
}

// `relative` resolved against the absolute `base` (RFC 3986 section 5.2).
std::optional<std::string> resolve(std::string_view relative, std::string_view base) {
    const ParsedUri rel(relative);
    const ParsedUri abs(base);
    if (!rel.ok() || !abs.ok() || abs.get().scheme.first == nullptr) return std::nullopt;
    UriUriA resolved{};
    if (uriAddBaseUriExA(&resolved, &rel.get(), &abs.get(), URI_RESOLVE_STRICTLY) != URI_SUCCESS) {
        return std::nullopt; // uriparser frees the result itself on failure
    }
    auto text = toText(resolved);
    uriFreeUriMembersA(&resolved);
    return text;
}

// ---------------------------------------------------------------------------
// Paths

// The path without one trailing "/", except for the root.
std::string_view withoutTrailingSlash(std::string_view path) {
    if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

// Where the extension's "." is in the last segment of `path` (no trailing
// "/"), if there is one: not at the segment's start, and ".." has none.
std::optional<std::size_t> extensionDot(std::string_view path) {
    const auto slash = path.rfind('/');
    const std::size_t segmentStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view segment = path.substr(segmentStart);
    const auto dot = segment.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || segment == "..") return std::nullopt;
    return segmentStart + dot;
}

} // namespace

// ---------------------------------------------------------------------------
// Percent-encoding

std::string addingPercentEncoding(std::string_view text, UrlCharacterSet allowed) {
    return encode(text, allowed);
}

std::optional<std::string> removingPercentEncoding(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out.push_back(static_cast<char>((high << 4) | low));
        i += 2;
    }
    if (!isValidUtf8(out)) return std::nullopt;
    return out;
}

// ---------------------------------------------------------------------------
// Url

std::optional<Url> Url::make(std::string text, std::string baseText) {
    Url url;
    if (baseText.empty()) {
        url.absolute_ = text;
    } else {
        auto resolved = resolve(text, baseText);
        if (!resolved) return std::nullopt;
        url.absolute_ = std::move(*resolved);
    }
    url.text_ = std::move(text);
    url.baseText_ = std::move(baseText);
    return url;
}

std::optional<Url> Url::parse(std::string_view text) {
    if (text.empty() || !decompose(text)) return std::nullopt;
    return make(std::string(text), {});
}

std::optional<Url> Url::parse(std::string_view text, const Url& base) {
    if (text.empty()) return std::nullopt;
    const auto parts = decompose(text);
    if (!parts) return std::nullopt;
    // A text with a scheme is absolute already: the base is not kept.
    if (parts->scheme) return make(std::string(text), {});
    return make(std::string(text), base.absoluteString());
}

Url Url::fileURL(const std::filesystem::path& path, bool isDirectory) {
    std::error_code error;
    std::string text = std::filesystem::absolute(path, error).generic_string();
    if (error || text.empty()) text = path.generic_string();
    if (text.empty() || text.front() != '/') text.insert(0, "/");
    if (isDirectory && text.back() != '/') text += '/';
    Parts parts;
    parts.scheme = "file";
    parts.host = "";
    parts.path = encode(text, UrlCharacterSet::urlPathAllowed);
    Url url;
    url.text_ = compose(parts);
    url.absolute_ = url.text_;
    return url;
}

std::string Url::absoluteString() const { return absolute_; }

std::optional<std::string> Url::scheme() const {
    const auto parts = decompose(absolute_);
    return parts ? parts->scheme : std::nullopt;
}

std::optional<std::string> Url::host() const {
    const auto parts = decompose(absolute_);
    if (!parts || !parts->host || parts->host->empty()) return std::nullopt;
    return removingPercentEncoding(*parts->host);
}

std::optional<int> Url::port() const {
    const auto parts = decompose(absolute_);
    if (!parts || !parts->port) return std::nullopt;
    return portNumber(*parts->port);
}

std::optional<std::string> Url::user() const {
    const auto parts = decompose(absolute_);
    if (!parts || !parts->userInfo) return std::nullopt;
    return removingPercentEncoding(parts->userInfo->substr(0, parts->userInfo->find(':')));
}

std::optional<std::string> Url::password() const {
    const auto parts = decompose(absolute_);
    if (!parts || !parts->userInfo) return std::nullopt;
    const auto colon = parts->userInfo->find(':');
    if (colon == std::string::npos) return std::nullopt;
    return removingPercentEncoding(parts->userInfo->substr(colon + 1));
}

std::string Url::path() const {
    const auto decoded = removingPercentEncoding(withoutTrailingSlash(percentEncodedPath()));
    return decoded.value_or(std::string());
}

std::string Url::percentEncodedPath() const {
    const auto parts = decompose(absolute_);
    return parts ? parts->path : std::string();
}

std::optional<std::string> Url::query() const {
    const auto parts = decompose(absolute_);
    return parts ? parts->query : std::nullopt;
}

std::optional<std::string> Url::fragment() const {
    const auto parts = decompose(absolute_);
    return parts ? parts->fragment : std::nullopt;
}

std::vector<std::string> Url::pathComponents() const {
    const std::string decoded = path();
    std::vector<std::string> components;
    if (decoded.starts_with('/')) components.emplace_back("/");
    std::size_t start = 0;
    while (start <= decoded.size()) {
        auto end = decoded.find('/', start);
        if (end == std::string::npos) end = decoded.size();
        if (end > start) components.push_back(decoded.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

std::string Url::lastPathComponent() const {
    const auto components = pathComponents();
    return components.empty() ? std::string() : components.back();
}

std::string Url::pathExtension() const {
    const std::string component = lastPathComponent();
    if (component == "/") return {};
    const auto dot = extensionDot(component);
    return dot ? component.substr(*dot + 1) : std::string();
}

Url Url::withRelativePath(const std::string& encodedPath) const {
    auto parts = decompose(text_);
    if (!parts) return *this;
    parts->path = encodedPath;
    const std::string text = compose(*parts);
    if (!decompose(text)) return *this;
    auto url = make(text, baseText_);
    return url ? std::move(*url) : *this;
}

Url Url::appendingPathComponent(std::string_view component, bool isDirectory) const {
    const auto parts = decompose(text_);
    if (!parts) return *this;
    while (component.starts_with('/')) component.remove_prefix(1);
    std::string path = parts->path;
    if (path.empty()) {
        if (parts->hasAuthority()) path = "/";
    } else if (path.back() != '/') {
        path += '/';
    }
    path += encode(component, UrlCharacterSet::urlPathAllowed);
    if (isDirectory && !path.ends_with('/')) path += '/';
    return withRelativePath(path);
}

Url Url::appendingPathExtension(std::string_view extension) const {
    if (extension.empty() || extension.find('/') != std::string_view::npos) return *this;
    const auto parts = decompose(text_);
    if (!parts) return *this;
    const std::string_view path = parts->path;
    const bool trailingSlash = path.ends_with('/');
    const std::string_view stem = trailingSlash ? path.substr(0, path.size() - 1) : path;
    if (stem.empty() || stem.ends_with('/')) return *this;
    std::string result(stem);
    result += '.';
    result += encode(extension, UrlCharacterSet::urlPathAllowed);
    if (trailingSlash) result += '/';
    return withRelativePath(result);
}

Url Url::deletingLastPathComponent() const {
    const auto parts = decompose(text_);
    if (!parts || parts->path.empty() || parts->path == "/") return *this;
    const std::string_view stem = withoutTrailingSlash(parts->path);
    const auto slash = stem.rfind('/');
    const std::string_view last = slash == std::string_view::npos ? stem : stem.substr(slash + 1);
    if (last == "." || last == "..") {
        // Removing "." or ".." means going one folder further up.
        std::string path(stem);
        return withRelativePath(path + "/../");
    }
    if (slash == std::string_view::npos) {
        // A single relative segment: its folder is the current one.
        if (parts->scheme) return *this;
        return withRelativePath("./");
    }
    return withRelativePath(std::string(stem.substr(0, slash + 1)));
}

Url Url::deletingPathExtension() const {
    const auto parts = decompose(text_);
    if (!parts) return *this;
    const std::string_view path = parts->path;
    const bool trailingSlash = path.size() > 1 && path.ends_with('/');
    const std::string_view stem = trailingSlash ? path.substr(0, path.size() - 1) : path;
    const auto dot = extensionDot(stem);
    if (!dot) return *this;
    std::string result(stem.substr(0, *dot));
    if (trailingSlash) result += '/';
    return withRelativePath(result);
}

bool Url::isFileURL() const {
    const auto scheme = this->scheme();
    if (!scheme || scheme->size() != 4) return false;
    return std::equal(scheme->begin(), scheme->end(), "file", [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

bool Url::hasDirectoryPath() const { return percentEncodedPath().ends_with('/'); }

std::filesystem::path Url::filePath() const { return std::filesystem::path(path()); }

Url Url::absoluteURL() const {
    Url url;
    url.text_ = absolute_;
    url.absolute_ = absolute_;
    return url;
}

std::optional<Url> Url::baseURL() const {
    if (baseText_.empty()) return std::nullopt;
    return make(baseText_, {});
}

bool Url::operator==(const Url& other) const {
    return text_ == other.text_ && baseText_ == other.baseText_;
}

namespace {

std::string asciiLowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

std::optional<int> effectivePort(const std::string& scheme, const Url& url) {
    if (auto port = url.port()) return port;
    if (scheme == "http") return 80;
    if (scheme == "https") return 443;
    return std::nullopt;
}

} // namespace

bool isSameOrigin(const Url& a, const Url& b) {
    const auto schemeA = a.scheme(), schemeB = b.scheme();
    const auto hostA = a.host(), hostB = b.host();
    if (!schemeA || !schemeB || !hostA || !hostB || hostA->empty()) return false;
    const auto scheme = asciiLowercased(*schemeA);
    if (scheme != asciiLowercased(*schemeB) || asciiLowercased(*hostA) != asciiLowercased(*hostB)) return false;
    return effectivePort(scheme, a) == effectivePort(scheme, b);
}

// ---------------------------------------------------------------------------
// UrlComponents

namespace {

bool isValidScheme(std::string_view scheme) {
    if (scheme.empty() || !((scheme[0] >= 'a' && scheme[0] <= 'z') || (scheme[0] >= 'A' && scheme[0] <= 'Z'))) {
        return false;
    }
    return std::all_of(scheme.begin(), scheme.end(), [](char c) {
        return isAsciiAlphanumeric(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

// A field written back: as parsed when unchanged, else encoded with `set`.
std::string encodedField(const std::string& value, const std::optional<std::string>& parsed, UrlCharacterSet set) {
    if (parsed && decodeOrKeep(*parsed) == value) return *parsed;
    return encode(value, set);
}

} // namespace

std::optional<UrlComponents> UrlComponents::parse(std::string_view text) {
    const auto parts = decompose(text);
    if (!parts) return std::nullopt;
    UrlComponents components;
    components.scheme = parts->scheme;
    if (parts->userInfo) {
        const auto colon = parts->userInfo->find(':');
        components.parsedUser_ = parts->userInfo->substr(0, colon);
        if (colon != std::string::npos) components.parsedPassword_ = parts->userInfo->substr(colon + 1);
    }
    components.parsedHost_ = parts->host;
    components.parsedHostBracketed_ = parts->hostBracketed;
    components.parsedPath_ = parts->path;
    components.parsedFragment_ = parts->fragment;

    if (components.parsedUser_) components.user = decodeOrKeep(*components.parsedUser_);
    if (components.parsedPassword_) components.password = decodeOrKeep(*components.parsedPassword_);
    if (parts->host) components.host = decodeOrKeep(*parts->host);
    if (parts->port) components.port = portNumber(*parts->port);
    components.path = decodeOrKeep(parts->path);
    components.percentEncodedQuery = parts->query;
    if (parts->fragment) components.fragment = decodeOrKeep(*parts->fragment);
    return components;
}

std::optional<UrlComponents> UrlComponents::fromUrl(const Url& url, bool resolvingAgainstBaseURL) {
    return parse(resolvingAgainstBaseURL ? url.absoluteString() : url.relativeString());
}

std::optional<std::string> UrlComponents::query() const {
    if (!percentEncodedQuery) return std::nullopt;
    return decodeOrKeep(*percentEncodedQuery);
}

void UrlComponents::setQuery(std::optional<std::string> decoded) {
    if (!decoded) {
        percentEncodedQuery.reset();
        return;
    }
    percentEncodedQuery = encode(*decoded, UrlCharacterSet::urlQueryAllowed);
}

std::optional<std::vector<UrlQueryItem>> UrlComponents::queryItems() const {
    if (!percentEncodedQuery) return std::nullopt;
    std::vector<UrlQueryItem> items;
    const std::string_view query = *percentEncodedQuery;
    if (query.empty()) return items;
    std::size_t start = 0;
    while (start <= query.size()) {
        auto end = query.find('&', start);
        if (end == std::string_view::npos) end = query.size();
        const std::string_view item = query.substr(start, end - start);
        const auto equals = item.find('=');
        UrlQueryItem decoded;
        decoded.name = decodeOrKeep(item.substr(0, equals));
        if (equals != std::string_view::npos) decoded.value = decodeOrKeep(item.substr(equals + 1));
        items.push_back(std::move(decoded));
        start = end + 1;
    }
    return items;
}

void UrlComponents::setQueryItems(const std::optional<std::vector<UrlQueryItem>>& items) {
    if (!items) {
        percentEncodedQuery.reset();
        return;
    }
    // The query set still allows "&" and "=", which would split the item;
    // "+" is deliberately left alone, as on the platform.
    constexpr std::string_view kItemDelimiters = "&=";
    std::string query;
    for (std::size_t i = 0; i < items->size(); ++i) {
        const UrlQueryItem& item = (*items)[i];
        if (i > 0) query += '&';
        query += encode(item.name, UrlCharacterSet::urlQueryAllowed, kItemDelimiters);
        if (item.value) {
            query += '=';
            query += encode(*item.value, UrlCharacterSet::urlQueryAllowed, kItemDelimiters);
        }
    }
    percentEncodedQuery = std::move(query);
}

std::optional<std::string> UrlComponents::string() const {
    std::string out;
    if (scheme) {
        if (!isValidScheme(*scheme)) return std::nullopt;
        out += *scheme + ":";
    }
    std::string encodedPath = encodedField(path, parsedPath_, UrlCharacterSet::urlPathAllowed);
    const bool hasAuthority = host || user || password || port;
    if (hasAuthority) {
        out += "//";
        if (user || password) {
            if (user) out += encodedField(*user, parsedUser_, UrlCharacterSet::urlUserAllowed);
            if (password) out += ":" + encodedField(*password, parsedPassword_, UrlCharacterSet::urlPasswordAllowed);
            out += "@";
        }
        if (host) {
            const bool unchanged = parsedHost_ && decodeOrKeep(*parsedHost_) == *host;
            const std::string encodedHost = encodedField(*host, parsedHost_, UrlCharacterSet::urlHostAllowed);
            const bool literal = unchanged ? parsedHostBracketed_
                                           : (host->find(':') != std::string::npos && !host->starts_with('['));
            out += literal ? "[" + encodedHost + "]" : encodedHost;
        }
        if (port) {
            if (*port < 0 || *port > 65535) return std::nullopt;
            out += ":" + std::to_string(*port);
        }
        if (!encodedPath.empty() && encodedPath.front() != '/') return std::nullopt;
    } else {
        if (encodedPath.starts_with("//")) return std::nullopt;
        if (!scheme) {
            // A ":" in the first segment would read as a scheme.
            auto firstSlash = std::min(encodedPath.find('/'), encodedPath.size());
            for (auto colon = encodedPath.find(':'); colon < firstSlash; colon = encodedPath.find(':', colon)) {
                encodedPath.replace(colon, 1, "%3A");
                firstSlash += 2;
            }
        }
    }
    out += encodedPath;
    if (percentEncodedQuery) {
        // A "#" would end the query early and start a fragment.
        if (percentEncodedQuery->find('#') != std::string::npos) return std::nullopt;
        out += "?" + *percentEncodedQuery;
    }
    if (fragment) out += "#" + encodedField(*fragment, parsedFragment_, UrlCharacterSet::urlFragmentAllowed);
    if (!decompose(out)) return std::nullopt;
    return out;
}

std::optional<Url> UrlComponents::url() const {
    const auto text = string();
    if (!text) return std::nullopt;
    return Url::parse(*text);
}

} // namespace platform
