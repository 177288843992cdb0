#include "VellicorApp/Hybrid/ClientFeatures.hpp"

#include <gtest/gtest.h>

#include <limits>

using namespace vellicor;
using platform::Json;

namespace {

class DisabledFeature : public FeatureTrackable {
public:
    std::string name() const override { return "beta"; }
    bool isEnabled() const override { return false; }
};

TEST(ClientFeaturesTest, TheAppReportsOnlyTheForcedUpdateEnabled) {
    const auto features = makeClientFeatures();
    ASSERT_EQ(features.size(), 1u);
    EXPECT_EQ(features[0]->name(), "forceAppUpdate");
    EXPECT_TRUE(features[0]->isEnabled());
    EXPECT_EQ(jsonSerializedString(clientFeaturesDictionary(features)), R"({"forceAppUpdate":{"enabled":true}})");
}

TEST(ClientFeaturesTest, EachFeatureSitsUnderItsNameWithItsOwnState) {
    const std::vector<std::shared_ptr<const FeatureTrackable>> features = {
        std::make_shared<const ForceAppUpdateFeature>(), std::make_shared<const DisabledFeature>(), nullptr};
    EXPECT_EQ(jsonSerializedString(clientFeaturesDictionary(features)),
              R"({"beta":{"enabled":false},"forceAppUpdate":{"enabled":true}})");
    EXPECT_EQ(jsonSerializedString(clientFeaturesDictionary({})), "{}");
}

TEST(ClientFeaturesTest, ADictionaryThatCannotBeWrittenGivesAnEmptyObject) {
    const struct {
        const char* name;
        Json value;
        std::string expected;
    } cases[] = {
        {"flat object", Json{{"message", "Failed"}}, R"({"message":"Failed"})"},
        {"slashes are escaped", Json{{"url", "https://a.test/b"}}, R"({"url":"https:\/\/a.test\/b"})"},
        {"nested numbers", Json{{"a", {{"b", 1.5}}}}, R"({"a":{"b":1.5}})"},
        {"not finite", Json{{"time", std::numeric_limits<double>::quiet_NaN()}}, "{}"},
        {"infinite deep inside", Json{{"a", Json::array({1, std::numeric_limits<double>::infinity()})}}, "{}"},
        {"a string", Json("text"), "{}"},
        {"null", Json(), "{}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(jsonSerializedString(c.value), c.expected);
    }
}

} // namespace
