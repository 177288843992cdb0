#include "VellicorApp/Core/NetworkError.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class NetworkErrorTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }
};

TEST_F(NetworkErrorTest, DescriptionsTypesAndCodes) {
    struct Case {
        const char* name;
        NetworkError error;
        std::string description;
        std::string type;
        long code;
    };
    const Case cases[] = {
        {"transport without error", NetworkError::transport(), "UNKNOWN", "N/A", 0},
        {"transport of a missing configuration", NetworkError::transport(ParseableError::missingConfig()),
         "The configuration is missing.", "OTHER", 0},
        {"transport of an invalid request", NetworkError::transport(ParseableError::invalidRequestID()),
         "The request can't be created because the record ID isn't valid.", "INVALID_RECORD_ID", 0},
        {"transport of a legacy error", NetworkError::transport(ParseableError::legacy(platform::Error("Net", 401))),
         "Log in to download this file.", "Net", 0},
        {"missing record id", NetworkError::missionRecordID(), "The record ID is missing from the request.",
         "INVALID_RECORD_ID", 1},
        {"missing login", NetworkError::missingLoginRequest(), "Log in to download this file.", "OTHER", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(localizedDescription(c.error), c.description);
        EXPECT_EQ(errorType(c.error), c.type);
        EXPECT_EQ(errorCode(c.error), c.code);
        EXPECT_EQ(toPlatformError(c.error).domain, NetworkError::kErrorDomain);
    }
}

TEST_F(NetworkErrorTest, KeepsItsPayload) {
    EXPECT_EQ(NetworkError::transport(ParseableError::missingConfig()).transportError(), ParseableError::missingConfig());
    EXPECT_EQ(NetworkError::transport().transportError(), std::nullopt);
    EXPECT_EQ(NetworkError::missingLoginRequest().transportError(), std::nullopt);
}

} // namespace
