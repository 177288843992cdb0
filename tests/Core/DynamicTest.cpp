#include "VellicorApp/Core/Dynamic.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vellicor;
using ::testing::ElementsAre;

namespace {

TEST(Dynamic, AnUnboundValueNotifiesNobody) {
    Dynamic<int> value(1);
    value.setValue(2);
    EXPECT_EQ(value.value(), 2);
}

TEST(Dynamic, BindingCallsTheListenerAtOnceAndOnEveryAssignment) {
    Dynamic<std::optional<std::string>> value(std::nullopt);
    std::vector<std::optional<std::string>> seen;
    value.bind([&seen](std::optional<std::string> v) { seen.push_back(v); });
    value.setValue("a");
    value.setValue("a");
    EXPECT_THAT(seen, ElementsAre(std::nullopt, "a", "a"));
}

TEST(Dynamic, ASecondBindingReplacesTheFirst) {
    Dynamic<int> value(0);
    std::vector<int> first;
    std::vector<int> second;
    value.bind([&first](int v) { first.push_back(v); });
    value.bind([&second](int v) { second.push_back(v); });
    value.setValue(5);
    EXPECT_THAT(first, ElementsAre(0));
    EXPECT_THAT(second, ElementsAre(0, 5));
}

TEST(Dynamic, AListenerMayReplaceItselfWhileItRuns) {
    Dynamic<int> value(0);
    std::vector<int> later;
    value.bind([&](int v) {
        if (v == 1) value.bind([&later](int w) { later.push_back(w); });
    });
    value.setValue(1);
    value.setValue(2);
    EXPECT_THAT(later, ElementsAre(1, 2));
}

TEST(Dynamic, BindingNothingStopsTheNotifications) {
    Dynamic<int> value(0);
    std::vector<int> seen;
    value.bind([&seen](int v) { seen.push_back(v); });
    value.bind(nullptr);
    value.setValue(3);
    EXPECT_THAT(seen, ElementsAre(0));
}

} // namespace
