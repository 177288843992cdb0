#include "Platform/SDKs/Veltrane/VQSDKWebUtils.hpp"

#include <gtest/gtest.h>

using namespace platform::veltrane;

namespace {

TEST(VQSDKWebUtils, KeepsTheLastConfiguredUserAgent) {
    VQSDKWebUtils::resetForTesting();
    EXPECT_EQ(VQSDKWebUtils::configuredUserAgent(), std::nullopt);
    VQSDKWebUtils::configureUserAgent("Agent/1");
    VQSDKWebUtils::configureUserAgent("Agent/2");
    VQSDKWebUtils::configureUserAgent("");
    EXPECT_EQ(VQSDKWebUtils::configuredUserAgent(), "Agent/2");
    VQSDKWebUtils::resetForTesting();
}

} // namespace
