#include "TarnixKORVAInstrumentation/TarnixKORVAMarker.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <cstdint>

using platform::Json;
using tarnix::TarnixKORVAMarker;

namespace {

class Failure : public tarnix::TarnixPluginFailure {
public:
    std::string failureCode() const override { return "E42"; }
    std::string failureMessage() const override { return "Camera unavailable"; }
};

TEST(TarnixKORVAMarker, ANewMarkerHasTheTaskAttributesAndNoTimes) {
    const auto withMessage = TarnixKORVAMarker::create("NFCService", "2.0", "read", "INFO-hello", std::nullopt);
    EXPECT_EQ(withMessage->name(), "NFCService");
    EXPECT_EQ(withMessage->startTime(), 0);
    EXPECT_EQ(withMessage->endTime(), 0);
    EXPECT_EQ(withMessage->attributes(),
              (Json{{"plugin_version", "2.0"}, {"task_name", "read"}, {"message", "INFO-hello"}}));

    const auto withoutMessage = TarnixKORVAMarker::create("NFCService", "2.0", "read", std::nullopt, std::nullopt);
    EXPECT_EQ(withoutMessage->attributes().at("message"), "");
}

TEST(TarnixKORVAMarker, ExtraAttributesAreMergedButNeverReplaceTheMarkersOwn) {
    const auto marker = TarnixKORVAMarker::create(
        "LocationService", "1.0", "locate", "mine",
        Json{{"plugin_version", "9.9"}, {"task_name", "other"}, {"message", "theirs"}, {"accuracy", 5}});
    EXPECT_EQ(marker->attributes(), (Json{{"plugin_version", "1.0"},
                                          {"task_name", "locate"},
                                          {"message", "mine"},
                                          {"accuracy", 5}}));
}

TEST(TarnixKORVAMarker, StartAndStopStampMillisecondsOfTheCurrentClock) {
    testsupport::clock()->set(1'700'000'000.1237);
    const auto marker = TarnixKORVAMarker::create("AppReviewService", "1", "review", std::nullopt, std::nullopt);
    marker->start();
    testsupport::clock()->advance(2.5);
    marker->stop(std::nullopt, nullptr);
    EXPECT_EQ(marker->startTime(), 1'700'000'000'123);
    EXPECT_EQ(marker->endTime(), 1'700'000'002'623);
}

TEST(TarnixKORVAMarker, StopReplacesTheMessageWithTheFailureOrNothing) {
    const Failure failure;
    const auto failed = TarnixKORVAMarker::create("AppReviewService", "1", "review", "created", std::nullopt);
    failed->stop(std::nullopt, &failure);
    EXPECT_EQ(failed->attributes().at("message"), "Camera unavailable [E42]");

    const auto succeeded = TarnixKORVAMarker::create("AppReviewService", "1", "review", "created", std::nullopt);
    succeeded->stop(std::nullopt, nullptr);
    EXPECT_EQ(succeeded->attributes().at("message"), "");
}

TEST(TarnixKORVAMarker, BarcodeTypeIsTheResultStringOrEmpty) {
    struct Case {
        const char* name;
        std::optional<Json> results;
        const char* expected;
    };
    const Case cases[] = {
        {"string", Json{{"barcode_type", "QR"}}, "QR"},
        {"number", Json{{"barcode_type", 13}}, ""},
        {"missing key", Json{{"item_count", 1}}, ""},
        {"no results", std::nullopt, ""},
        {"results not an object", Json::array({"QR"}), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto marker = TarnixKORVAMarker::create("BarcodeScanner", "1.2", "scan", std::nullopt, std::nullopt);
        marker->stop(c.results, nullptr);
        EXPECT_EQ(marker->attributes().at("barcode_type"), c.expected);
        EXPECT_FALSE(marker->attributes().contains("item_count"));
    }
}

TEST(TarnixKORVAMarker, ItemCountIsReadFromTheResultsText) {
    struct Case {
        const char* name;
        std::optional<Json> results;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"integer", Json{{"item_count", 3}}, 3},
        {"digits in a string", Json{{"item_count", "12"}}, 12},
        {"largest 32-bit value", Json{{"item_count", 4294967295u}}, 4294967295u},
        {"above 32 bits", Json{{"item_count", 4294967296}}, 0},
        {"negative", Json{{"item_count", -1}}, 0},
        {"fraction", Json{{"item_count", 3.5}}, 0},
        {"letters", Json{{"item_count", "abc"}}, 0},
        {"empty string", Json{{"item_count", ""}}, 0},
        {"digits then letters", Json{{"item_count", "12a"}}, 0},
        {"Boolean", Json{{"item_count", true}}, 0},
        {"missing key", Json{{"barcode_type", "QR"}}, 0},
        {"no results", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto marker = TarnixKORVAMarker::create("ContactsService", "1", "pick", std::nullopt, std::nullopt);
        marker->stop(c.results, nullptr);
        const auto& count = marker->attributes().at("item_count");
        EXPECT_TRUE(count.is_number_unsigned());
        EXPECT_EQ(count.get<std::uint32_t>(), c.expected);
    }
}

TEST(TarnixKORVAMarker, ResultAttributesDependOnThePlugin) {
    struct Case {
        const char* plugin;
        const char* resultKey; // nullptr: none
    };
    const Case cases[] = {
        {"BarcodeScanner", "barcode_type"},    {"CalendarService", "item_count"},
        {"ContactsService", "item_count"},     {"DocumentScanner", "item_count"},
        {"GeofencingService", "item_count"},   {"NFCService", "item_count"},
        {"AppReviewService", nullptr},         {"BiometricsService", nullptr},
        {"LocationService", nullptr},          {"nfcservice", nullptr},
        {"SomeOtherPlugin", nullptr},
    };
    const Json results = {{"barcode_type", "QR"}, {"item_count", 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plugin);
        const auto marker = TarnixKORVAMarker::create(c.plugin, "1", "task", std::nullopt, std::nullopt);
        marker->stop(results, nullptr);
        Json expected = {{"plugin_version", "1"}, {"task_name", "task"}, {"message", ""}};
        if (c.resultKey) expected[c.resultKey] = results.at(c.resultKey);
        EXPECT_EQ(marker->attributes(), expected);
    }
}

} // namespace
