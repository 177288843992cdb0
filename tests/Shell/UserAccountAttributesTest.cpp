#include "VellicorApp/Shell/UserAccountAttributes.hpp"

#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;

namespace {

std::shared_ptr<platform::veltrane::VQUserAccount> accountWith(std::optional<platform::veltrane::VQCustomAttributes> attributes) {
    auto idData = std::make_shared<platform::veltrane::VQIdData>();
    idData->customAttributes = std::move(attributes);
    return platform::veltrane::VQUserAccount::create(nullptr, idData);
}

} // namespace

TEST(UserAccountAttributesTest, BiometricTimeoutIsMinutesInMilliseconds) {
    struct Case {
        const char* name;
        std::optional<platform::veltrane::VQCustomAttributes> attributes;
        double expected;
    } cases[] = {
        {"5 minutes", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json("5")}}}, 300000.0},
        {"0 minutes", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json("0")}}}, 0.0},
        {"lower-case name", {{{Json("require_biometrics_after"), Json("2")}}}, 120000.0},
        {"not numeric", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json("five")}}}, 900000.0},
        {"trailing text", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json("5m")}}}, 900000.0},
        {"dotted", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json("1.5")}}}, 900000.0},
        {"empty", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json("")}}}, 900000.0},
        {"number, not text", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json(5)}}}, 900000.0},
        {"overflowing minutes", {{{Json("REQUIRE_BIOMETRICS_AFTER"), Json("9223372036854775807")}}}, 900000.0},
        {"missing", {{{Json("OTHER"), Json("5")}}}, 900000.0},
        {"no attributes", std::nullopt, 900000.0},
        {"a key that is no string", {{{Json(1), Json("x")}, {Json("REQUIRE_BIOMETRICS_AFTER"), Json("5")}}}, 900000.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(biometricTimeout(*accountWith(c.attributes)), c.expected) << c.name;
    }
}

TEST(UserAccountAttributesTest, BiometricsEnabledOnlyForTrueIgnoringCase) {
    struct Case {
        const char* name;
        std::optional<platform::veltrane::VQCustomAttributes> attributes;
        bool expected;
    } cases[] = {
        {"TRUE", {{{Json("ENABLE_BIOMETRICS_UNLOCK"), Json("TRUE")}}}, true},
        {"true", {{{Json("ENABLE_BIOMETRICS_UNLOCK"), Json("true")}}}, true},
        {"mixed case name and value", {{{Json("Enable_Biometrics_Unlock"), Json("TrUe")}}}, true},
        {"false", {{{Json("ENABLE_BIOMETRICS_UNLOCK"), Json("false")}}}, false},
        {"yes", {{{Json("ENABLE_BIOMETRICS_UNLOCK"), Json("yes")}}}, false},
        {"a Boolean, not text", {{{Json("ENABLE_BIOMETRICS_UNLOCK"), Json(true)}}}, false},
        {"missing", {{}}, false},
        {"first matching key wins", {{{Json("enable_biometrics_unlock"), Json("false")},
                                      {Json("ENABLE_BIOMETRICS_UNLOCK"), Json("TRUE")}}}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isBiometricsEnabled(*accountWith(c.attributes)), c.expected) << c.name;
    }
}
