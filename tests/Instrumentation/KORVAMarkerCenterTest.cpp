#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <latch>
#include <map>
#include <thread>
#include <vector>

using namespace vellicor;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class KORVAMarkerCenterTest : public instrtest::InstrumentationTest {
protected:
    void SetUp() override {
        InstrumentationTest::SetUp();
        center = KORVAMarkerCenter::create(recorder.sink());
    }

    std::vector<std::string> infoLines() const { return instrtest::logTexts("INFO", "KORVAMarkerCenter"); }
    std::vector<std::string> errorLines() const { return instrtest::logTexts("ERROR", "KORVAMarkerCenter"); }

    instrtest::MarkerRecorder recorder;
    std::shared_ptr<KORVAMarkerCenter> center;
};

TEST_F(KORVAMarkerCenterTest, CreatedMarkersAreOpenAtOnceAsTheirKind) {
    struct Case {
        KORVAMarkerType type;
        KORVAErrorType requested;
        KORVAErrorType expected; // only error markers keep the requested severity
    };
    const Case cases[] = {
        {KORVAMarkerType::interaction, KORVAErrorType::error, KORVAErrorType::info},
        {KORVAMarkerType::pageView, KORVAErrorType::warn, KORVAErrorType::info},
        {KORVAMarkerType::performance, KORVAErrorType::info, KORVAErrorType::info},
        {KORVAMarkerType::error, KORVAErrorType::warn, KORVAErrorType::warn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.type)));
        const auto id = center->createMarker(KORVAMarkerName::perfTest, c.type, c.requested);
        const auto marker = center->getMarker(id); // right after creation, on the same thread
        ASSERT_TRUE(marker);
        EXPECT_EQ(marker->markerID(), id);
        EXPECT_EQ(marker->type(), c.type);
        EXPECT_EQ(marker->errorType(), c.expected);
        EXPECT_EQ(marker.get(), center->getMarker(id).get()); // one shared instance
        EXPECT_EQ(infoLines().back(), "Marker created: " + marker->description() + ".");
    }
    // Without a severity, an error marker is of severity info.
    const auto plain = center->createMarker(KORVAMarkerName::errorTest, KORVAMarkerType::error);
    EXPECT_EQ(center->getMarker(plain)->errorType(), KORVAErrorType::info);
    EXPECT_EQ(center->openMarkerCount(), 5u);
    EXPECT_EQ(center->getMarker("not-an-id"), nullptr);
    EXPECT_THAT(errorLines(), IsEmpty());
}

TEST_F(KORVAMarkerCenterTest, StartAndEndTimeMarkersThatTrackDuration) {
    const auto id = center->createMarker(KORVAMarkerName::communityLoad, KORVAMarkerType::pageView);
    center->start(id); // now
    testsupport::clock()->advance(2.5);
    center->end(id, testsupport::kStartTime + 10);

    const auto marker = std::dynamic_pointer_cast<KORVAPageViewMarker>(center->getMarker(id));
    ASSERT_TRUE(marker);
    EXPECT_DOUBLE_EQ(marker->startTime(), testsupport::kStartTime);
    EXPECT_DOUBLE_EQ(marker->endTime(), testsupport::kStartTime + 10);

    center->end(id); // again: overwrites, now
    EXPECT_DOUBLE_EQ(marker->endTime(), testsupport::kStartTime + 2.5);

    const auto lines = infoLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Marker started: " + marker->description() + ".");
    EXPECT_EQ(lines[3], "Marker ended: " + marker->description() + ".");
}

TEST_F(KORVAMarkerCenterTest, StartAndEndOfMarkersWithoutDurationOrUnknownAreOnlyLogged) {
    const auto interaction = center->createMarker(KORVAMarkerName::biometric, KORVAMarkerType::interaction);
    const auto error = center->createMarker(KORVAMarkerName::errorTest, KORVAMarkerType::error, KORVAErrorType::error);
    const auto before = center->getMarker(interaction)->description();

    center->start(interaction, 5);
    center->end(error, 6);
    center->start("missing", 5);
    center->end("missing");

    EXPECT_THAT(errorLines(), ElementsAre("Marker " + interaction + " doesn't track duration!",
                                          "Marker " + error + " doesn't track duration!",
                                          "Marker missing doesn't exist!", "Marker missing doesn't exist!"));
    EXPECT_EQ(center->getMarker(interaction)->description(), before);
    EXPECT_EQ(center->openMarkerCount(), 2u);
}

TEST_F(KORVAMarkerCenterTest, LogHandsOverACopyAndForgetsTheMarker) {
    const auto id = center->createMarker(KORVAMarkerName::coldStart, KORVAMarkerType::performance);
    center->start(id, 100.0);
    center->end(id, 101.5205);
    const auto held = center->getMarker(id);
    held->setAttributes(platform::Json{{"isUserLoggedIn", false}});

    center->log(id);
    EXPECT_EQ(center->getMarker(id), nullptr); // right after logging
    EXPECT_EQ(center->openMarkerCount(), 0u);

    // The caller still holds the marker and changes it; what was handed over stays.
    held->setAttributes(platform::Json{{"changed", true}});
    std::dynamic_pointer_cast<KORVAPerformanceMarker>(held)->setEndTime(200.0);

    const auto markers = recorder.markers();
    ASSERT_EQ(markers.size(), 1u);
    const auto logged = std::dynamic_pointer_cast<const KORVAPerformanceMarker>(markers[0]);
    ASSERT_TRUE(logged);
    EXPECT_NE(logged.get(), held.get());
    EXPECT_EQ(logged->markerID(), id);
    EXPECT_EQ(logged->attributes(), platform::Json({{"isUserLoggedIn", false}}));
    EXPECT_DOUBLE_EQ(logged->endTime(), 101.5205);
    EXPECT_EQ(infoLines().back(), "Marker logged: " + logged->description() + ", duration: 1520ms.");

    center->log(id); // a second time: nothing handed over
    EXPECT_EQ(recorder.markers().size(), 1u);
    EXPECT_THAT(errorLines(), ElementsAre("Marker " + id + " doesn't exist!"));
}

TEST_F(KORVAMarkerCenterTest, OnlyTimedKindsLogTheirDuration) {
    struct Case {
        KORVAMarkerType type;
        std::string suffix;
    };
    const Case cases[] = {
        {KORVAMarkerType::performance, ", duration: 0ms."}, // started, never ended
        {KORVAMarkerType::pageView, ", duration: 0ms."},
        {KORVAMarkerType::interaction, "."},
        {KORVAMarkerType::error, "."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(rawValue(c.type)));
        const auto id = center->createMarker(KORVAMarkerName::perfTest, c.type);
        center->start(id, 50.0);
        const auto description = center->getMarker(id)->description();
        center->log(id);
        EXPECT_EQ(infoLines().back(), "Marker logged: " + description + c.suffix);
    }
}

TEST_F(KORVAMarkerCenterTest, LogInteractionCreatesFillsAndLogsAnInteraction) {
    using Parent = KORVAMarkerLocator::Parent;
    using Sender = KORVAMarkerLocator::Sender;
    struct Case {
        const char* name;
        std::optional<platform::Json> attributes;
        std::optional<KORVAMarkerPage::Context> page;
        std::optional<KORVAMarkerLocator> locator;
        std::string expectedContext;
        std::optional<std::string> senderID;
        std::optional<std::string> senderParentID;
    };
    const Case cases[] = {
        {"nothing given", std::nullopt, std::nullopt, std::nullopt, "native", std::nullopt, std::nullopt},
        {"attributes", platform::Json{{"isColdStart", "warmStart"}}, std::nullopt, std::nullopt, "native",
         std::nullopt, std::nullopt},
        {"native page", std::nullopt, KORVAMarkerPage::Context::native, std::nullopt, "native", std::nullopt,
         std::nullopt},
        {"update prompt accepted", platform::Json{{"version", "2.0"}}, KORVAMarkerPage::Context::forceUpgrade,
         KORVAMarkerLocator{Parent::forceUpgrade, Sender::upgradePopupAccept}, "native:forceUpgrade",
         "upgrade_popup_accept", "forceUpgrade"},
        {"logout without page", std::nullopt, std::nullopt,
         KORVAMarkerLocator{Parent::authentication, Sender::appLogoutSystem}, "native", "appLogout_system",
         "authentication"},
    };
    testsupport::clock()->set(1'700'000'777.5);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = recorder.markers().size();
        center->logInteraction(KORVAMarkerName::forceUpgradePopupAccept, c.attributes, c.page, c.locator);

        const auto markers = recorder.markers();
        ASSERT_EQ(markers.size(), before + 1);
        const auto logged = std::dynamic_pointer_cast<const KORVAInteractionMarker>(markers.back());
        ASSERT_TRUE(logged);
        EXPECT_EQ(logged->name(), KORVAMarkerName::forceUpgradePopupAccept);
        EXPECT_EQ(logged->attributes(), c.attributes);
        EXPECT_EQ(logged->page(), (std::map<std::string, std::string>{{"context", c.expectedContext}}));
        EXPECT_EQ(logged->senderID(), c.senderID);
        EXPECT_EQ(logged->senderParentID(), c.senderParentID);
        EXPECT_EQ(logged->senderContext(), std::nullopt);
        EXPECT_DOUBLE_EQ(logged->occurrenceTime(), 1'700'000'777.5);
    }

    center->logInteraction(KORVAMarkerName::biometric, platform::Json{{"isAccessGranted", true}});
    const auto last = recorder.markers().back();
    EXPECT_EQ(last->name(), KORVAMarkerName::biometric);
    EXPECT_EQ(last->attributes(), platform::Json({{"isAccessGranted", true}}));

    EXPECT_EQ(center->openMarkerCount(), 0u);
    EXPECT_THAT(errorLines(), IsEmpty());
    // Each one is created, then logged.
    const auto lines = infoLines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_TRUE(lines[10].starts_with("Marker created: name: Biometric, ID: "));
    EXPECT_TRUE(lines[10].ends_with(", type: interaction, session: " + context->sessionID() + ", attributes: nil."));
    EXPECT_EQ(lines[11], "Marker logged: " + last->description() + ".");
}

TEST_F(KORVAMarkerCenterTest, LogErrorLogsAnErrorMarkerOfTheSeverity) {
    center->logError(KORVAMarkerName::internalServerErrorDisplayed, KORVAErrorType::error,
                     platform::Json{{"statusCode", 500}, {"supportId", "1-2 (3)"}});
    center->logError(KORVAMarkerName::webViewBootstrapError, KORVAErrorType::warn, std::nullopt);

    const auto markers = recorder.markers();
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0]->type(), KORVAMarkerType::error);
    EXPECT_EQ(markers[0]->errorType(), KORVAErrorType::error);
    EXPECT_EQ(markers[0]->attributes(), platform::Json({{"statusCode", 500}, {"supportId", "1-2 (3)"}}));
    EXPECT_EQ(markers[1]->name(), KORVAMarkerName::webViewBootstrapError);
    EXPECT_EQ(markers[1]->errorType(), KORVAErrorType::warn);
    EXPECT_EQ(markers[1]->attributes(), std::nullopt);
    EXPECT_EQ(center->openMarkerCount(), 0u);
}

TEST_F(KORVAMarkerCenterTest, LoginAndNetworkStatusFollowsTheConnection) {
    using platform::veltrane::VQSDKNetworkStatus;
    using platform::veltrane::VQSDKReachability;
    struct Case {
        const char* name;
        bool offline;
        VQSDKNetworkStatus interface;
        std::optional<std::map<std::string, std::string>> radio;
        std::string expected;
    };
    const std::map<std::string, std::string> lte = {{"0000000100000001", "CTRadioAccessTechnologyLTE"}};
    const Case cases[] = {
        {"offline", true, VQSDKNetworkStatus::reachableViaWiFi, std::nullopt, "No Connection"},
        {"Wi-Fi", false, VQSDKNetworkStatus::reachableViaWiFi, lte, "Wifi"},
        {"cellular", false, VQSDKNetworkStatus::reachableViaWWAN, lte,
         platform::veltrane::dictionaryDescription(lte)},
        {"cellular without radio information", false, VQSDKNetworkStatus::reachableViaWWAN, std::nullopt, "Unknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Reachability::setOffline(c.offline);
        VQSDKReachability::setActiveInterface(c.interface);
        platform::veltrane::CTTelephonyNetworkInfo::setServiceCurrentRadioAccessTechnology(c.radio);
        EXPECT_EQ(center->loginAndNetworkStatus(),
                  platform::Json({{"isUserLoggedIn", false}, {"networkStatus", c.expected}}));
    }

    apptest::signIn(*context);
    EXPECT_EQ(center->loginAndNetworkStatus().at("isUserLoggedIn"), true);
}

TEST_F(KORVAMarkerCenterTest, TheProcessHasOneCentreThatFeedsTheAnalytics) {
    const auto current = KORVAMarkerCenter::current();
    EXPECT_EQ(current.get(), KORVAMarkerCenter::current().get());

    const auto id = current->createMarker(KORVAMarkerName::nativeLoad, KORVAMarkerType::performance);
    current->start(id, 10.0);
    current->end(id, 11.0);
    current->log(id);

    const auto events = instrtest::storedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]->name, "NativeLoad");
    EXPECT_EQ(events[0]->startTime, 10000);
    EXPECT_EQ(events[0]->endTime, 11000);
}

// Many threads at once -------------------------------------------------------
//
// These tests also run under ThreadSanitizer (scripts/test).

class KORVAMarkerCenterConcurrencyTest : public KORVAMarkerCenterTest {
protected:
    static constexpr int kThreads = 8;

    /// Every handed-over marker by ID, with how often it was handed over.
    std::map<std::string, int> handedOver() const {
        std::map<std::string, int> counts;
        for (const auto& marker : recorder.markers()) ++counts[marker->markerID()];
        return counts;
    }
};

TEST_F(KORVAMarkerCenterConcurrencyTest, DistinctMarkersFromManyThreadsAreEachLoggedOnce) {
    constexpr int kPerThread = 200;
    const KORVAMarkerType kinds[] = {KORVAMarkerType::interaction, KORVAMarkerType::pageView,
                                     KORVAMarkerType::performance, KORVAMarkerType::error};
    std::vector<std::vector<std::string>> created(kThreads);
    std::latch go(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            go.arrive_and_wait();
            for (int i = 0; i < kPerThread; ++i) {
                const auto kind = kinds[i % 4];
                const auto id = center->createMarker(KORVAMarkerName::perfTest, kind, KORVAErrorType::warn);
                center->start(id, t * 1000.0 + i);
                center->end(id, t * 1000.0 + i + 0.5);
                if (const auto marker = center->getMarker(id)) marker->setAttributes(platform::Json{{"thread", t}, {"i", i}});
                center->log(id);
                created[t].push_back(id);
                // One-call markers between the timed ones.
                if (i % 10 == 0) center->logInteraction(KORVAMarkerName::biometric, platform::Json{{"thread", t}});
                if (i % 10 == 5) center->logError(KORVAMarkerName::errorTest, KORVAErrorType::error, std::nullopt);
            }
        });
    }
    for (auto& thread : threads) thread.join();

    const auto counts = handedOver();
    constexpr int kOneCallMarkers = kThreads * (kPerThread / 10) * 2;
    ASSERT_EQ(recorder.markers().size(), std::size_t(kThreads * kPerThread + kOneCallMarkers));
    EXPECT_EQ(counts.size(), recorder.markers().size()) << "a marker was handed over twice";
    std::map<std::string, std::shared_ptr<const KORVAMarker>> byID;
    for (const auto& marker : recorder.markers()) byID[marker->markerID()] = marker;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i) {
            const auto found = byID.find(created[t][i]);
            ASSERT_NE(found, byID.end()) << "marker " << i << " of thread " << t << " was lost";
            const auto& marker = found->second;
            EXPECT_EQ(marker->attributes(), platform::Json({{"thread", t}, {"i", i}}));
            if (const auto* timed = dynamic_cast<const DurationTracking*>(marker.get())) {
                EXPECT_DOUBLE_EQ(timed->startTime(), t * 1000.0 + i);
                EXPECT_DOUBLE_EQ(timed->endTime(), t * 1000.0 + i + 0.5);
            }
        }
    }
    EXPECT_EQ(center->openMarkerCount(), 0u);
}

TEST_F(KORVAMarkerCenterConcurrencyTest, ASharedMarkerLoggedByManyThreadsIsLoggedOnce) {
    constexpr int kShared = 300;
    std::vector<std::string> ids;
    for (int i = 0; i < kShared; ++i) {
        ids.push_back(center->createMarker(KORVAMarkerName::appSession,
                                           i % 2 ? KORVAMarkerType::performance : KORVAMarkerType::interaction));
    }

    std::latch go(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            go.arrive_and_wait();
            // Each thread walks the shared markers from its own starting point.
            for (int n = 0; n < kShared; ++n) {
                const auto& id = ids[(n + t * kShared / kThreads) % kShared];
                (void)center->getMarker(id);
                center->log(id);
            }
        });
    }
    for (auto& thread : threads) thread.join();

    const auto counts = handedOver();
    ASSERT_EQ(counts.size(), std::size_t(kShared));
    for (const auto& id : ids) EXPECT_EQ(recorder.count(id), 1u) << id;
    EXPECT_EQ(recorder.markers().size(), std::size_t(kShared));
    // Every other attempt found the marker gone.
    EXPECT_EQ(errorLines().size(), std::size_t(kShared * (kThreads - 1)));
    EXPECT_EQ(center->openMarkerCount(), 0u);
}

TEST_F(KORVAMarkerCenterConcurrencyTest, MarkersLoggedByOtherThreadsRightAfterCreationAreNeverLost) {
    // Creators publish each ID as soon as creation returns; several loggers
    // sweep the published IDs, so each is logged by more than one thread.
    constexpr int kCreators = 4;
    constexpr int kLoggers = 4;
    constexpr int kPerCreator = 150;
    std::mutex mutex;
    std::vector<std::string> published;
    std::atomic<int> creatorsDone{0};
    std::latch go(kCreators + kLoggers);
    std::vector<std::thread> threads;
    for (int c = 0; c < kCreators; ++c) {
        threads.emplace_back([&] {
            go.arrive_and_wait();
            for (int i = 0; i < kPerCreator; ++i) {
                auto id = center->createMarker(KORVAMarkerName::pageViewTest, KORVAMarkerType::pageView);
                std::lock_guard lock(mutex);
                published.push_back(std::move(id));
            }
            ++creatorsDone;
        });
    }
    for (int l = 0; l < kLoggers; ++l) {
        threads.emplace_back([&] {
            go.arrive_and_wait();
            std::size_t next = 0;
            while (true) {
                const bool finished = creatorsDone.load() == kCreators;
                std::vector<std::string> batch;
                {
                    std::lock_guard lock(mutex);
                    batch.assign(published.begin() + static_cast<std::ptrdiff_t>(next), published.end());
                }
                next += batch.size();
                for (const auto& id : batch) center->log(id);
                if (finished && batch.empty()) break;
            }
        });
    }
    for (auto& thread : threads) thread.join();

    ASSERT_EQ(published.size(), std::size_t(kCreators * kPerCreator));
    const auto counts = handedOver();
    EXPECT_EQ(counts.size(), published.size());
    for (const auto& id : published) EXPECT_EQ(counts.count(id) ? counts.at(id) : 0, 1) << id;
    EXPECT_EQ(errorLines().size(), published.size() * (kLoggers - 1));
    EXPECT_EQ(center->openMarkerCount(), 0u);
}

} // namespace
