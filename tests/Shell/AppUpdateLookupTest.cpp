#include "VellicorApp/Shell/AppUpdateLookup.hpp"
#include "VellicorApp/Shell/Assembly/AppUpdateNetworkService.hpp"

#include "tests/Shell/AppTestSupport.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/Foundation/Reachability.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

using namespace vellicor;

namespace {

constexpr const char* kApp =
    R"({"trackViewUrl":"https://apps.apple.com/us/app/vellicor/id42","trackId":42,"minimumOsVersion":"15.0",)"
    R"("currentVersionReleaseDate":"2024-03-10T08:30:00Z","version":"2.3.1","artistName":"ignored"})";

const ITunesAPI::AppInfo kAppInfo{"https://apps.apple.com/us/app/vellicor/id42", 42, "15.0", 1710059400, "2.3.1"};

std::string resultsOf(const std::string& entries) { return R"({"resultCount":1,"results":[)" + entries + "]}"; }

TEST(AppUpdateLookup, TheLookupAddressFollowsTheStorefrontCountry) {
    apptest::installContext();
    struct Case {
        const char* name;
        std::optional<std::string> bundleID;
        std::optional<std::string> country;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"no storefront asks for USA", "com.vellicor.app", std::nullopt,
         "https://itunes.apple.com/lookup?bundleId=com.vellicor.app&country=US"},
        {"German storefront", "com.vellicor.app", "DEU",
         "https://itunes.apple.com/lookup?bundleId=com.vellicor.app&country=DE"},
        {"Åland", "com.vellicor.app", "ALA", "https://itunes.apple.com/lookup?bundleId=com.vellicor.app&country=AX"},
        {"lower case is no code", "com.vellicor.app", "deu", std::nullopt},
        {"unknown country", "com.vellicor.app", "XYZ", std::nullopt},
        {"alpha-2 is no alpha-3 code", "com.vellicor.app", "DE", std::nullopt},
        {"empty country", "com.vellicor.app", "", std::nullopt},
        {"no bundle identifier", std::nullopt, "USA", std::nullopt},
        {"bundle identifier is encoded", "a b&country=FR", "USA",
         "https://itunes.apple.com/lookup?bundleId=a%20b%26country%3DFR&country=US"},
    };
    for (const auto& c : cases) {
        const auto url = AppUpdate::Endpoint::iTunesURL(c.bundleID, c.country);
        EXPECT_EQ(url ? std::optional(url->absoluteString()) : std::nullopt, c.expected) << c.name;
    }
}

TEST(AppUpdateLookup, TheBundleIdentifierDefaultsToTheContextsBundle) {
    apptest::installContext();
    const auto url = AppUpdate::Endpoint::iTunesURL(std::optional<std::string>("GBR"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString(), "https://itunes.apple.com/lookup?bundleId=com.vellicor.app&country=GB");

    apptest::installContext([](platform::Json& info) { info.erase("CFBundleIdentifier"); });
    EXPECT_EQ(AppUpdate::Endpoint::iTunesURL(std::nullopt), std::nullopt);
}

TEST(AppUpdateLookup, WithoutTheCountryTableThereIsNoLookupAddress) {
    const auto package = apptest::copyPackage();
    std::filesystem::remove(package / "isoCountryCodes.json");
    apptest::installContext(package);
    EXPECT_EQ(AppUpdate::Endpoint::iTunesURL("com.vellicor.app", "USA"), std::nullopt);
}

TEST(AppUpdateLookup, TheStorePageAddressCarriesTheTrackID) {
    const struct {
        std::int64_t trackID;
        const char* expected;
    } rows[] = {{42, "itms-apps://apps.apple.com/app/id42"},
                {1234567890123, "itms-apps://apps.apple.com/app/id1234567890123"},
                {0, "itms-apps://apps.apple.com/app/id0"}};
    for (const auto& row : rows) {
        const auto url = AppUpdate::Endpoint::appStoreURL(row.trackID);
        ASSERT_TRUE(url) << row.trackID;
        EXPECT_EQ(url->absoluteString(), row.expected);
        EXPECT_EQ(url->path(), "/app/id" + std::to_string(row.trackID));
    }
}

TEST(AppUpdateLookup, DecodesWholeAnswersOnly) {
    const std::string second =
        R"({"trackViewUrl":"https://other","trackId":7,"minimumOsVersion":"16.0",)"
        R"("currentVersionReleaseDate":"2024-01-01T00:00:00Z","version":"9.0"})";
    const std::string withoutMinimumOs =
        R"({"trackViewUrl":"https://other","trackId":7,"currentVersionReleaseDate":"2024-01-01T00:00:00Z","version":"9.0"})";
    const std::string fractionalDate =
        R"({"trackViewUrl":"https://other","trackId":7,"minimumOsVersion":"16.0",)"
        R"("currentVersionReleaseDate":"2024-01-01T00:00:00.5Z","version":"9.0"})";
    std::string trackIdAsText = kApp;
    trackIdAsText.replace(trackIdAsText.find("42,"), 3, "\"42\",");
    std::string trackIdFraction = kApp;
    trackIdFraction.replace(trackIdFraction.find("42,"), 3, "42.5,");
    std::string offsetDate = kApp;
    offsetDate.replace(offsetDate.find("08:30:00Z"), 9, "09:30:00+01:00");

    struct Case {
        const char* name;
        std::string body;
        AppUpdateLookupResult expected;
    };
    const auto noApp = std::unexpected(AppUpdate::NetworkError::noAppResults);
    const Case cases[] = {
        {"one app", resultsOf(kApp), kAppInfo},
        {"only the first of several counts", resultsOf(kApp + ("," + second)), kAppInfo},
        {"release date with an offset", resultsOf(offsetDate), kAppInfo},
        {"a later result without minimumOsVersion", resultsOf(kApp + ("," + withoutMinimumOs)), noApp},
        {"a later result with fractional seconds", resultsOf(kApp + ("," + fractionalDate)), noApp},
        {"track id as text", resultsOf(trackIdAsText), noApp},
        {"track id with a fraction", resultsOf(trackIdFraction), noApp},
        {"no results", R"({"resultCount":0,"results":[]})", noApp},
        {"results not a list", R"({"results":{}})", noApp},
        {"no results key", R"({"resultCount":0})", noApp},
        {"not JSON", "<html>Not Found</html>", noApp},
        {"empty body", "", noApp},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AppUpdateNetworking::decodeITunes(platform::dataFromString(c.body)), c.expected) << c.name;
    }
}

// A network that answers at once with what it was given.
class CannedNetwork : public NetworkProtocol {
public:
    CannedNetwork(std::optional<platform::Data> data, std::optional<platform::Error> error)
        : data_(std::move(data)), error_(std::move(error)) {}
    std::shared_ptr<platform::HttpDataTask> send(platform::HttpRequest request,
                                                 platform::HttpCompletion completion) override {
        ++sent;
        lastRequest = std::move(request);
        completion(data_, std::nullopt, error_);
        return nullptr;
    }
    int sent = 0;
    std::optional<platform::HttpRequest> lastRequest;

private:
    std::optional<platform::Data> data_;
    std::optional<platform::Error> error_;
};

TEST(AppUpdateNetworkService, TurnsEveryTransferOutcomeIntoOneAnswer) {
    const auto url = platform::Url::parse("https://itunes.apple.com/lookup?bundleId=a&country=US");
    struct Case {
        const char* name;
        std::optional<platform::Data> data;
        std::optional<platform::Error> error;
        AppUpdateLookupResult expected;
    };
    const Case cases[] = {
        {"an app", platform::dataFromString(resultsOf(kApp)), std::nullopt, kAppInfo},
        {"an error wins over a body", platform::dataFromString(resultsOf(kApp)),
         platform::Error("NSURLErrorDomain", -1001), std::unexpected(AppUpdate::NetworkError::general)},
        {"no body", std::nullopt, std::nullopt, std::unexpected(AppUpdate::NetworkError::noData)},
        {"no app", platform::dataFromString("{}"), std::nullopt,
         std::unexpected(AppUpdate::NetworkError::noAppResults)},
    };
    for (const auto& c : cases) {
        const auto network = std::make_shared<CannedNetwork>(c.data, c.error);
        AppUpdateNetworkService service{HTTPClient(network)};
        int calls = 0;
        std::optional<AppUpdateLookupResult> answer;
        service.getAppUpdateDetails(url, [&](AppUpdateLookupResult result) {
            ++calls;
            answer = std::move(result);
        });
        EXPECT_EQ(calls, 1) << c.name;
        EXPECT_EQ(answer, c.expected) << c.name;
        ASSERT_TRUE(network->lastRequest) << c.name;
        EXPECT_EQ(network->lastRequest->httpMethod, "GET") << c.name;
        EXPECT_EQ(network->lastRequest->timeoutInterval, 60.0) << c.name;
    }

    const auto network = std::make_shared<CannedNetwork>(std::nullopt, std::nullopt);
    AppUpdateNetworkService service{HTTPClient(network)};
    std::optional<AppUpdateLookupResult> answer;
    service.getAppUpdateDetails(std::nullopt, [&](AppUpdateLookupResult result) { answer = std::move(result); });
    EXPECT_EQ(answer, std::unexpected(AppUpdate::NetworkError::invalidUrl)) << "answered at once";
    EXPECT_EQ(network->sent, 0);
}

// The store's lookup host played by the loopback server.
class AppUpdateLookupLoopbackTest : public ::testing::Test {
protected:
    AppUpdateLookupLoopbackTest() : server({AppUpdate::kLookupHost}) {
        apptest::installContext();
        server.server().Get("/lookup", [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex);
            lastQuery = {request.get_param_value("bundleId"), request.get_param_value("country")};
            response.status = status;
            response.set_content(body, "application/json");
        });
        server.routeHost(AppUpdate::kLookupHost);
    }
    ~AppUpdateLookupLoopbackTest() override { platform::Reachability::setOffline(false); }

    AppUpdateLookupResult lookUp(const std::optional<std::string>& country) {
        AppUpdateNetworkService service{HTTPClient()};
        std::mutex answerMutex;
        std::optional<AppUpdateLookupResult> answer;
        service.getAppUpdateDetails(AppUpdate::Endpoint::iTunesURL(country), [&](AppUpdateLookupResult result) {
            std::lock_guard lock(answerMutex);
            answer = std::move(result);
        });
        EXPECT_TRUE(testsupport::waitUntil([&] {
            std::lock_guard lock(answerMutex);
            return answer.has_value();
        }));
        std::lock_guard lock(answerMutex);
        return answer.value_or(std::unexpected(AppUpdate::NetworkError::general));
    }

    testsupport::LoopbackHttpsServer server;
    std::mutex mutex; // guards the fields below, shared with the handler
    int status = 200;
    std::string body = resultsOf(kApp);
    std::pair<std::string, std::string> lastQuery;
};

TEST_F(AppUpdateLookupLoopbackTest, AsksTheStoreForTheAppInTheStorefrontCountry) {
    struct Case {
        const char* name;
        int status;
        std::string body;
        AppUpdateLookupResult expected;
    };
    const Case cases[] = {
        {"an app", 200, resultsOf(kApp), kAppInfo},
        {"an error status with a lookup answer counts", 500, resultsOf(kApp), kAppInfo},
        {"an error page", 404, "<html>Not Found</html>", std::unexpected(AppUpdate::NetworkError::noAppResults)},
        {"no app listed", 200, R"({"resultCount":0,"results":[]})",
         std::unexpected(AppUpdate::NetworkError::noAppResults)},
    };
    for (const auto& c : cases) {
        {
            std::lock_guard lock(mutex);
            status = c.status;
            body = c.body;
        }
        EXPECT_EQ(lookUp("DEU"), c.expected) << c.name;
        std::lock_guard lock(mutex);
        EXPECT_EQ(lastQuery, std::make_pair(std::string("com.vellicor.app"), std::string("DE"))) << c.name;
    }
}

TEST_F(AppUpdateLookupLoopbackTest, FailuresBeforeOrDuringTheTransfer) {
    const auto before = server.requestCount();
    EXPECT_EQ(lookUp("deu"), std::unexpected(AppUpdate::NetworkError::invalidUrl));
    EXPECT_EQ(server.requestCount(), before) << "nothing is sent without an address";

    platform::Reachability::setOffline(true);
    EXPECT_EQ(lookUp(std::nullopt), std::unexpected(AppUpdate::NetworkError::general));
}

} // namespace
