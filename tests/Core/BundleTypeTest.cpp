#include "VellicorApp/Core/BundleType.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace vellicor;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class BundleTypeTest : public apptest::AppTest {
protected:
    std::shared_ptr<ApplicationBundle> bundleWith(const std::function<void(platform::Json&)>& edit) {
        const auto package = apptest::copyPackage(edit);
        apptest::installContext(package);
        return ApplicationBundle::create(platform::Bundle::atPath(package));
    }
};

TEST_F(BundleTypeTest, ReadsTheApplicationBundle) {
    const auto bundle = bundleWith({});
    EXPECT_EQ(bundle->bundleIdentifier(), "com.vellicor.app");
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleName"), platform::Json("Vellicor"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("NoSuchKey"), std::nullopt);
    const auto path = bundle->pathForResource("ZentariSDKConfiguration", "json");
    ASSERT_TRUE(path);
    EXPECT_TRUE(path->ends_with("/ZentariSDKConfiguration.json"));
    EXPECT_EQ(bundle->pathForResource("Missing", "json"), std::nullopt);
    ASSERT_TRUE(bundle->resourceURL());
    EXPECT_TRUE(bundle->resourceURL()->isFileURL());
}

TEST_F(BundleTypeTest, WebAppBootstrapTimeoutReadsADecimalString) {
    struct Case {
        const char* name;
        std::optional<platform::Json> value; // none: key missing
        double expected;
    };
    const Case cases[] = {
        {"string of a whole number", platform::Json("30"), 30.0},
        {"string of a fraction", platform::Json("2.5"), 2.5},
        {"string with an exponent", platform::Json("1e2"), 100.0},
        {"number rather than string", platform::Json(30), 60.0},
        {"empty string", platform::Json(""), 60.0},
        {"letters", platform::Json("thirty"), 60.0},
        {"number followed by letters", platform::Json("30s"), 60.0},
        {"leading blank", platform::Json(" 30"), 60.0},
        {"trailing blank", platform::Json("30 "), 60.0},
        {"Boolean", platform::Json(true), 60.0},
        {"missing", std::nullopt, 60.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bundle = bundleWith([&c](platform::Json& info) {
            if (c.value) {
                info["NativeWebAppBootstrapTimeout"] = *c.value;
            } else {
                info.erase("NativeWebAppBootstrapTimeout");
            }
        });
        EXPECT_DOUBLE_EQ(bundle->webAppBootstrapTimeout(), c.expected);
    }
    EXPECT_THAT(apptest::appLogLines(), IsEmpty());
}

TEST_F(BundleTypeTest, TestFlightBuildsHaveASandboxReceipt) {
    struct Case {
        const char* receiptName;
        bool expected;
    };
    const Case cases[] = {{"sandboxReceipt", true}, {"receipt", false}, {"mySandboxReceipt.bin", false}, {"xsandboxReceipty", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.receiptName);
        testsupport::freshSandbox();
        const auto bundle =
            bundleWith([&c](platform::Json& info) { info["VellicorStoreReceiptName"] = c.receiptName; });
        EXPECT_EQ(bundle->isTestFlightBuild(), c.expected);
        EXPECT_THAT(apptest::appLogTexts("INFO"), ElementsAre(std::string("NSBundle: appStoreReceiptURL: ") + c.receiptName));
    }
}

} // namespace

namespace {

} // namespace
