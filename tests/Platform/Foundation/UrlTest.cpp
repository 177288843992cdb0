#include "Platform/Foundation/Url.hpp"

#include <gtest/gtest.h>

#include <ostream>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {
// Failures show the URL's text.
void PrintTo(const Url& url, std::ostream* out) {
    *out << url.relativeString();
    if (const auto base = url.baseURL()) *out << " relative to " << base->absoluteString();
}
} // namespace platform

using platform::Url;
using platform::UrlCharacterSet;

namespace {

using OptString = std::optional<std::string>;

Url url(std::string_view text) {
    auto parsed = Url::parse(text);
    if (!parsed) ADD_FAILURE() << "does not parse: " << text;
    return parsed.value_or(Url::fileURL("/"));
}

// ---------------------------------------------------------------------------
// Parsing

struct ParseCase {
    const char* text;
    OptString scheme;
    OptString host;
    std::optional<int> port;
    OptString user;
    OptString password;
    std::string path;
    OptString query;
    OptString fragment;
};

TEST(UrlTest, ParsesTheParts) {
    const std::vector<ParseCase> cases = {
        {"https://example.com/a/b?x=1#top", "https", "example.com", {}, {}, {}, "/a/b", "x=1", "top"},
        {"HTTPS://Example.COM/", "HTTPS", "Example.COM", {}, {}, {}, "/", {}, {}},
        {"http://[::1]:8080/x", "http", "::1", 8080, {}, {}, "/x", {}, {}},
        {"http://u:p%40ss@h:1/p", "http", "h", 1, "u", "p@ss", "/p", {}, {}},
        {"http://u@h", "http", "h", {}, "u", {}, "", {}, {}},
        {"http://a:65535", "http", "a", 65535, {}, {}, "", {}, {}},
        {"http://a:/x", "http", "a", {}, {}, {}, "/x", {}, {}},
        {"http://a:0080", "http", "a", 80, {}, {}, "", {}, {}},
        {"mailto:a@b.c", "mailto", {}, {}, {}, {}, "a@b.c", {}, {}},
        {"tel:+123", "tel", {}, {}, {}, {}, "+123", {}, {}},
        {"tnx:foo", "tnx", {}, {}, {}, {}, "foo", {}, {}},
        {"my-app+x.1://callback?code=abc", "my-app+x.1", "callback", {}, {}, {}, "", "code=abc", {}},
        {"file:///tmp/x", "file", {}, {}, {}, {}, "/tmp/x", {}, {}},
        {"http://a/p?flag", "http", "a", {}, {}, {}, "/p", "flag", {}},
        {"http://a/p?", "http", "a", {}, {}, {}, "/p", "", {}},
        {"http://a/p#", "http", "a", {}, {}, {}, "/p", {}, ""},
        {"http://a/p?q=%20x#f%20", "http", "a", {}, {}, {}, "/p", "q=%20x", "f%20"},
        // The path is decoded and loses its trailing "/".
        {"http://a/%7Euser/a%20b/", "http", "a", {}, {}, {}, "/~user/a b", {}, {}},
        {"http://a/b;p", "http", "a", {}, {}, {}, "/b;p", {}, {}},
        // Relative references.
        {"#f", {}, {}, {}, {}, {}, "", {}, "f"},
        {"?q", {}, {}, {}, {}, {}, "", "q", {}},
        {"../x", {}, {}, {}, {}, {}, "../x", {}, {}},
        {"//host/p", {}, "host", {}, {}, {}, "/p", {}, {}},
        {"/", {}, {}, {}, {}, {}, "/", {}, {}},
        {"a/b", {}, {}, {}, {}, {}, "a/b", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto parsed = Url::parse(c.text);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->scheme(), c.scheme);
        EXPECT_EQ(parsed->host(), c.host);
        EXPECT_EQ(parsed->port(), c.port);
        EXPECT_EQ(parsed->user(), c.user);
        EXPECT_EQ(parsed->password(), c.password);
        EXPECT_EQ(parsed->path(), c.path);
        EXPECT_EQ(parsed->query(), c.query);
        EXPECT_EQ(parsed->fragment(), c.fragment);
        // The text is kept as written, case included.
        EXPECT_EQ(parsed->absoluteString(), c.text);
        EXPECT_EQ(parsed->relativeString(), c.text);
        EXPECT_FALSE(parsed->baseURL().has_value());
    }
}

TEST(UrlTest, RejectsTextThatIsNoUrlReference) {
    const std::vector<std::string> cases = {
        "",
        " ",
        "http://a b",
        "http://a/b c",
        " http://a",
        "http://a/%zz",
        "http://a/%4",
        "http://a/%",
        "http://a/?q=%",
        "http://a/#%g1",
        "http://a:99999",
        "http://a:65536",
        "http://a:99999999999999999999",
        "http://a:8x",
        "http://a:-1",
        "http://[::1",
        "http://[::1]x",
        "http://a/b#c#d",
        "http://a/{x}",
        "http://a/\"x\"",
        "http://a/<x>",
        "http://a/x\\y",
        "http://a/\xC3\xA4",
        "ht tp://a",
        "1http:x",
        "http://a/\x01",
        std::string("http://a/\0b", 11),
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Url::parse(text).has_value());
    }
}

// ---------------------------------------------------------------------------
// Relative resolution

TEST(UrlTest, ResolvesAgainstABaseAsTheReferenceExamplesShow) {
    const Url base = url("http://a/b/c/d;p?q");
    struct Case {
        const char* relative;
        const char* resolved;
    };
    const std::vector<Case> cases = {
        // Normal examples.
        {"g:h", "g:h"},
        {"g", "http://a/b/c/g"},
        {"./g", "http://a/b/c/g"},
        {"g/", "http://a/b/c/g/"},
        {"/g", "http://a/g"},
        {"//g", "http://g"},
        {"?y", "http://a/b/c/d;p?y"},
        {"g?y", "http://a/b/c/g?y"},
        {"#s", "http://a/b/c/d;p?q#s"},
        {"g#s", "http://a/b/c/g#s"},
        {"g?y#s", "http://a/b/c/g?y#s"},
        {";x", "http://a/b/c/;x"},
        {"g;x", "http://a/b/c/g;x"},
        {"g;x?y#s", "http://a/b/c/g;x?y#s"},
        {".", "http://a/b/c/"},
        {"./", "http://a/b/c/"},
        {"..", "http://a/b/"},
        {"../", "http://a/b/"},
        {"../g", "http://a/b/g"},
        {"../..", "http://a/"},
        {"../../", "http://a/"},
        {"../../g", "http://a/g"},
        // Abnormal examples.
        {"../../../g", "http://a/g"},
        {"../../../../g", "http://a/g"},
        {"/./g", "http://a/g"},
        {"/../g", "http://a/g"},
        {"g.", "http://a/b/c/g."},
        {".g", "http://a/b/c/.g"},
        {"g..", "http://a/b/c/g.."},
        {"..g", "http://a/b/c/..g"},
        {"./../g", "http://a/b/g"},
        {"./g/.", "http://a/b/c/g/"},
        {"g/./h", "http://a/b/c/g/h"},
        {"g/../h", "http://a/b/c/h"},
        {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
        {"g;x=1/../y", "http://a/b/c/y"},
        {"g?y/./x", "http://a/b/c/g?y/./x"},
        {"g?y/../x", "http://a/b/c/g?y/../x"},
        {"g#s/./x", "http://a/b/c/g#s/./x"},
        {"g#s/../x", "http://a/b/c/g#s/../x"},
        {"http:g", "http:g"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.relative);
        const auto resolved = Url::parse(c.relative, base);
        ASSERT_TRUE(resolved.has_value());
        EXPECT_EQ(resolved->absoluteString(), c.resolved);
        EXPECT_EQ(resolved->relativeString(), c.relative);
    }
}

TEST(UrlTest, RelativeUrlKeepsItsBaseAndReadsItsPartsResolved) {
    const Url base = url("HTTPS://u@example.com:8443/docs/guide/?lang=en#intro");
    const auto relative = Url::parse("../api/v%201?x=1", base);
    ASSERT_TRUE(relative.has_value());

    EXPECT_EQ(relative->relativeString(), "../api/v%201?x=1");
    EXPECT_EQ(relative->absoluteString(), "HTTPS://u@example.com:8443/docs/api/v%201?x=1");
    ASSERT_TRUE(relative->baseURL().has_value());
    EXPECT_EQ(*relative->baseURL(), base);

    EXPECT_EQ(relative->scheme(), "HTTPS");
    EXPECT_EQ(relative->host(), "example.com");
    EXPECT_EQ(relative->port(), 8443);
    EXPECT_EQ(relative->user(), "u");
    EXPECT_EQ(relative->path(), "/docs/api/v 1");
    EXPECT_EQ(relative->query(), "x=1");
    EXPECT_EQ(relative->fragment(), std::nullopt);
    EXPECT_EQ(relative->lastPathComponent(), "v 1");

    const Url absolute = relative->absoluteURL();
    EXPECT_FALSE(absolute.baseURL().has_value());
    EXPECT_EQ(absolute.relativeString(), relative->absoluteString());
    EXPECT_EQ(absolute, url("HTTPS://u@example.com:8443/docs/api/v%201?x=1"));
}

TEST(UrlTest, AbsoluteTextDropsTheBaseAndBadTextOrBaseGivesNone) {
    const Url base = url("http://a/b/");
    const auto absolute = Url::parse("https://other/x", base);
    ASSERT_TRUE(absolute.has_value());
    EXPECT_FALSE(absolute->baseURL().has_value());
    EXPECT_EQ(*absolute, url("https://other/x"));

    EXPECT_FALSE(Url::parse("", base).has_value());
    EXPECT_FALSE(Url::parse("a b", base).has_value());
    EXPECT_FALSE(Url::parse("%zz", base).has_value());
    // A base without a scheme resolves nothing.
    EXPECT_FALSE(Url::parse("x", url("../y")).has_value());
}

TEST(UrlTest, EqualityComparesTextAndBase) {
    const Url base = url("http://a/b/");
    EXPECT_EQ(url("http://a/x"), url("http://a/x"));
    EXPECT_NE(url("HTTP://a/x"), url("http://a/x"));
    EXPECT_NE(url("http://a/x"), url("http://a/x/"));
    EXPECT_NE(url("http://a/%7E"), url("http://a/~"));
    const auto relative = Url::parse("c", base);
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(*relative, *Url::parse("c", url("http://a/b/")));
    // Same resolved text, but one has a base and the other not.
    EXPECT_EQ(relative->absoluteString(), "http://a/b/c");
    EXPECT_NE(*relative, url("http://a/b/c"));
    EXPECT_NE(*relative, *Url::parse("c", url("http://a/z/")));
}

// ---------------------------------------------------------------------------
// Path components

TEST(UrlTest, ReadsPathComponents) {
    struct Case {
        const char* text;
        std::vector<std::string> components;
        std::string last;
        std::string extension;
    };
    const std::vector<Case> cases = {
        {"http://a/b/c.txt", {"/", "b", "c.txt"}, "c.txt", "txt"},
        {"http://a/b/c/", {"/", "b", "c"}, "c", ""},
        {"http://a/", {"/"}, "/", ""},
        {"http://a", {}, "", ""},
        {"http://a/b/archive.tar.gz", {"/", "b", "archive.tar.gz"}, "archive.tar.gz", "gz"},
        {"http://a/.profile", {"/", ".profile"}, ".profile", ""},
        {"http://a/dir.d/", {"/", "dir.d"}, "dir.d", "d"},
        {"http://a/..", {"/", ".."}, "..", ""},
        {"http://a/x%20y.png?q=1.2#f.g", {"/", "x y.png"}, "x y.png", "png"},
        {"http://a//b", {"/", "b"}, "b", ""},
        {"file:///tmp/dir/", {"/", "tmp", "dir"}, "dir", ""},
        {"a/b", {"a", "b"}, "b", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Url u = url(c.text);
        EXPECT_EQ(u.pathComponents(), c.components);
        EXPECT_EQ(u.lastPathComponent(), c.last);
        EXPECT_EQ(u.pathExtension(), c.extension);
    }
}

TEST(UrlTest, AppendsPathComponents) {
    struct Case {
        const char* text;
        const char* component;
        bool isDirectory;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"http://a", "b", false, "http://a/b"},
        {"http://a/", "b", false, "http://a/b"},
        {"http://a/x", "b", false, "http://a/x/b"},
        {"http://a/x/", "b", false, "http://a/x/b"},
        {"http://a/x", "b c", false, "http://a/x/b%20c"},
        {"http://a/x", "50%?#;", false, "http://a/x/50%25%3F%23%3B"},
        {"http://a/x", "b/c", false, "http://a/x/b/c"},
        {"http://a/x", "/b", false, "http://a/x/b"},
        {"http://a/x", "", false, "http://a/x/"},
        {"http://a/x", "d", true, "http://a/x/d/"},
        {"http://a/x", "d/", true, "http://a/x/d/"},
        {"http://a/x?q=1#f", "b", false, "http://a/x/b?q=1#f"},
        {"file:///tmp", "\xC3\xA9.txt", false, "file:///tmp/%C3%A9.txt"},
        {"tnx:foo", "bar", false, "tnx:foo/bar"},
        {"/", "b", false, "/b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " + " + c.component);
        EXPECT_EQ(url(c.text).appendingPathComponent(c.component, c.isDirectory).absoluteString(), c.expected);
    }
}

TEST(UrlTest, AppendedComponentReadsBackAsTheLastComponent) {
    const Url base = url("https://example.com/files?x=1");
    for (const std::string component : {"plain", "with space", "100%", "a?b#c", "semi;colon", "\xE6\x97\xA5.txt"}) {
        SCOPED_TRACE(component);
        const Url appended = base.appendingPathComponent(component);
        EXPECT_EQ(appended.lastPathComponent(), component);
        EXPECT_EQ(appended.query(), "x=1");
        // The result is a valid URL of its own.
        EXPECT_EQ(Url::parse(appended.absoluteString()), appended);
    }
}

TEST(UrlTest, EditsPathsAndExtensions) {
    enum class Op { deleteLast, deleteExtension, appendTxt };
    struct Case {
        Op op;
        const char* text;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {Op::deleteLast, "http://a/b/c", "http://a/b/"},
        {Op::deleteLast, "http://a/b/c/", "http://a/b/"},
        {Op::deleteLast, "http://a/b", "http://a/"},
        {Op::deleteLast, "http://a/", "http://a/"},
        {Op::deleteLast, "http://a", "http://a"},
        {Op::deleteLast, "http://a/b/c?q#f", "http://a/b/?q#f"},
        {Op::deleteLast, "http://a/b/..", "http://a/b/../../"},
        {Op::deleteLast, "a/b", "a/"},
        {Op::deleteLast, "a", "./"},
        {Op::deleteExtension, "http://a/b.txt", "http://a/b"},
        {Op::deleteExtension, "http://a/b.tar.gz?q", "http://a/b.tar?q"},
        {Op::deleteExtension, "http://a/b.d/", "http://a/b/"},
        {Op::deleteExtension, "http://a/.profile", "http://a/.profile"},
        {Op::deleteExtension, "http://a/x.y/b", "http://a/x.y/b"},
        {Op::deleteExtension, "http://a/", "http://a/"},
        {Op::appendTxt, "http://a/b", "http://a/b.txt"},
        {Op::appendTxt, "http://a/b/", "http://a/b.txt/"},
        {Op::appendTxt, "http://a/b?q#f", "http://a/b.txt?q#f"},
        {Op::appendTxt, "http://a/", "http://a/"},
        {Op::appendTxt, "http://a", "http://a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Url u = url(c.text);
        const Url result = c.op == Op::deleteLast        ? u.deletingLastPathComponent()
                           : c.op == Op::deleteExtension ? u.deletingPathExtension()
                                                         : u.appendingPathExtension("txt");
        EXPECT_EQ(result.absoluteString(), c.expected);
    }
    EXPECT_EQ(url("http://a/b").appendingPathExtension("a b").absoluteString(), "http://a/b.a%20b");
    EXPECT_EQ(url("http://a/b").appendingPathExtension(""), url("http://a/b"));
    EXPECT_EQ(url("http://a/b").appendingPathExtension("x/y"), url("http://a/b"));
}

TEST(UrlTest, PathEditsOnARelativeUrlKeepTheBase) {
    const Url base = url("http://a/b/");
    const auto relative = Url::parse("c", base);
    ASSERT_TRUE(relative.has_value());

    const Url appended = relative->appendingPathComponent("d e");
    EXPECT_EQ(appended.relativeString(), "c/d%20e");
    EXPECT_EQ(appended.baseURL(), base);
    EXPECT_EQ(appended.absoluteString(), "http://a/b/c/d%20e");

    const Url parent = relative->deletingLastPathComponent();
    EXPECT_EQ(parent.relativeString(), "./");
    EXPECT_EQ(parent.absoluteString(), "http://a/b/");
}

// ---------------------------------------------------------------------------
// File URLs

TEST(UrlTest, FileUrlsRoundTripTheirPath) {
    const std::vector<std::string> paths = {
        "/tmp/x",
        "/tmp/a b/c.txt",
        "/tmp/100%/q?#;x",
        "/tmp/\xC3\xA9t\xC3\xA9",
    };
    for (const auto& path : paths) {
        SCOPED_TRACE(path);
        const Url file = Url::fileURL(path);
        EXPECT_TRUE(file.isFileURL());
        EXPECT_FALSE(file.hasDirectoryPath());
        EXPECT_EQ(file.filePath(), std::filesystem::path(path));
        EXPECT_EQ(file.host(), std::nullopt);
        EXPECT_TRUE(file.absoluteString().starts_with("file:///"));
        EXPECT_EQ(Url::parse(file.absoluteString()), file);
    }
    EXPECT_EQ(Url::fileURL("/tmp/a b/c.txt").absoluteString(), "file:///tmp/a%20b/c.txt");
}

TEST(UrlTest, DirectoryFileUrlEndsInASlash) {
    const Url dir = Url::fileURL("/tmp/dir", true);
    EXPECT_EQ(dir.absoluteString(), "file:///tmp/dir/");
    EXPECT_TRUE(dir.hasDirectoryPath());
    EXPECT_EQ(dir.filePath(), std::filesystem::path("/tmp/dir"));
    EXPECT_EQ(Url::fileURL("/tmp/dir/", true).absoluteString(), "file:///tmp/dir/");
    EXPECT_EQ(dir.appendingPathComponent("f.txt").filePath(), std::filesystem::path("/tmp/dir/f.txt"));
    EXPECT_EQ(Url::fileURL("/", true).absoluteString(), "file:///");
}

TEST(UrlTest, RelativeFilePathIsMadeAbsolute) {
    const Url file = Url::fileURL("rel/x.txt");
    EXPECT_EQ(file.filePath(), std::filesystem::current_path() / "rel/x.txt");
}

TEST(UrlTest, RecognisesFileScheme) {
    EXPECT_TRUE(url("file:///x").isFileURL());
    EXPECT_TRUE(url("FILE:///x").isFileURL());
    EXPECT_FALSE(url("files:///x").isFileURL());
    EXPECT_FALSE(url("http://a/x").isFileURL());
    EXPECT_FALSE(url("/x").isFileURL());
}

// ---------------------------------------------------------------------------
// Percent-encoding

TEST(UrlTest, PercentEncodesWithTheNamedSets) {
    struct Case {
        const char* text;
        UrlCharacterSet set;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"a b", UrlCharacterSet::urlQueryAllowed, "a%20b"},
        {"a&b=c+d?e/f:g@h;i", UrlCharacterSet::urlQueryAllowed, "a&b=c+d?e/f:g@h;i"},
        {"#%[]<>\"{}|\\^`", UrlCharacterSet::urlQueryAllowed, "%23%25%5B%5D%3C%3E%22%7B%7D%7C%5C%5E%60"},
        {"\xE6\x97\xA5", UrlCharacterSet::urlQueryAllowed, "%E6%97%A5"},
        {"a#b?c/d", UrlCharacterSet::urlFragmentAllowed, "a%23b?c/d"},
        {"a;b/c:d@e", UrlCharacterSet::urlPathAllowed, "a%3Bb/c:d@e"},
        {"a?b#c", UrlCharacterSet::urlPathAllowed, "a%3Fb%23c"},
        {"[::1]", UrlCharacterSet::urlHostAllowed, "[::1]"},
        {"a/b@c", UrlCharacterSet::urlHostAllowed, "a%2Fb%40c"},
        {"u:s@r/!", UrlCharacterSet::urlUserAllowed, "u%3As%40r%2F!"},
        {"p:w@d/$", UrlCharacterSet::urlPasswordAllowed, "p%3Aw%40d%2F$"},
        {"a-b_c.d~9", UrlCharacterSet::alphanumerics, "a%2Db%5Fc%2Ed%7E9"},
        {"\xC3\xA9t\xC3\xA9", UrlCharacterSet::alphanumerics, "%C3%A9t%C3%A9"},
        {"", UrlCharacterSet::urlPathAllowed, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(platform::addingPercentEncoding(c.text, c.set), c.expected);
    }
}

TEST(UrlTest, SameOriginComparesSchemeHostAndEffectivePort) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"https://a.example.test/x", "https://a.example.test/y?z#w", true},
        {"https://a.example.test/", "HTTPS://A.Example.TEST:443/", true},
        {"http://a.example.test/", "http://a.example.test:80/", true},
        {"https://a.example.test/", "http://a.example.test/", false},
        {"https://a.example.test/", "https://b.example.test/", false},
        {"https://a.example.test/", "https://a.example.test:8443/", false},
        {"https://a.example.test/", "https://a.example.test.evil.test/", false},
        {"https://a.example.test/", "https://user@a.example.test/", true},
        {"custom://a/", "custom://a/", true},
        {"custom://a/", "custom://a:1/", false},
        {"mailto:someone@example.test", "mailto:someone@example.test", false},
        {"/relative/only", "/relative/only", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(platform::isSameOrigin(url(c.a), url(c.b)), c.same);
        EXPECT_EQ(platform::isSameOrigin(url(c.b), url(c.a)), c.same);
    }
}

TEST(UrlTest, RemovesPercentEncodingOrGivesNoneForBadEscapes) {
    struct Case {
        std::string text;
        OptString expected;
    };
    const std::vector<Case> cases = {
        {"a%20b", "a b"},
        {"%e6%97%a5", "\xE6\x97\xA5"},
        {"plain", "plain"},
        {"a+b", "a+b"},
        {"", ""},
        {"%2525", "%25"},
        {"a%00b", std::string("a\0b", 3)},
        {"%zz", std::nullopt},
        {"%4", std::nullopt},
        {"%", std::nullopt},
        {"abc%", std::nullopt},
        {"%%41", std::nullopt},
        {"%FF", std::nullopt},         // not UTF-8
        {"%C3", std::nullopt},         // cut-off sequence
        {"%C0%AF", std::nullopt},      // overlong form
        {"\xFF", std::nullopt},        // raw byte that is not UTF-8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(platform::removingPercentEncoding(c.text), c.expected);
    }
}

TEST(UrlTest, EncodingThenDecodingGivesTheTextBack) {
    constexpr std::array sets = {
        UrlCharacterSet::urlQueryAllowed, UrlCharacterSet::urlPathAllowed,   UrlCharacterSet::urlHostAllowed,
        UrlCharacterSet::urlFragmentAllowed, UrlCharacterSet::urlUserAllowed, UrlCharacterSet::urlPasswordAllowed,
        UrlCharacterSet::alphanumerics,
    };
    std::string everyAscii;
    for (int c = 1; c < 128; ++c) everyAscii.push_back(static_cast<char>(c));
    for (const std::string& text : {everyAscii, std::string("100% sure & \xE2\x82\xAC 5 + 6 = #11")}) {
        for (const auto set : sets) {
            const std::string encoded = platform::addingPercentEncoding(text, set);
            EXPECT_EQ(platform::removingPercentEncoding(encoded), text);
            EXPECT_EQ(encoded.find(' '), std::string::npos);
        }
    }
}

} // namespace

namespace {

// Mutations of valid URLs: every result either fails to parse or reads back
// consistently, and nothing crashes (run under the sanitizers).
TEST(UrlTest, MutatedTextParsesConsistentlyOrNotAtAll) {
    const std::vector<std::string> seeds = {
        "https://u:p@example.com:8443/a/b%20c/d.txt?x=1&y=%2F#frag",
        "http://[::1]:80/x?",
        "file:///tmp/dir/",
        "mailto:a@b.c",
        "../x/./y?q#f",
    };
    using namespace std::string_literals;
    const std::string alphabet = "%/?#:@[]. a1F+&=;\\\x00\xC3\xA9"s; // NUL included
    std::uint32_t state = 12345;
    const auto next = [&state](std::uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    int parsed = 0;
    for (int i = 0; i < 3000; ++i) {
        std::string text = seeds[next(static_cast<std::uint32_t>(seeds.size()))];
        for (std::uint32_t edits = 1 + next(3); edits > 0; --edits) {
            const auto at = next(static_cast<std::uint32_t>(text.size() + 1));
            const char c = alphabet[next(static_cast<std::uint32_t>(alphabet.size()))];
            switch (next(3)) {
            case 0: text.insert(at, 1, c); break;
            case 1: if (at < text.size()) text.erase(at, 1); break;
            default: if (at < text.size()) text[at] = c; break;
            }
        }
        SCOPED_TRACE(text);
        const auto u = Url::parse(text);
        const auto c = platform::UrlComponents::parse(text);
        EXPECT_EQ(u.has_value(), c.has_value() && !text.empty());
        if (!u) continue;
        ++parsed;
        EXPECT_EQ(u->absoluteString(), text);
        (void)u->host(), (void)u->port(), (void)u->user(), (void)u->password(), (void)u->pathComponents();
        (void)u->pathExtension(), (void)u->deletingLastPathComponent(), (void)u->deletingPathExtension();
        const Url appended = u->appendingPathComponent("x y");
        EXPECT_EQ(Url::parse(appended.relativeString()), appended);
        if (const auto base = Url::parse("http://h/a/b?q")) {
            const auto resolved = Url::parse(text, *base);
            ASSERT_TRUE(resolved.has_value());
            EXPECT_TRUE(Url::parse(resolved->absoluteString()).has_value());
        }
        const auto rebuilt = c->string();
        ASSERT_TRUE(rebuilt.has_value());
        // The text comes back (an empty port such as "http://a:/" drops its
        // ":"), so every part reads back the same.
        const auto again = platform::UrlComponents::parse(*rebuilt);
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(again->scheme, c->scheme);
        EXPECT_EQ(again->user, c->user);
        EXPECT_EQ(again->password, c->password);
        EXPECT_EQ(again->host, c->host);
        EXPECT_EQ(again->port, c->port);
        EXPECT_EQ(again->path, c->path);
        EXPECT_EQ(again->percentEncodedQuery, c->percentEncodedQuery);
        EXPECT_EQ(again->fragment, c->fragment);
        if (rebuilt->size() == text.size()) {
            EXPECT_EQ(*rebuilt, text);
        }
    }
    // The mutations keep a fair share valid, so both roads are taken.
    EXPECT_GT(parsed, 300);
}

} // namespace
