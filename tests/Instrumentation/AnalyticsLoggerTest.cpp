#include "VellicorApp/Instrumentation/AnalyticsLogger.hpp"

#include "VellicorApp/Instrumentation/KORVAMarker.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace vellicor;
using platform::Json;
using platform::veltrane::CTCarrier;
using platform::veltrane::CTTelephonyNetworkInfo;
using platform::veltrane::VQAErrorType;
using platform::veltrane::VQAEventType;
using platform::veltrane::VQASchemaType;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

CTCarrier carrier(std::optional<std::string> name) {
    CTCarrier carrier;
    carrier.carrierName = std::move(name);
    return carrier;
}

class AnalyticsLoggerTest : public instrtest::InstrumentationTest {
protected:
    /// Logs the marker and gives the one event it became.
    instrtest::Event eventOf(std::shared_ptr<const KORVAMarker> marker) {
        const auto before = instrtest::storedEvents().size();
        AnalyticsLogger::logKORVAMarker(std::move(marker));
        const auto events = instrtest::storedEvents();
        EXPECT_EQ(events.size(), before + 1);
        return events.size() == before + 1 ? events.back() : nullptr;
    }

    static Json extras(const std::string& carrier = "Unknown", const std::string& communityType = "Vesk") {
        return {{"carrierInfo", {{"carrier", carrier}}}, {"communityType", communityType}};
    }

    static Json merged(Json attributes, const Json& more) {
        attributes.update(more);
        return attributes;
    }
};

TEST_F(AnalyticsLoggerTest, EachKindOfMarkerBecomesItsEvent) {
    const auto performance = KORVAPerformanceMarker::create(KORVAMarkerName::coldStart);
    performance->setStartTime(12.25);
    performance->setEndTime(13.5);
    performance->setAttributes(Json{{"isUserLoggedIn", false}});

    const auto pageView = KORVAPageViewMarker::create(KORVAMarkerName::communityLoad);
    pageView->setStartTime(0.0004);
    pageView->setEndTime(2.0);

    const auto interaction = KORVAInteractionMarker::create(KORVAMarkerName::forceUpgradePopupCancel);
    interaction->setPage({{"context", "native:forceUpgrade"}});
    interaction->setSenderID("upgrade_popup_cancel");
    interaction->setSenderParentID("forceUpgrade");
    interaction->setSenderContext(Json{{"context", "alert"}});

    const auto error = KORVAErrorMarker::create(KORVAMarkerName::webViewBootstrapError, KORVAErrorType::warn);
    error->setAttributes(Json{{"statusCode", 500}});

    struct Case {
        std::shared_ptr<const KORVAMarker> marker;
        std::string name;
        VQASchemaType schema;
        VQAErrorType errorType;
        std::int64_t start;
        std::int64_t end;
        std::optional<VQAEventType> eventType;
        std::optional<std::string> senderId;
        std::optional<std::string> senderParentId;
        std::optional<Json> senderContext;
        std::optional<Json> page;
        Json attributes;
    };
    const Case cases[] = {
        {performance, "AppColdStart", VQASchemaType::performance, VQAErrorType::info, 12250, 13500, std::nullopt,
         std::nullopt, std::nullopt, std::nullopt, std::nullopt, merged(Json{{"isUserLoggedIn", false}}, extras())},
        {pageView, "CommunityLoad", VQASchemaType::pageView, VQAErrorType::info, 0, 2000, std::nullopt, std::nullopt,
         std::nullopt, std::nullopt, Json{{"context", "native"}}, extras()},
        // An interaction carries when it happened (its creation) and no end.
        {interaction, "ForceUpgrade-Popup-Cancel", VQASchemaType::interaction, VQAErrorType::info,
         korvaTime(testsupport::kStartTime), 0, VQAEventType::user, "upgrade_popup_cancel", "forceUpgrade",
         Json{{"context", "alert"}}, Json{{"context", "native:forceUpgrade"}}, extras()},
        // An error carries neither start nor end, nor a page.
        {error, "WebViewBootstrapError", VQASchemaType::error, VQAErrorType::warn, 0, 0, std::nullopt, std::nullopt,
         std::nullopt, std::nullopt, std::nullopt, merged(Json{{"statusCode", 500}}, extras())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto event = eventOf(c.marker);
        ASSERT_TRUE(event);
        EXPECT_EQ(event->name, c.name);
        EXPECT_EQ(event->schemaType, c.schema);
        EXPECT_EQ(event->errorType, c.errorType);
        EXPECT_EQ(event->sessionId, context->sessionID());
        EXPECT_EQ(event->startTime, c.start);
        EXPECT_EQ(event->endTime, c.end);
        EXPECT_EQ(event->eventType, c.eventType);
        EXPECT_EQ(event->senderId, c.senderId);
        EXPECT_EQ(event->senderParentId, c.senderParentId);
        EXPECT_EQ(event->senderContext, c.senderContext);
        EXPECT_EQ(event->page, c.page);
        EXPECT_EQ(event->attributes, c.attributes);
        // Nobody is signed in: the instance for nobody.
        EXPECT_EQ(event->userId, std::nullopt);
    }
}

TEST_F(AnalyticsLoggerTest, TheAddedAttributesReplaceTheCallersOwn) {
    const auto marker = KORVAInteractionMarker::create(KORVAMarkerName::communitySelected);
    marker->setAttributes(Json{{"carrierInfo", "x"}, {"communityType", "y"}, {"label", "Site"}});
    const auto event = eventOf(marker);
    ASSERT_TRUE(event);
    EXPECT_EQ(event->attributes, merged(Json{{"label", "Site"}}, extras()));

    // Attributes that are no dictionary count as none.
    const auto odd = KORVAErrorMarker::create(KORVAMarkerName::errorTest, KORVAErrorType::error);
    odd->setAttributes(Json::array({1, 2}));
    const auto oddEvent = eventOf(odd);
    ASSERT_TRUE(oddEvent);
    EXPECT_EQ(oddEvent->attributes, extras());
}

TEST_F(AnalyticsLoggerTest, CarrierIsTheFirstProvidersName) {
    struct Case {
        const char* name;
        std::optional<std::map<std::string, CTCarrier>> providers;
        std::string expected;
    };
    const Case cases[] = {
        {"no cellular provider", std::nullopt, "Unknown"},
        {"no providers in the list", std::map<std::string, CTCarrier>{}, "Unknown"},
        {"a named provider", std::map<std::string, CTCarrier>{{"0000000100000001", carrier("Nordtel")}},
         "Nordtel"},
        {"a provider without a name", std::map<std::string, CTCarrier>{{"0000000100000001", carrier(std::nullopt)}}, "Unknown"},
        {"two providers", std::map<std::string, CTCarrier>{{"a", carrier("First")},
                                                           {"b", carrier("Second")}},
         "First"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnalyticsLogger::resetForTesting();
        CTTelephonyNetworkInfo::setServiceSubscriberCellularProviders(c.providers);
        const auto event = eventOf(KORVAPerformanceMarker::create(KORVAMarkerName::perfTest));
        ASSERT_TRUE(event);
        EXPECT_EQ(event->attributes, extras(c.expected));
    }
}

TEST_F(AnalyticsLoggerTest, CarrierIsReadOncePerProcess) {
    CTTelephonyNetworkInfo::setServiceSubscriberCellularProviders(
        std::map<std::string, CTCarrier>{{"1", carrier("Nordtel")}});
    ASSERT_TRUE(eventOf(KORVAPerformanceMarker::create(KORVAMarkerName::perfTest)));
    CTTelephonyNetworkInfo::setServiceSubscriberCellularProviders(
        std::map<std::string, CTCarrier>{{"1", carrier("Other")}});
    const auto event = eventOf(KORVAPerformanceMarker::create(KORVAMarkerName::perfTest));
    ASSERT_TRUE(event);
    EXPECT_EQ(event->attributes, extras("Nordtel"));
}

class AnalyticsLoggerWebRuntimeTest : public AnalyticsLoggerTest {
protected:
    std::shared_ptr<BundleType> bundle() override {
        auto bundle = apptest::FakeBundle::sample();
        bundle->info["IsPlexa"] = true;
        return bundle;
    }
};

TEST_F(AnalyticsLoggerWebRuntimeTest, AWebRuntimeCommunityIsCPlexa) {
    const auto event = eventOf(KORVAErrorMarker::create(KORVAMarkerName::errorTest, KORVAErrorType::info));
    ASSERT_TRUE(event);
    EXPECT_EQ(event->attributes, extras("Unknown", "CPlexa"));
}

TEST_F(AnalyticsLoggerTest, TheFirstMarkerChoosesTheManagerForTheProcess) {
    struct Case {
        const char* name;
        bool signedInFirst;
        std::optional<std::string> expectedUser; // of both events
    };
    const Case cases[] = {
        {"nobody signed in at first", false, std::nullopt},
        {"signed in at first", true, "005user"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnalyticsLogger::resetForTesting();
        context->userAccountManager->setCurrentUserAccount(nullptr);
        if (c.signedInFirst) apptest::signIn(*context);
        const auto first = eventOf(KORVAInteractionMarker::create(KORVAMarkerName::appLogout));
        // Signing in or out later changes nothing.
        if (c.signedInFirst) {
            context->userAccountManager->setCurrentUserAccount(nullptr);
        } else {
            apptest::signIn(*context);
        }
        const auto second = eventOf(KORVAInteractionMarker::create(KORVAMarkerName::appLogout));
        ASSERT_TRUE(first && second);
        EXPECT_EQ(first->userId, c.expectedUser);
        EXPECT_EQ(second->userId, c.expectedUser);
        EXPECT_EQ(second->orgId, c.expectedUser ? std::optional<std::string>("00Dorg") : std::nullopt);
    }
    context->userAccountManager->setCurrentUserAccount(nullptr);
}

TEST_F(AnalyticsLoggerTest, MarkersLoggedDuringAWriteReturnAtOnceAndAreStoredTogetherInOrder) {
    using platform::FileManager;
    const auto storeFolder = platform::veltrane::VQSDKEventStoreManager::sharedInstance()->storeFolder();
    // The store's writes into its folder hang until released.
    std::mutex mutex;
    std::condition_variable changed;
    bool writing = false;
    bool released = false;
    const auto release = [&] {
        {
            std::lock_guard lock(mutex);
            released = true;
        }
        changed.notify_all();
    };
    FileManager::defaultManager().setFailureInjector(
        [&](FileManager::Operation op, const std::filesystem::path& path) -> std::optional<platform::Error> {
            if (op != FileManager::Operation::write || path.parent_path() != storeFolder) return std::nullopt;
            std::unique_lock lock(mutex);
            writing = true;
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
            return std::nullopt;
        });
    struct Restore {
        std::function<void()> release;
        ~Restore() {
            release();
            instrtest::waitForStoredEvents();
            FileManager::defaultManager().setFailureInjector(nullptr);
        }
    } restore{release};
    const auto marker = [](int i) {
        auto marker = KORVAInteractionMarker::create(KORVAMarkerName::perfTest);
        marker->setAttributes(Json{{"i", i}});
        return marker;
    };

    AnalyticsLogger::logKORVAMarker(marker(0));
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return writing; }));
    }
    // With the store stuck on disk, logging still returns at once.
    constexpr int kMarkers = 50;
    std::atomic<bool> logged{false};
    std::thread logger([&] {
        for (int i = 1; i <= kMarkers; ++i) AnalyticsLogger::logKORVAMarker(marker(i));
        logged = true;
    });
    const bool returned = testsupport::waitUntil([&] { return logged.load(); });
    release();
    logger.join();
    EXPECT_TRUE(returned) << "logging waited for the store's write";

    const auto events = instrtest::storedEvents();
    ASSERT_EQ(events.size(), std::size_t(kMarkers + 1));
    for (int i = 0; i <= kMarkers; ++i) EXPECT_EQ(events[i]->attributes->at("i"), i);
    const auto files = FileManager::defaultManager().contentsOfDirectory(storeFolder);
    ASSERT_TRUE(files);
    EXPECT_EQ(files->size(), 2u) << "the markers logged during the first write share the next one";
}

TEST_F(AnalyticsLoggerTest, WithoutAManagerTheMarkerIsDropped) {
    // A signed-in account without ids has no analytics manager.
    context->userAccountManager->setCurrentUserAccount(platform::veltrane::VQUserAccount::create(
        std::make_shared<platform::veltrane::VQOAuthCredentials>("no-ids", "client-id")));
    AnalyticsLogger::logKORVAMarker(KORVAPerformanceMarker::create(KORVAMarkerName::perfTest));
    context->userAccountManager->setCurrentUserAccount(nullptr);
    EXPECT_THAT(instrtest::storedEvents(), IsEmpty());
    EXPECT_THAT(instrtest::logTexts("ERROR", "AnalyticsLogger"),
                ElementsAre("Can't log KORVA marker, no analytics manager found!"));
}

TEST_F(AnalyticsLoggerTest, AMarkerTheSDKCannotBuildStoresNothing) {
    const auto marker = KORVAPerformanceMarker::create(KORVAMarkerName::perfTest);
    marker->setStartTime(-5.0); // the builder refuses negative times
    AnalyticsLogger::logKORVAMarker(marker);
    AnalyticsLogger::logKORVAMarker(nullptr);
    EXPECT_THAT(instrtest::storedEvents(), IsEmpty());
    EXPECT_THAT(apptest::appLogTexts("ERROR"), IsEmpty());
}

} // namespace
