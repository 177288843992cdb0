#include "VellicorApp/Instrumentation/AppSessionTracker.hpp"
#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/UI/Application.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class InstrumentationContextTest : public instrtest::InstrumentationTest {};

TEST_F(InstrumentationContextTest, TheContextHoldsTheProcesssCentreAndTheEventHandOver) {
    EXPECT_EQ(context->korvaMarkerCenter.get(), KORVAMarkerCenter::current().get());
    ASSERT_TRUE(context->eventStoreManager);
    EXPECT_EQ(std::dynamic_pointer_cast<platform::veltrane::VQSDKEventStoreManager>(
                  context->eventStoreManager->eventStoreManager()),
              platform::veltrane::VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance()->eventStoreManager());
}

TEST_F(InstrumentationContextTest, TheSessionTrackerUsesTheRunningContextsCentre) {
    instrtest::MarkerRecorder recorder;
    const auto center = KORVAMarkerCenter::create(recorder.sink());
    auto dependencies = Context::Dependencies{
        .veltraneSDKManager = context->veltraneSDKManager,
        .userAccountManager = context->userAccountManager,
        .vqPushNotificationManager = context->vqPushNotificationManager,
        .userDefaults = context->userDefaults,
        .mainBundle = context->mainBundle,
        .sessionID = "session",
        .notificationCenter = context->notificationCenter,
        .fileManager = &context->fileManager,
        .korvaMarkerCenter = center,
    };
    AppContext::setStackForTesting({Context::create(std::move(dependencies))});

    const auto tracker = AppSessionTracker::create(15000.0);
    tracker->start();
    ASSERT_TRUE(center->getMarker(tracker->appSession()));
    context->notificationCenter->post(platform::ui::kApplicationWillTerminateNotification);
    ASSERT_EQ(recorder.markers().size(), 1u);
    EXPECT_EQ(recorder.markers()[0]->sessionID(), "session");
}

} // namespace
