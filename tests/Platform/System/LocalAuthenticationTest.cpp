#include "Platform/System/LocalAuthentication.hpp"
#include "Platform/System/LocalAuthenticationEventCommands.hpp"

#include "Platform/UI/EventDriver.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

using namespace platform::system;

namespace {

struct Answer {
    std::mutex mutex;
    bool done = false;
    bool success = false;
    std::optional<platform::Error> error;
    std::thread::id thread;
};

LocalAuthentication::Reply recordInto(const std::shared_ptr<Answer>& answer) {
    return [answer](bool success, std::optional<platform::Error> error) {
        std::lock_guard lock(answer->mutex);
        answer->success = success;
        answer->error = std::move(error);
        answer->thread = std::this_thread::get_id();
        answer->done = true;
    };
}

bool answered(const std::shared_ptr<Answer>& answer) {
    return testsupport::waitUntil([&] {
        std::lock_guard lock(answer->mutex);
        return answer->done;
    });
}

class LocalAuthenticationTest : public ::testing::Test {
protected:
    void SetUp() override { LocalAuthentication::shared().reset(); }
    void TearDown() override { LocalAuthentication::shared().reset(); }
};

} // namespace

TEST_F(LocalAuthenticationTest, OwnerOutcomesReachTheReplyOnAWorkerThread) {
    struct Case {
        const char* name;
        LocalAuthentication::Outcome outcome;
        bool success;
        std::optional<long> code;
    } cases[] = {
        {"accept", LocalAuthentication::Outcome::accept, true, std::nullopt},
        {"fail", LocalAuthentication::Outcome::fail, false, LAError::authenticationFailed},
        {"cancel", LocalAuthentication::Outcome::cancel, false, LAError::userCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto context = LAContext::create();
        auto answer = std::make_shared<Answer>();
        context->evaluatePolicy(LAPolicy::deviceOwnerAuthentication, "Unlock", recordInto(answer));
        ASSERT_EQ(LocalAuthentication::shared().pendingReasons(), std::vector<std::string>{"Unlock"});
        ASSERT_TRUE(LocalAuthentication::shared().respond(c.outcome));
        ASSERT_TRUE(answered(answer));
        std::lock_guard lock(answer->mutex);
        EXPECT_EQ(answer->success, c.success);
        EXPECT_NE(answer->thread, std::this_thread::get_id());
        if (c.code) {
            ASSERT_TRUE(answer->error);
            EXPECT_EQ(answer->error->domain, kLAErrorDomain);
            EXPECT_EQ(answer->error->code, *c.code);
        } else {
            EXPECT_FALSE(answer->error);
        }
        EXPECT_EQ(LocalAuthentication::shared().pendingCount(), 0u);
    }
}

TEST_F(LocalAuthenticationTest, WithoutPasscodeThePolicyCannotBeEvaluated) {
    LocalAuthentication::shared().setPasscodeSet(false);
    LocalAuthentication::shared().setBiometryType(LABiometryType::touchID);
    auto context = LAContext::create();
    EXPECT_EQ(context->biometryType(), LABiometryType::none);
    std::optional<platform::Error> error;
    EXPECT_FALSE(context->canEvaluatePolicy(LAPolicy::deviceOwnerAuthentication, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, LAError::passcodeNotSet);
    EXPECT_EQ(context->biometryType(), LABiometryType::touchID);

    auto answer = std::make_shared<Answer>();
    context->evaluatePolicy(LAPolicy::deviceOwnerAuthentication, "Unlock", recordInto(answer));
    EXPECT_EQ(LocalAuthentication::shared().pendingCount(), 0u) << "no prompt without a passcode";
    ASSERT_TRUE(answered(answer));
    std::lock_guard lock(answer->mutex);
    EXPECT_FALSE(answer->success);
    ASSERT_TRUE(answer->error);
    EXPECT_EQ(answer->error->code, LAError::passcodeNotSet);
}

TEST_F(LocalAuthenticationTest, RespondWithoutPromptReportsFalse) {
    EXPECT_FALSE(LocalAuthentication::shared().respond(LocalAuthentication::Outcome::accept));
}

TEST_F(LocalAuthenticationTest, EventsDriveTheDeviceAndTheDumpShowsThePrompt) {
    platform::ui::EventDriver driver;
    registerLocalAuthenticationEventCommands(driver);
    ASSERT_TRUE(driver.execute("biometry touch"));
    EXPECT_EQ(LocalAuthentication::shared().biometryType(), LABiometryType::touchID);
    ASSERT_TRUE(driver.execute("biometry none"));
    EXPECT_EQ(LocalAuthentication::shared().biometryType(), LABiometryType::none);
    ASSERT_TRUE(driver.execute("passcode off"));
    EXPECT_FALSE(LocalAuthentication::shared().isPasscodeSet());
    ASSERT_TRUE(driver.execute("passcode on"));
    EXPECT_FALSE(driver.execute("biometry iris"));
    EXPECT_FALSE(driver.execute("auth accept")) << "no prompt waits";

    auto answer = std::make_shared<Answer>();
    LAContext::create()->evaluatePolicy(LAPolicy::deviceOwnerAuthentication, "Authenticate to unlock",
                                        recordInto(answer));
    EXPECT_NE(platform::ui::ScreenDump::render().find("Authentication prompt \"Authenticate to unlock\""),
              std::string::npos);
    ASSERT_TRUE(driver.execute("auth cancel"));
    ASSERT_TRUE(answered(answer));
    EXPECT_EQ(platform::ui::ScreenDump::render().find("Authentication prompt"), std::string::npos);
    std::lock_guard lock(answer->mutex);
    ASSERT_TRUE(answer->error);
    EXPECT_EQ(answer->error->code, LAError::userCancel);
}
