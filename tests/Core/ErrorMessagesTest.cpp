#include "VellicorApp/Core/ErrorMessages.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;

namespace {

class ErrorMessagesTest : public apptest::AppTest {
protected:
    void SetUp() override { apptest::installContext(apptest::sampleResources()); }
};

TEST_F(ErrorMessagesTest, MessageStringReadsTheFirstRestError) {
    struct Case {
        const char* name;
        Json errorList; // null: no "error" key
        std::string expected;
    };
    const std::string description = "The operation failed.";
    const Case cases[] = {
        {"duplicates win over the message",
         Json::array({{{"errorCode", "DUPLICATES_DETECTED"}, {"message", "Use the other one."}}}),
         "A duplicate record was found."},
        {"another code with a message", Json::array({{{"errorCode", "INVALID_FIELD"}, {"message", "Bad field."}}}),
         "Bad field."},
        {"only the first entry counts",
         Json::array({{{"errorCode", "A"}, {"message", "first"}}, {{"errorCode", "B"}, {"message", "second"}}}),
         "first"},
        {"a message without a code", Json::array({{{"message", "No code."}}}), description},
        {"a code without a message", Json::array({{{"errorCode", "INVALID_FIELD"}}}), description},
        {"a message that is no string", Json::array({{{"errorCode", "X"}, {"message", 5}}}), description},
        {"a code that is no string", Json::array({{{"errorCode", 7}, {"message", "Numbered."}}}), "Numbered."},
        {"an empty first entry", Json::array({Json::object(), {{"errorCode", "X"}, {"message", "m"}}}), description},
        {"an empty list", Json::array(), description},
        {"a list with an entry that is no object", Json::array({{{"errorCode", "X"}, {"message", "m"}}, "text"}),
         description},
        {"not a list", Json{{"errorCode", "X"}, {"message", "m"}}, description},
        {"no list", Json(), description},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        platform::Error error("RestAPI", 400, {{"NSLocalizedDescription", description}});
        if (!c.errorList.is_null()) error.userInfo["error"] = c.errorList;
        EXPECT_EQ(messageString(error), c.expected);
    }
}

} // namespace
