#include "VellicorApp/Community/InternalServerError.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"

#include <httplib.h>

#include <gtest/gtest.h>

#include <chrono>

using namespace vellicor;

namespace {

using apptest::RecordingMarkerCenter;

class InternalServerErrorTest : public veltranetest::AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        auto base = apptest::installContext(apptest::sampleResources());
        apptest::installContext(base, center);
        const auto page = [](std::string body) {
            return [body](const httplib::Request&, httplib::Response& response, const std::smatch&) {
                response.status = 500;
                response.set_content(body, "text/html");
            };
        };
        server.addRoute("GET", "/s/broken",
                        page("<html><title>Error</title><body><h1>Internal Server Error</h1>"
                             "<p>Support: 1234-56789  (42) then 1-2 (3)</p></body></html>"));
        server.addRoute("GET", "/s/quiet", page("<html><title>Error</title><body>INTERNAL SERVER ERROR</body></html>"));
    }
    void TearDown() override {
        webView.reset();
        AccountFixture::TearDown();
        AppContext::resetForTesting();
    }

    std::optional<bool> check(const std::string& path) {
        webView->load(platform::HttpRequest(veltranetest::url("https://community.example.test" + path)));
        EXPECT_TRUE(testsupport::waitUntil([&] { return !webView->isLoading(); }));
        std::optional<bool> found;
        InternalServerError::check(webView,
                                   platform::HttpResponse(veltranetest::url("https://community.example.test" + path),
                                                          500, {}),
                                   [&](bool result) { found = result; });
        EXPECT_TRUE(testsupport::waitUntil([&] {
            testsupport::pump();
            return found.has_value();
        }));
        return found;
    }

    std::shared_ptr<RecordingMarkerCenter> center = std::make_shared<RecordingMarkerCenter>();
    std::shared_ptr<platform::web::WebView> webView = platform::web::WebView::create();
};

TEST_F(InternalServerErrorTest, ReportsTheErrorPageWithItsSupportId) {
    EXPECT_EQ(check("/s/broken"), true);
    ASSERT_EQ(center->errors.size(), 1u);
    EXPECT_EQ(center->errors[0].name, KORVAMarkerName::internalServerErrorDisplayed);
    EXPECT_EQ(center->errors[0].type, KORVAErrorType::error);
    EXPECT_EQ(center->errors[0].attributes, (platform::Json{{"statusCode", 500}, {"supportId", "1234-56789  (42)"}}));

    EXPECT_EQ(check("/s/quiet"), true);
    ASSERT_EQ(center->errors.size(), 2u);
    EXPECT_EQ(center->errors[1].attributes["supportId"], "");
}

std::string repeated(std::string_view piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += piece;
    return text;
}

TEST(InternalServerErrorSupportId, FirstIdOfThePage) {
    constexpr std::size_t kLarge = 64 * 1024;
    struct Case {
        const char* name;
        std::string page;
        std::string expected;
    };
    const Case cases[] = {
        {"id then another", "Support: 1234-56789  (42) then 1-2 (3)", "1234-56789  (42)"},
        {"id inside a word", "ref12-34 (5)x", "12-34 (5)"},
        {"blanks of several kinds", "123-4\t\n (7)", "123-4\t\n (7)"},
        {"no-break space is a blank", "1-2\xC2\xA0(3)", "1-2\xC2\xA0(3)"},
        {"first candidate incomplete", "99999-1 (x) 5-6 (7)", "5-6 (7)"},
        {"dash chain", "12-3-4 (5)", "3-4 (5)"},
        {"no blank", "1-2(3)", ""},
        {"unclosed", "1-2 (3", ""},
        {"digits of another script", "\xD9\xA1-\xD9\xA2 (3)", ""},
        {"empty", "", ""},
        // Hostile pages: each is read in one pass.
        {"40,000 digits", std::string(40000, '7'), ""},
        {"64 KB of digits, then an id", std::string(kLarge, '1') + " 12-34 (5)", "12-34 (5)"},
        {"64 KB of digits with an id at the end", std::string(kLarge, '1') + "-2 (3)",
         std::string(kLarge, '1') + "-2 (3)"},
        {"64 KB of digit-dash pairs", repeated("1-", kLarge / 2), ""},
        {"64 KB of blanks after a number pair", "1-1" + std::string(kLarge, ' '), ""},
        {"64 KB of near-misses", repeated("1-2 (", kLarge / 5), ""},
    };
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(InternalServerError::parseSupportId(c.page), c.expected) << c.name;
        // A backtracking or quadratic check takes many seconds on these inputs; the bound catches that, with
        // room for a sanitized debug build on a busy machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << c.name;
    }
}

TEST_F(InternalServerErrorTest, OrdinaryPageIsNotReported) {
    server.setPage("/fine", {"Fine", "<p>All good</p>"});
    EXPECT_EQ(check("/s/fine"), false);
    EXPECT_TRUE(center->errors.empty());
}

} // namespace
