#include "VellicorApp/Interface/MenuActions/CommunitiesDevAction.hpp"
#include "VellicorApp/Core/AppConstants.hpp"

#include <gtest/gtest.h>

namespace {

TEST(CommunitiesDevActionTest, DefaultsAndTheConversionFromAnSDKAction) {
    auto action = vellicor::CommunitiesDevAction::create("Switch", [] {});
    EXPECT_EQ(action->icon, nullptr);
    EXPECT_EQ(action->iconBackgroundColor, vellicor::Accessibility::veltraneGray());
    EXPECT_FALSE(action->isTextBold);
    EXPECT_TRUE(action->shouldDismissPresenter);
    EXPECT_EQ(action->counter, -1);

    int runs = 0;
    auto sdk = platform::veltrane::VQSDKDevAction::create("Logout", [&runs] { ++runs; });
    auto converted = vellicor::CommunitiesDevAction::create(*sdk);
    EXPECT_EQ(converted->name(), "Logout");
    converted->perform();
    EXPECT_EQ(runs, 1);
    auto silent = vellicor::CommunitiesDevAction::create(*platform::veltrane::VQSDKDevAction::create("", nullptr));
    silent->perform();
    EXPECT_EQ(silent->name(), "");
}

} // namespace
