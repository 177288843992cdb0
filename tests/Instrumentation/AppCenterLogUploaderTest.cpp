#include "VellicorApp/Instrumentation/AppCenterLogUploader.hpp"

#include "VellicorApp/Community/HTTPClient.hpp"
#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/AppCenter/MSACAppCenter.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "tests/Instrumentation/IngestionServerFixture.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

using namespace vellicor;
using platform::Json;
using platform::veltrane::UIDevice;

namespace {

constexpr const char* kUUID = "E621E1F8-C36C-495A-93FC-0C247A3E6E5F";
// 2024-05-01 13:07:45 UTC.
constexpr platform::TimeInterval kUploadTime = 1'714'568'865.0;

std::set<std::string> keys(const Json& object) {
    std::set<std::string> names;
    for (const auto& [key, value] : object.items()) names.insert(key);
    return names;
}

class AppCenterLogDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::installContext();
        testsupport::clock()->set(kUploadTime);
        UIDevice::setPreferredLanguages({"de-CH", "en-US"});
    }
    void TearDown() override { UIDevice::resetForTesting(); }

    Json document(std::string_view log) const {
        const auto text = AppCenterLogUploader(kUUID, std::make_shared<HTTPClient>()).constructPayload(log);
        EXPECT_TRUE(text);
        return Json::parse(text.value_or("{}"));
    }
};

TEST_F(AppCenterLogDocumentTest, HoldsTheErrorReportThenTheLogAttachment) {
    const auto json = document("line one\nline two é\n");
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ(keys(json), std::set<std::string>{"logs"});
    const auto& logs = json["logs"];
    ASSERT_EQ(logs.size(), 2u);
    const auto& error = logs[0];
    const auto& attachment = logs[1];

    EXPECT_EQ(keys(error), (std::set<std::string>{"type", "timestamp", "device", "appLaunchTimestamp", "id",
                                                  "applicationPath", "osExceptionType", "osExceptionCode",
                                                  "osExceptionAddress", "processName", "fatal", "isTestMessage",
                                                  "userId", "threads", "binaries"}));
    EXPECT_EQ(keys(attachment),
              (std::set<std::string>{"type", "timestamp", "device", "contentType", "data", "errorId"}));

    EXPECT_EQ(error["type"], "appleError");
    EXPECT_EQ(error["applicationPath"], "Kessmire/Kessmire-Phone");
    EXPECT_EQ(error["osExceptionType"], "Customer Manual Logs");
    EXPECT_EQ(error["osExceptionCode"], "0");
    EXPECT_EQ(error["osExceptionAddress"], "0x00");
    EXPECT_EQ(error["processName"], "veltrane");
    EXPECT_EQ(error["fatal"], true);
    EXPECT_EQ(error["isTestMessage"], false);
    EXPECT_EQ(error["threads"], Json::array());
    EXPECT_EQ(error["binaries"], Json::array());
    EXPECT_EQ(attachment["type"], "errorAttachment");
    EXPECT_EQ(attachment["contentType"], "text/plain");
    EXPECT_EQ(platform::base64Decode(attachment["data"].get<std::string>()),
              platform::dataFromString("line one\nline two é\n"));

    // One contact UUID ties the report, its user and the attachment together.
    EXPECT_EQ(error["id"], kUUID);
    EXPECT_EQ(error["userId"], kUUID);
    EXPECT_EQ(attachment["errorId"], kUUID);
    // One time, in UTC to the minute, on the 24-hour clock.
    EXPECT_EQ(error["timestamp"], "2024-05-01 13:07");
    EXPECT_EQ(error["appLaunchTimestamp"], "2024-05-01 13:07");
    EXPECT_EQ(attachment["timestamp"], "2024-05-01 13:07");

    const Json device = {{"appVersion", "1.0.0"},   {"appBuild", "1.0.0"}, {"sdkName", "appcenter.ios"},
                         {"sdkVersion", platform::appcenter::MSACAppCenter::sdkVersion()},
                         {"osName", "iOS"},         {"osVersion", "17.0"},
                         {"model", UIDevice::platformString()}, {"locale", "de-CH"}};
    EXPECT_EQ(error["device"], device);
    EXPECT_EQ(attachment["device"], device);
}

TEST_F(AppCenterLogDocumentTest, AnEmptyLogGivesEmptyData) {
    EXPECT_EQ(document("")["logs"][1]["data"], "");
}

TEST_F(AppCenterLogDocumentTest, NoPreferredLanguageGivesAnEmptyLocale) {
    UIDevice::setPreferredLanguages({});
    EXPECT_EQ(document("x")["logs"][0]["device"]["locale"], "");
}

TEST_F(AppCenterLogDocumentTest, ALogThatIsNotUtf8IsNotSent) {
    const auto text = AppCenterLogUploader(kUUID, std::make_shared<HTTPClient>()).constructPayload("bad \xff byte");
    EXPECT_FALSE(text);
    EXPECT_EQ(instrtest::logTexts("ERROR", "AppCenterLogUploader"),
              std::vector<std::string>{"Error encoding device logs."});
}

class AppCenterLogUploaderTest : public appcentertest::IngestionServerFixture {
protected:
    void TearDown() override {
        UIDevice::resetForTesting();
        platform::Reachability::setOffline(false);
        IngestionServerFixture::TearDown();
    }
    static void send() { AppCenterLogUploader(kUUID, std::make_shared<HTTPClient>()).sendLog("ignored"); }
    static std::vector<std::string> lines(const std::string& level) {
        return instrtest::logTexts(level, "AppCenterLogUploader");
    }
};

TEST_F(AppCenterLogUploaderTest, UploadsTheLogUnderTheContactUUID) {
    apptest::installContext();
    Logger::info("Signed in as 005ab0cdef12345", "Test");
    send();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !lines("INFO").empty(); }));

    const auto received = server->ingestedLogs();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].installId, kUUID);
    EXPECT_EQ(received[0].appSecret, "00000000-0000-4000-8000-000000000000");
    const auto& logs = received[0].document["logs"];
    ASSERT_EQ(logs.size(), 2u);
    EXPECT_EQ(logs[0]["id"], kUUID);
    EXPECT_EQ(logs[1]["errorId"], kUUID);
    const auto log = platform::utf8String(platform::base64Decode(logs[1]["data"].get<std::string>()).value());
    ASSERT_TRUE(log);
    EXPECT_TRUE(log->starts_with(std::string(80, '=') + "\n Vellicor App\n")) << *log;
    EXPECT_NE(log->find("Test: Signed in as 005ab0cdef12345"), std::string::npos);

    const auto request = server->requests().back();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/logs");
    EXPECT_EQ(request.param("Api-Version"), "1.0.0");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(lines("INFO"), std::vector<std::string>{"Upload logs to AppCenter successful response: { URL: "
                                                      "https://in.appcenter.example.test/logs?Api-Version=1.0.0 } "
                                                      "{ Status Code: 200 }"});
}

TEST_F(AppCenterLogUploaderTest, LogsEachRoadThatEndsTheUpload) {
    struct Case {
        const char* name;
        std::function<void(platform::Json&)> editInfo;
        std::function<void()> prepare;
        bool writeLog;
        std::size_t uploads;
        std::string level;
        std::string line;
    };
    const Case cases[] = {
        {"simulator", {}, [] { UIDevice::setSimulator(true); }, true, 0, "INFO",
         "Can't send logs to AppCenter coz app is running on simulator"},
        {"no log file", {}, [] {}, false, 0, "WARNING", "Can't send logs to AppCenter coz Log file is nil"},
        {"no ingestion origin", [](platform::Json& info) { info.erase("AppCenterIngestionOrigin"); }, [] {}, true, 0,
         "ERROR", "Failed to create log upload URL"},
        {"an origin that is no URL", [](platform::Json& info) { info["AppCenterIngestionOrigin"] = "not a url"; },
         [] {}, true, 0, "ERROR", "Failed to create log upload URL"},
        {"transport error", {}, [] { platform::Reachability::setOffline(true); }, true, 0, "ERROR",
         "Upload logs to AppCenter failed with error: The Internet connection appears to be offline."},
        {"server error still counts as an answer", {}, [this] { server->setIngestionStatus(500); }, true, 1, "INFO",
         "Upload logs to AppCenter successful response: { URL: "
         "https://in.appcenter.example.test/logs?Api-Version=1.0.0 } { Status Code: 500 }"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::freshSandbox();
        platform::LogSink::closeAll();
        const auto before = server->ingestedLogs().size();
        apptest::installContext(c.editInfo);
        if (c.writeLog) Logger::info("something happened", "Test");
        c.prepare();
        send();
        ASSERT_TRUE(testsupport::waitUntil([&] {
            const auto texts = lines(c.level);
            return std::find(texts.begin(), texts.end(), c.line) != texts.end();
        })) << c.line;
        EXPECT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }));
        EXPECT_EQ(server->ingestedLogs().size() - before, c.uploads);
        UIDevice::resetForTesting();
        platform::Reachability::setOffline(false);
        server->setIngestionStatus(200);
    }
}

} // namespace
