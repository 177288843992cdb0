#include "TarnixPlatformClient/TarnixLogLevel.hpp"
#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"
#include "TarnixPlatformClient/TarnixPluginFailure.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

using tarnix::TarnixLogLevel;
using tarnix::TarnixLoggerUtils;

namespace {

TEST(TarnixLogLevel, RawValuesAndDescriptions) {
    struct Case {
        TarnixLogLevel level;
        int raw;
        const char* description;
    };
    const Case cases[] = {
        {TarnixLogLevel::ERROR, 0, "ERROR"},
        {TarnixLogLevel::WARNING, 1, "WARNING"},
        {TarnixLogLevel::INFO, 2, "INFO"},
        {TarnixLogLevel::DEBUG, 3, "DEBUG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.description);
        EXPECT_EQ(tarnix::rawValue(c.level), c.raw);
        EXPECT_EQ(tarnix::description(c.level), c.description);
        EXPECT_EQ(tarnix::tarnixLogLevel(c.raw), c.level);
    }
}

TEST(TarnixLogLevel, RawValuesOutsideTheTableGiveNoLevel) {
    for (int raw : {-1, 4, 100, -100}) {
        EXPECT_EQ(tarnix::tarnixLogLevel(raw), std::nullopt) << raw;
    }
}

TEST(TarnixLoggerUtils, PluginIdsAndResultKeys) {
    using Ids = TarnixLoggerUtils::PluginIdMap;
    using Keys = TarnixLoggerUtils::PluginResultParameterIdMap;
    struct Case {
        std::string_view constant;
        const char* value;
    };
    const Case cases[] = {
        {Ids::appReviewServiceId, "AppReviewService"},
        {Ids::barcodeScannerId, "BarcodeScanner"},
        {Ids::biometricsServiceId, "BiometricsService"},
        {Ids::calendarServiceId, "CalendarService"},
        {Ids::contactsServiceId, "ContactsService"},
        {Ids::documentScannerId, "DocumentScanner"},
        {Ids::geofencingServiceId, "GeofencingService"},
        {Ids::locationServiceId, "LocationService"},
        {Ids::nfcServiceId, "NFCService"},
        {Keys::barcodeType, "barcode_type"},
        {Keys::itemCount, "item_count"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.constant, c.value);
    }
}

class PluginVersionTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const auto& name : registered_) platform::Bundle::unregisterBundle(name);
    }

    /// Registers a bundle folder under `name`; with `info`, writes it as the Info.plist.
    void registerBundle(const std::string& name, const std::optional<nlohmann::json>& info) {
        const auto folder = testsupport::sandboxRoot() / (name + ".framework");
        std::filesystem::create_directories(folder);
        if (info) {
            ASSERT_TRUE(platform::PropertyList::write(folder / "Info.plist", *info).has_value());
        }
        platform::Bundle::registerBundle(name, folder);
        registered_.push_back(name);
    }

private:
    std::vector<std::string> registered_;
};

TEST_F(PluginVersionTest, ReadsTheShortVersionOfTheRegisteredBundle) {
    struct Case {
        const char* name;
        std::optional<nlohmann::json> info;
        const char* expected;
    };
    const Case cases[] = {
        {"VersionedPlugin", nlohmann::json{{"CFBundleShortVersionString", "1.2.3"}, {"CFBundleVersion", "45"}},
         "1.2.3"},
        {"EmptyVersionPlugin", nlohmann::json{{"CFBundleShortVersionString", ""}}, ""},
        {"NumericVersionPlugin", nlohmann::json{{"CFBundleShortVersionString", 2}}, "undefined"},
        {"BuildOnlyPlugin", nlohmann::json{{"CFBundleVersion", "45"}}, "undefined"},
        {"NoInfoPlugin", std::nullopt, "undefined"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registerBundle(c.name, c.info);
        EXPECT_EQ(TarnixLoggerUtils::getPluginVersion(c.name), c.expected);
    }
}

TEST_F(PluginVersionTest, AnUnregisteredPluginHasNoVersion) {
    EXPECT_EQ(TarnixLoggerUtils::getPluginVersion("NeverRegisteredPlugin"), "undefined");
}

TEST_F(PluginVersionTest, ABundleWhoseFolderIsGoneHasNoVersion) {
    registerBundle("RemovedPlugin", nlohmann::json{{"CFBundleShortVersionString", "9.0"}});
    std::filesystem::remove_all(testsupport::sandboxRoot() / "RemovedPlugin.framework");
    EXPECT_EQ(TarnixLoggerUtils::getPluginVersion("RemovedPlugin"), "undefined");
}

class Failure : public tarnix::TarnixPluginFailure {
public:
    Failure(std::string code, std::string message) : code_(std::move(code)), message_(std::move(message)) {}
    std::string failureCode() const override { return code_; }
    std::string failureMessage() const override { return message_; }

private:
    std::string code_;
    std::string message_;
};

class CustomDescriptionFailure : public Failure {
public:
    using Failure::Failure;
    std::optional<std::string> errorDescription() const override { return "custom text"; }
};

TEST(TarnixPluginFailure, DefaultDescriptionIsMessageThenBracketedCode) {
    struct Case {
        const char* code;
        const char* message;
        const char* expected;
    };
    const Case cases[] = {
        {"E42", "Camera unavailable", "Camera unavailable [E42]"},
        {"", "No code", "No code []"},
        {"E1", "", " [E1]"},
    };
    for (const auto& c : cases) {
        const Failure failure(c.code, c.message);
        EXPECT_EQ(failure.errorDescription(), c.expected);
        EXPECT_EQ(failure.localizedDescription(), c.expected);
    }
}

TEST(TarnixPluginFailure, AFailureTypeMaySupplyItsOwnDescription) {
    const CustomDescriptionFailure failure("E1", "ignored");
    const tarnix::TarnixPluginFailure& base = failure;
    EXPECT_EQ(base.localizedDescription(), "custom text");
}

TEST(TarnixPluginFailure, EncodesCodeAndMessage) {
    const Failure failure("E7", "Denied");
    EXPECT_EQ(failure.encoded(), (nlohmann::json{{"failureCode", "E7"}, {"failureMessage", "Denied"}}));
}

} // namespace
