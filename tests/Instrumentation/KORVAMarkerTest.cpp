#include "VellicorApp/Instrumentation/DurationTracking.hpp"
#include "VellicorApp/Instrumentation/KORVAMarker.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerName.hpp"

#include "Platform/Foundation/Uuid.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

using namespace vellicor;
using platform::veltrane::VQAErrorType;
using platform::veltrane::VQAEventType;
using platform::veltrane::VQASchemaType;

namespace {

class KORVAMarkerTest : public instrtest::InstrumentationTest {};

TEST(KORVAMarkerName, EveryNameHasItsEventNameInDeclarationOrder) {
    const char* expected[kKORVAMarkerNameCount] = {
        "perfTest", "pageViewTest", "interactionTest", "errorTest", "AppColdStart", "AppWarmStart", "AppSession",
        "OfflineLaunch", "NativeLoad", "SplashLoad", "CommunityLoad", "NativeTabNavigation",
        "CommunityPrematureLoadAfterTimeout", "CommunityLoadedAfterTimeout", "CommunitySelected", "AppDeepLink",
        "AppPushNotification", "FileDownload", "ContactsImport", "ExternalURL", "SendEventLogs", "AppleWallet",
        "Biometric", "ZentariInitialized", "ZentariInitializationFailed", "ZentariContactIdAvailable",
        "ZentariPushPermission", "Background", "UserTrackingPermission", "WebViewBootstrapError",
        "InternalServerErrorDisplayed", "ForceUpgrade-Popup", "ForceUpgrade-Popup-Accept", "ForceUpgrade-Popup-Cancel",
        "AppLogout", "LoginRequestSent", "AuthCodeSent", "ServerErrorReceived", "SPErrorReceived",
        "UserSessionRefresh",
    };
    for (int i = 0; i < kKORVAMarkerNameCount; ++i) {
        const auto name = static_cast<KORVAMarkerName>(i);
        SCOPED_TRACE(expected[i]);
        EXPECT_EQ(rawValue(name), expected[i]);
        EXPECT_EQ(korvaMarkerNameFromRawValue(expected[i]), name);
    }
}

TEST(KORVAMarkerName, FromRawValueIsExact) {
    struct Case {
        const char* text;
        std::optional<KORVAMarkerName> expected;
    };
    const Case cases[] = {
        {"AppDeepLink", KORVAMarkerName::universalLinks},
        {"ForceUpgrade-Popup", KORVAMarkerName::forceUpgradePopup},
        {"ServerErrorReceived", KORVAMarkerName::multiSSOServerErrorRecieved},
        {"SPErrorReceived", KORVAMarkerName::multiSSOSPErrorRecieved},
        {"appcoldstart", std::nullopt},
        {"ServerErrorRecieved", std::nullopt},
        {"universalLinks", std::nullopt},
        {"AppColdStart ", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(korvaMarkerNameFromRawValue(c.text), c.expected);
    }
}

TEST(KORVAMarkerName, TypesAndSeveritiesMapToTheSDKsValues) {
    struct TypeCase {
        KORVAMarkerType type;
        const char* raw;
        VQASchemaType schema;
    };
    const TypeCase types[] = {
        {KORVAMarkerType::interaction, "interaction", VQASchemaType::interaction},
        {KORVAMarkerType::pageView, "pageView", VQASchemaType::pageView},
        {KORVAMarkerType::performance, "performance", VQASchemaType::performance},
        {KORVAMarkerType::error, "error", VQASchemaType::error},
    };
    for (int i = 0; i < 4; ++i) {
        const auto& c = types[i];
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(rawValue(c.type), c.raw);
        EXPECT_EQ(korvaMarkerTypeFromRawValue(c.raw), c.type);
        EXPECT_EQ(static_cast<int>(vqaSchemaType(c.type)), i);
    }
    struct ErrorCase {
        KORVAErrorType type;
        const char* raw;
    };
    const ErrorCase errors[] = {{KORVAErrorType::info, "info"}, {KORVAErrorType::warn, "warn"}, {KORVAErrorType::error, "error"}};
    for (int i = 0; i < 3; ++i) {
        const auto& c = errors[i];
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(rawValue(c.type), c.raw);
        EXPECT_EQ(korvaErrorTypeFromRawValue(c.raw), c.type);
        EXPECT_EQ(static_cast<int>(vqaErrorType(c.type)), i);
    }
    EXPECT_EQ(korvaMarkerTypeFromRawValue("PageView"), std::nullopt);
    EXPECT_EQ(korvaErrorTypeFromRawValue("warning"), std::nullopt);
}

TEST(KORVAMarkerName, PageContextsAndLocators) {
    EXPECT_EQ(formatted(KORVAMarkerPage::Context::native), "native");
    EXPECT_EQ(formatted(KORVAMarkerPage::Context::forceUpgrade), "native:forceUpgrade");

    using Parent = KORVAMarkerLocator::Parent;
    using Sender = KORVAMarkerLocator::Sender;
    EXPECT_EQ(rawValue(Parent::forceUpgrade), "forceUpgrade");
    EXPECT_EQ(rawValue(Parent::authentication), "authentication");
    EXPECT_EQ(rawValue(Sender::displayUpgradePopup), "display_upgrade_popup");
    EXPECT_EQ(rawValue(Sender::upgradePopupAccept), "upgrade_popup_accept");
    EXPECT_EQ(rawValue(Sender::upgradePopupCancel), "upgrade_popup_cancel");
    EXPECT_EQ(rawValue(Sender::appLogoutUser), "appLogout_user");
    EXPECT_EQ(rawValue(Sender::appLogoutSystem), "appLogout_system");
}

TEST(KORVATime, SecondsBecomeWholeMillisecondsTruncatedTowardZero) {
    struct Case {
        double seconds;
        std::int64_t expected;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {1.2345, 1234},
        {0.0009, 0},
        {0.0004, 0},
        {12.25, 12250},
        {13.5, 13500},
        {-1.5009, -1500},
        {1'700'000'000.123, 1'700'000'000'123},
        {std::nan(""), 0},
        {infinity, std::numeric_limits<std::int64_t>::max()},
        {-infinity, std::numeric_limits<std::int64_t>::min()},
        {1e300, std::numeric_limits<std::int64_t>::max()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(korvaTime(c.seconds), c.expected);
    }
}

TEST_F(KORVAMarkerTest, DurationIsNeverNegative) {
    struct Case {
        const char* name;
        double start;
        double end;
        double expected;
    };
    const Case cases[] = {
        {"started and ended", 100.0, 101.5, 1.5},
        {"started, not ended", 100.0, 0, 0},
        {"ended before its start", 100.0, 99.0, 0},
        {"ended, never started", 0, 100.0, 100.0},
        {"neither", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto pageView = KORVAPageViewMarker::create(KORVAMarkerName::communityLoad);
        const auto performance = KORVAPerformanceMarker::create(KORVAMarkerName::coldStart);
        for (DurationTracking* timed : {static_cast<DurationTracking*>(pageView.get()),
                                        static_cast<DurationTracking*>(performance.get())}) {
            timed->setStartTime(c.start);
            timed->setEndTime(c.end);
            EXPECT_DOUBLE_EQ(timed->duration(), c.expected);
        }
    }
}

TEST_F(KORVAMarkerTest, NewMarkersOfEachKind) {
    testsupport::clock()->set(1'700'000'123.25);

    const auto interaction = KORVAInteractionMarker::create(KORVAMarkerName::biometric);
    EXPECT_EQ(interaction->type(), KORVAMarkerType::interaction);
    EXPECT_EQ(interaction->errorType(), KORVAErrorType::info);
    EXPECT_EQ(interaction->page(), (std::map<std::string, std::string>{{"context", "native"}}));
    EXPECT_DOUBLE_EQ(interaction->occurrenceTime(), 1'700'000'123.25); // stamped when made
    EXPECT_EQ(interaction->senderContext(), std::nullopt);
    EXPECT_EQ(interaction->senderID(), std::nullopt);
    EXPECT_EQ(interaction->senderParentID(), std::nullopt);
    EXPECT_EQ(interaction->eventType(), VQAEventType::user);
    EXPECT_EQ(static_cast<int>(interaction->eventType()), 0);

    const auto pageView = KORVAPageViewMarker::create(KORVAMarkerName::communityLoad);
    EXPECT_EQ(pageView->type(), KORVAMarkerType::pageView);
    EXPECT_EQ(pageView->page(), (std::map<std::string, std::string>{{"context", "native"}}));
    EXPECT_EQ(pageView->startTime(), 0);
    EXPECT_EQ(pageView->endTime(), 0);

    const auto performance = KORVAPerformanceMarker::create(KORVAMarkerName::coldStart);
    EXPECT_EQ(performance->type(), KORVAMarkerType::performance);
    EXPECT_EQ(performance->startTime(), 0);
    EXPECT_EQ(performance->endTime(), 0);

    const auto error = KORVAErrorMarker::create(KORVAMarkerName::webViewBootstrapError, KORVAErrorType::warn);
    EXPECT_EQ(error->type(), KORVAMarkerType::error);
    EXPECT_EQ(error->errorType(), KORVAErrorType::warn);

    for (const KORVAMarker* marker : {static_cast<const KORVAMarker*>(interaction.get()),
                                      static_cast<const KORVAMarker*>(pageView.get()),
                                      static_cast<const KORVAMarker*>(performance.get()),
                                      static_cast<const KORVAMarker*>(error.get())}) {
        SCOPED_TRACE(std::string(rawValue(marker->type())));
        EXPECT_EQ(marker->attributes(), std::nullopt);
        EXPECT_EQ(marker->sessionID(), context->sessionID());
        const auto id = platform::Uuid::fromString(marker->markerID());
        ASSERT_TRUE(id);
        EXPECT_EQ(marker->markerID(), id->uuidString()); // the upper-case form
    }
    EXPECT_EQ(interaction->name(), KORVAMarkerName::biometric);
    EXPECT_EQ(error->name(), KORVAMarkerName::webViewBootstrapError);
}

TEST_F(KORVAMarkerTest, MarkersKeepTheSessionIDTheyWereMadeWith) {
    const auto first = KORVAPerformanceMarker::create(KORVAMarkerName::coldStart);
    const auto firstSession = context->sessionID();
    AppContext::updateCurrentContextSessionID();
    const auto second = KORVAPerformanceMarker::create(KORVAMarkerName::coldStart);

    EXPECT_NE(first->markerID(), second->markerID());
    EXPECT_EQ(first->sessionID(), firstSession);
    EXPECT_EQ(second->sessionID(), context->sessionID());
    EXPECT_NE(first->sessionID(), second->sessionID());

    std::set<std::string> ids;
    for (int i = 0; i < 1000; ++i) ids.insert(KORVAErrorMarker::create(KORVAMarkerName::errorTest, KORVAErrorType::error)->markerID());
    EXPECT_EQ(ids.size(), 1000u);
}

TEST_F(KORVAMarkerTest, DescriptionWritesAttributesAsTheDictionaryDescription) {
    const auto marker = KORVAPerformanceMarker::create(KORVAMarkerName::appSession);
    const auto prefix = "name: AppSession, ID: " + marker->markerID() + ", type: performance, session: " +
                        context->sessionID() + ", attributes: ";

    struct Case {
        const char* name;
        std::optional<platform::Json> attributes;
        std::string expected;
    };
    const Case cases[] = {
        {"none", std::nullopt, "nil"},
        {"login and network", platform::Json{{"isUserLoggedIn", true}, {"networkStatus", "Wifi"}},
         R"(["isUserLoggedIn": true, "networkStatus": "Wifi"])"},
        {"empty", platform::Json::object(), "[:]"},
        {"numbers, lists and nested dictionaries",
         platform::Json{{"count", 3}, {"ratio", 1.5}, {"list", {1, "two"}}, {"nested", {{"a", nullptr}}}},
         R"(["count": 3, "list": [1, "two"], "nested": ["a": nil], "ratio": 1.5])"},
        {"quotes are escaped", platform::Json{{"say", "a \"b\""}}, R"(["say": "a \"b\""])"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        marker->setAttributes(c.attributes);
        EXPECT_EQ(marker->description(), prefix + c.expected);
    }

    const auto interaction = KORVAInteractionMarker::create(KORVAMarkerName::universalLinks);
    EXPECT_TRUE(interaction->description().starts_with("name: AppDeepLink, ID: " + interaction->markerID() +
                                                       ", type: interaction, session: "));
}

TEST_F(KORVAMarkerTest, ACopyIsASeparateMarkerWithTheSameValues) {
    const auto interaction = KORVAInteractionMarker::create(KORVAMarkerName::forceUpgradePopupAccept);
    interaction->setAttributes(platform::Json{{"a", 1}});
    interaction->setPage({{"context", "native:forceUpgrade"}});
    interaction->setSenderID("upgrade_popup_accept");
    interaction->setSenderParentID("forceUpgrade");
    interaction->setSenderContext(platform::Json{{"screen", "alert"}});
    interaction->setOccurrenceTime(12.5);

    const auto copy = std::dynamic_pointer_cast<KORVAInteractionMarker>(interaction->copy());
    ASSERT_TRUE(copy);
    interaction->setAttributes(platform::Json{{"a", 2}});
    interaction->setSenderID("changed");

    EXPECT_NE(copy.get(), interaction.get());
    EXPECT_EQ(copy->markerID(), interaction->markerID());
    EXPECT_EQ(copy->sessionID(), interaction->sessionID());
    EXPECT_EQ(copy->name(), KORVAMarkerName::forceUpgradePopupAccept);
    EXPECT_EQ(copy->attributes(), platform::Json({{"a", 1}}));
    EXPECT_EQ(copy->page().at("context"), "native:forceUpgrade");
    EXPECT_EQ(copy->senderID(), "upgrade_popup_accept");
    EXPECT_EQ(copy->senderParentID(), "forceUpgrade");
    EXPECT_EQ(copy->senderContext(), platform::Json({{"screen", "alert"}}));
    EXPECT_DOUBLE_EQ(copy->occurrenceTime(), 12.5);

    const auto performance = KORVAPerformanceMarker::create(KORVAMarkerName::nativeLoad);
    performance->setStartTime(10);
    performance->setEndTime(11);
    const auto performanceCopy = std::dynamic_pointer_cast<KORVAPerformanceMarker>(performance->copy());
    ASSERT_TRUE(performanceCopy);
    performance->setEndTime(20);
    EXPECT_DOUBLE_EQ(performanceCopy->duration(), 1.0);

    const auto pageView = KORVAPageViewMarker::create(KORVAMarkerName::pageViewTest);
    pageView->setStartTime(5);
    EXPECT_TRUE(std::dynamic_pointer_cast<KORVAPageViewMarker>(pageView->copy()));
    EXPECT_DOUBLE_EQ(std::dynamic_pointer_cast<KORVAPageViewMarker>(pageView->copy())->startTime(), 5);

    const auto error = KORVAErrorMarker::create(KORVAMarkerName::errorTest, KORVAErrorType::error);
    const auto errorCopy = error->copy();
    EXPECT_TRUE(std::dynamic_pointer_cast<KORVAErrorMarker>(errorCopy));
    EXPECT_EQ(errorCopy->errorType(), KORVAErrorType::error);
}

} // namespace
