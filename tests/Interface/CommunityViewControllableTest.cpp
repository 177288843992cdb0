#include "VellicorApp/Interface/CommunityViewControllable.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <compare>

using namespace vellicor;

namespace {

TEST(CommunityViewControllableState, ComparesByRawValue) {
    const State ordered[] = {State::initialized, State::premLoad, State::bootstrapped, State::pageLoaded};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(static_cast<int>(ordered[i]), i);
        for (int j = 0; j < 4; ++j) {
            SCOPED_TRACE(std::to_string(i) + " against " + std::to_string(j));
            EXPECT_EQ(ordered[i] <=> ordered[j], i <=> j);
            EXPECT_EQ(ordered[i] < ordered[j], i < j);
            EXPECT_EQ(ordered[i] >= ordered[j], i >= j);
        }
    }
}

TEST(CommunityViewControllableState, RawValuesOutsideZeroToThreeGiveNoState) {
    const struct {
        int rawValue;
        std::optional<State> expected;
    } cases[] = {
        {0, State::initialized}, {1, State::premLoad}, {2, State::bootstrapped}, {3, State::pageLoaded},
        {-1, std::nullopt},      {4, std::nullopt},    {INT_MIN, std::nullopt},  {INT_MAX, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stateFromRawValue(c.rawValue), c.expected) << c.rawValue;
    }
}

} // namespace
