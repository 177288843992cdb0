#include "VellicorApp/Core/AppConstants.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vellicor;

namespace {

TEST(AppConstants, YarrowinAppTypeRawValues) {
    EXPECT_EQ(yarrowinAppTypeFromRawValue("preSale"), YarrowinAppType::preSale);
    EXPECT_EQ(rawValue(YarrowinAppType::preSale), "preSale");
    EXPECT_EQ(yarrowinAppTypeFromRawValue("PreSale"), std::nullopt);
    EXPECT_EQ(yarrowinAppTypeFromRawValue(""), std::nullopt);
}

TEST(AppConstants, HTTPMethodsMapToTheSDKsCodes) {
    EXPECT_EQ(static_cast<int>(vqMethod(HTTPMethod::get)), 0);
    EXPECT_EQ(static_cast<int>(vqMethod(HTTPMethod::post)), 1);
    EXPECT_EQ(static_cast<int>(vqMethod(HTTPMethod::head)), 4);
}

TEST(AppConstants, RestAPIVersionIsTheSDKsDefault) {
    EXPECT_EQ(RestAPI::version(), platform::veltrane::kVQRestDefaultAPIVersion);
}

TEST(AppConstants, VeltraneGray) { EXPECT_EQ(Accessibility::veltraneGray().hexString(), "#747474"); }

// The environment is read once per process, so each value is tried in a
// process of its own.
TEST(AppConstants, UnitTestingNeedsTheValueOne) {
    struct Case {
        const char* value;
        bool expected;
    };
    const Case cases[] = {{"1", true}, {"true", false}, {"0", false}, {nullptr, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "<unset>");
        EXPECT_EXIT(
            {
                if (c.value) {
                    ::setenv("IS_UNIT_TESTING", c.value, 1);
                } else {
                    ::unsetenv("IS_UNIT_TESTING");
                }
                std::exit(AppConstants::Environment::isUnitTesting() ? 1 : 0);
            },
            ::testing::ExitedWithCode(c.expected ? 1 : 0), "");
    }
}

} // namespace
