#include "VellicorApp/Core/ParseableError.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;

namespace {

class ParseableErrorTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }
};

TEST_F(ParseableErrorTest, DescriptionsTypesAndCodes) {
    const platform::Error unauthorized("NSURLErrorDomain.Http", 401, {{"NSLocalizedDescription", "Unauthorized"}});
    const platform::Error notFound("RestAPI", 404,
                                   {{"NSLocalizedDescription", "Not Found"},
                                    {"error", platform::Json::array({{{"errorCode", "NOT_FOUND"}, {"message", "The file is gone."}}})}});
    const platform::Error plain("Files", 500, {{"NSLocalizedDescription", "Server trouble"}});
    struct Case {
        const char* name;
        ParseableError error;
        std::string description;
        std::string type;
        long code;
    };
    const Case cases[] = {
        {"legacy without error", ParseableError::legacy(), "UNKNOWN", "N/A", 400},
        {"legacy 401", ParseableError::legacy(unauthorized), "Log in to download this file.", "NSURLErrorDomain.Http", 401},
        {"legacy 404 with a REST message", ParseableError::legacy(notFound), "The file is gone.", "RestAPI", 404},
        {"legacy without a REST message", ParseableError::legacy(plain), "Server trouble", "Files", 500},
        {"unknown content type", ParseableError::unknownContentType(), "This type of content isn't supported.",
         "INVALID_RECORD_ID", 400},
        {"unknown native action", ParseableError::unknownNativeAction(), "This action isn't supported.", "OTHER", 400},
        {"missing attributes", ParseableError::missingRequiredAttributes(), "Some required information is missing.",
         "OTHER", 400},
        {"missing config", ParseableError::missingConfig(), "The configuration is missing.", "OTHER", 400},
        {"invalid request id", ParseableError::invalidRequestID(),
         "The request can't be created because the record ID isn't valid.", "INVALID_RECORD_ID", 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(localizedDescription(c.error), c.description);
        EXPECT_EQ(errorType(c.error), c.type);
        EXPECT_EQ(errorCode(c.error), c.code);
        EXPECT_TRUE(errorUserInfo(c.error).empty());
    }
}

TEST_F(ParseableErrorTest, BridgesToTheParsingDomain) {
    const auto bridged = toPlatformError(ParseableError::missingConfig());
    EXPECT_EQ(bridged.domain, "parsing.dictionary.error");
    EXPECT_EQ(bridged.code, 400);
    EXPECT_TRUE(bridged.userInfo.is_object());
    EXPECT_TRUE(bridged.userInfo.empty());
    EXPECT_EQ(toPlatformError(ParseableError::legacy(platform::Error("X", 401))).code, 401);
}

TEST_F(ParseableErrorTest, Equality) {
    EXPECT_EQ(ParseableError::missingConfig(), ParseableError::missingConfig());
    EXPECT_NE(ParseableError::missingConfig(), ParseableError::unknownNativeAction());
    EXPECT_EQ(ParseableError::legacy(), ParseableError::legacy());
    EXPECT_EQ(ParseableError::legacy(platform::Error("D", 1, {{"k", "v"}})),
              ParseableError::legacy(platform::Error("D", 1, {{"k", "v"}})));
    EXPECT_NE(ParseableError::legacy(platform::Error("D", 1)), ParseableError::legacy());
    EXPECT_NE(ParseableError::legacy(platform::Error("D", 1)), ParseableError::legacy(platform::Error("D", 2)));
    EXPECT_NE(ParseableError::legacy(platform::Error("D", 400)), ParseableError::unknownContentType());
}

} // namespace
