#include "Platform/System/TrackingManager.hpp"

#include <gtest/gtest.h>

#include <thread>

using platform::system::TrackingAuthorizationStatus;
using platform::system::TrackingManager;

namespace {

TEST(TrackingManager, IsUndeterminedUntilSetAndKeepsWhatWasSet) {
    TrackingManager::resetForTesting();
    EXPECT_EQ(TrackingManager::trackingAuthorizationStatus(), TrackingAuthorizationStatus::notDetermined);
    for (const auto status : {TrackingAuthorizationStatus::restricted, TrackingAuthorizationStatus::denied,
                              TrackingAuthorizationStatus::authorized}) {
        // Another thread's answer is seen by the main thread.
        std::thread([status] { TrackingManager::setTrackingAuthorizationStatus(status); }).join();
        EXPECT_EQ(TrackingManager::trackingAuthorizationStatus(), status);
    }
    EXPECT_EQ(static_cast<unsigned>(TrackingAuthorizationStatus::authorized), 3u);
    TrackingManager::resetForTesting();
    EXPECT_EQ(TrackingManager::trackingAuthorizationStatus(), TrackingAuthorizationStatus::notDetermined);
}

} // namespace
