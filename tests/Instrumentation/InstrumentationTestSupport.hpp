#pragma once

// Support for the instrumentation tests: a running context over the sample
// app package, the events in the SDK's event store, and a recorder of the
// markers a marker centre hands over.

#include "VellicorApp/Instrumentation/AnalyticsLogger.hpp"
#include "VellicorApp/Instrumentation/KORVAMarker.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/CTTelephonyNetworkInfo.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKReachability.hpp"
#include "tests/Shell/AppTestSupport.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace instrtest {

using Event = std::shared_ptr<const platform::veltrane::VQSDKInstrumentationEvent>;

/// Waits until every queued event has been stored.
inline bool waitForStoredEvents() {
    return testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; });
}

/// A user's interaction (an app deep link) that the SDK's transform takes, with no attributes.
inline std::shared_ptr<platform::veltrane::VQSDKInstrumentationEvent> interactionEvent(const std::string& id) {
    auto event = std::make_shared<platform::veltrane::VQSDKInstrumentationEvent>();
    event->eventId = id;
    event->name = "AppDeepLink";
    event->schemaType = platform::veltrane::VQASchemaType::interaction;
    event->eventType = platform::veltrane::VQAEventType::user;
    event->startTime = 1'700'000'000'000;
    event->attributes = platform::Json::object();
    return event;
}

/// The events of the SDK's shared store, oldest first, once queued work is done.
inline std::vector<Event> storedEvents() {
    EXPECT_TRUE(waitForStoredEvents());
    return platform::veltrane::VQSDKEventStoreManager::sharedInstance()->fetchAllEvents().value_or(std::vector<Event>{});
}

/// The texts of the app's log lines at a level that come from one type.
inline std::vector<std::string> logTexts(const std::string& level, const std::string& type) {
    std::vector<std::string> texts;
    for (auto& text : apptest::appLogTexts(level)) {
        if (text.starts_with(type + ": ")) texts.push_back(text.substr(type.size() + 2));
    }
    return texts;
}

/// Records the markers a centre hands over; callable from any thread.
class MarkerRecorder {
public:
    vellicor::KORVAMarkerCenter::MarkerSink sink() {
        return [this](std::shared_ptr<const vellicor::KORVAMarker> marker) {
            std::lock_guard lock(mutex_);
            markers_.push_back(std::move(marker));
        };
    }
    std::vector<std::shared_ptr<const vellicor::KORVAMarker>> markers() const {
        std::lock_guard lock(mutex_);
        return markers_;
    }
    /// How many handed-over markers carry the ID.
    std::size_t count(const std::string& markerID) const {
        std::lock_guard lock(mutex_);
        return static_cast<std::size_t>(std::count_if(markers_.begin(), markers_.end(),
                                                      [&](const auto& m) { return m->markerID() == markerID; }));
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<const vellicor::KORVAMarker>> markers_;
};

/// A running context over the sample package; afterwards, queued events are
/// stored before the sandbox goes and the process-wide state is restored.
class InstrumentationTest : public apptest::AppTest {
protected:
    void SetUp() override { context = apptest::installContext(apptest::sampleResources(), bundle()); }

    /// The app configuration of the context; the sample Info.plist by default.
    virtual std::shared_ptr<vellicor::BundleType> bundle() { return apptest::FakeBundle::sample(); }

    void TearDown() override {
        EXPECT_TRUE(waitForStoredEvents());
        if (context && context->userAccountManager) context->userAccountManager->setCurrentUserAccount(nullptr);
        vellicor::AnalyticsLogger::resetForTesting();
        platform::veltrane::VQSDKReachability::resetForTesting();
        platform::veltrane::CTTelephonyNetworkInfo::resetForTesting();
        apptest::AppTest::TearDown();
    }

    std::shared_ptr<vellicor::Context> context;
};

} // namespace instrtest
