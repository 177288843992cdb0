#include "VellicorApp/Shell/LogMasking.hpp"

#include "VellicorApp/Shell/Logger.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <chrono>

using namespace vellicor;

namespace {

TEST(LogMasking, MasksEveryTokenFormAndLeavesTheRestExact) {
    const struct {
        const char* name;
        std::string line;
        std::string expected;
    } cases[] = {
        {"no token: unchanged", "AppCoordinator: [AppUICoordinator] Completed. Error: N/A",
         "AppCoordinator: [AppUICoordinator] Completed. Error: N/A"},
        {"empty line", "", ""},
        {"sid query item", "Handling https://c.test/s/?sid=00D%2521AQ&x=1", "Handling https://c.test/s/?sid=***&x=1"},
        {"access_token item, last in the line", "https://c.test/cb#state=1&access_token=abc.def",
         "https://c.test/cb#state=1&access_token=***"},
        {"refresh_token item in a form body", "grant_type=refresh_token&refresh_token=r3fr+sh/==&client_id=x",
         "grant_type=refresh_token&refresh_token=***&client_id=x"},
        {"name in capitals", "?SID=abc", "?SID=***"},
        {"longer names are other items", "?tsid=abc&sidebar=1&sid_x=2", "?tsid=abc&sidebar=1&sid_x=2"},
        {"empty value stays", "?sid=&a=1", "?sid=&a=1"},
        {"front door: the whole query",
         "Handling https://c.test/gate/entry.vx?sid=tok%252Den&returnTo=https://c.test/s/&display=touch now",
         "Handling https://c.test/gate/entry.vx?*** now"},
        {"front door without query", "https://c.test/gate/entry.vx failed", "https://c.test/gate/entry.vx failed"},
        {"front door encoded inside another URL",
         "https://c.test/s/login/?ec=302&startAt=https%3A%2F%2Fc.test%2Fgate%2Fentry.vx%3Fsid%3Dtok%26returnTo%3D%252Fs%26display%3Dtouch&x=1",
         "https://c.test/s/login/?ec=302&startAt=https%3A%2F%2Fc.test%2Fgate%2Fentry.vx%3F***&x=1"},
        {"front door encoded twice",
         "u=a%253Fb%253Dentry.vx%253Fsid%253Dtok%2526x%253D1%26y%3D2&z=3",
         "u=a%253Fb%253Dentry.vx%253F***%26y%3D2&z=3"},
        {"sid encoded once, ends at its own encoded &", "startAt=%2Fs%3Fsid%3Dtok%2521en%26next%3D1&x=1",
         "startAt=%2Fs%3Fsid%3D***%26next%3D1&x=1"},
        {"sid encoded twice", "a=%253Fsid%253Dtok%252521en%2526b%253D1", "a=%253Fsid%253D***%2526b%253D1"},
        {"bearer header", "Authorization: Bearer 00D!AQ.abc, Accept: */*", "Authorization: Bearer ***, Accept: */*"},
        {"bearer in lower case at the end", "header bearer abc", "header bearer ***"},
        {"the word bearer without a value", "Bearer", "Bearer"},
        {"JSON token fields", R"({"accessToken": "a\"b", "userId": "005", "refresh_token":"r"})",
         R"({"accessToken": "***", "userId": "005", "refresh_token":"***"})"},
        {"session cookie", "Cookie: sid=web-session; other=1", "Cookie: sid=***; other=1"},
        {"several in one line", "?sid=a&access_token=b&refresh_token=c&ok=d", "?sid=***&access_token=***&refresh_token=***&ok=d"},
        {"non-ASCII text around", "Seite ?sid=ä€ öffnen", "Seite ?sid=*** öffnen"},
        {"percent at the very end", "sid%", "sid%"},
        {"encoded equals without value", "sid%3D", "sid%3D"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(maskingTokens(c.line), c.expected);
    }
}

TEST(LogMasking, HostileLinesTakeLinearTime) {
    // Runs that make a backtracking matcher try every split: many encoded
    // levels, many names without values, endless bearer blanks.
    const std::string lines[] = {
        "%" + std::string(200000, '2') + "sid",
        std::string(100000, 's') + "sid%25" + std::string(100000, '%'),
        [] { std::string s; for (int i = 0; i < 40000; ++i) s += "%2525sid"; return s; }(),
        "Bearer" + std::string(200000, ' '),
        [] { std::string s; for (int i = 0; i < 40000; ++i) s += "entry.vx"; return s; }(),
    };
    for (const auto& line : lines) {
        const auto start = std::chrono::steady_clock::now();
        const auto masked = maskingTokens(line);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_LE(masked.size(), line.size() + 3);
    }
}

TEST(LogMasking, TheLoggerWritesMaskedLines) {
    Logger::error("WebView failed to load https://c.test/gate/entry.vx?sid=secret-token&returnTo=%2F", "HybridViewModel");
    Logger::info("Handling https://c.test/s/page?access_token=secret-token#x", "CommunityHybridViewModel");
    const auto text = platform::LogSink::readAll(Logger::kComponentName).value_or("");
    EXPECT_EQ(text.find("secret-token"), std::string::npos) << text;
    const auto lines = apptest::appLogLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, "HybridViewModel: WebView failed to load https://c.test/gate/entry.vx?***");
    EXPECT_EQ(lines[1].text, "CommunityHybridViewModel: Handling https://c.test/s/page?access_token=***#x");
}

} // namespace
