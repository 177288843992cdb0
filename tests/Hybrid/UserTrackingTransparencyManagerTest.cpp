#include "VellicorApp/Hybrid/UserTrackingTransparencyManager.hpp"

#include "Platform/Foundation/Calendar.hpp"
#include "Platform/System/TrackingManager.hpp"
#include "Platform/Web/HttpCookieStore.hpp"
#include "Platform/Web/WebsiteDataStore.hpp"
#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::Json;
using platform::system::TrackingAuthorizationStatus;
using platform::system::TrackingManager;

namespace {

class UserTrackingTransparencyManagerTest : public hybridtest::HybridTest {
protected:
    void SetUp() override {
        HybridTest::SetUp();
        TrackingManager::resetForTesting();
        platform::setDeviceTimeZone("UTC");
        auto bundle = apptest::FakeBundle::sample();
        bundle->info[UserTrackingTransparencyManager::kUsageDescriptionKey] = "Personalised content.";
        context = apptest::installContext(makeContext(bundle), center);
    }
    void TearDown() override {
        TrackingManager::resetForTesting();
        platform::resetDeviceTimeZone();
        HybridTest::TearDown();
    }

    /// Runs an update to its end: whether the completion ran, and the cookie it left.
    std::pair<bool, std::optional<platform::HttpCookie>> update() {
        bool completed = false;
        UserTrackingTransparencyManager::shared()->updateCookies([&] { completed = true; });
        testsupport::pump();
        std::optional<platform::HttpCookie> found;
        context->webDataStore->httpCookieStore()->getAllCookies([&](std::vector<platform::HttpCookie> cookies) {
            for (auto& cookie : cookies) {
                if (cookie.name() == UserTrackingTransparencyManager::kCookieName) found = cookie;
            }
        });
        testsupport::pump();
        return {completed, found};
    }

    std::shared_ptr<apptest::RecordingMarkerCenter> center = std::make_shared<apptest::RecordingMarkerCenter>();
};

TEST_F(UserTrackingTransparencyManagerTest, EachUpdateWritesTheCookieAndTellsWhetherThePermissionChanged) {
    const struct {
        const char* name;
        TrackingAuthorizationStatus status;
        const char* value;
        bool changed;
    } steps[] = {
        {"never asked", TrackingAuthorizationStatus::notDetermined, "FALSE", false},
        {"allowed in the settings", TrackingAuthorizationStatus::authorized, "TRUE", true},
        {"again without a change", TrackingAuthorizationStatus::authorized, "TRUE", false},
        {"denied", TrackingAuthorizationStatus::denied, "FALSE", true},
        {"restricted", TrackingAuthorizationStatus::restricted, "FALSE", true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        TrackingManager::setTrackingAuthorizationStatus(step.status);
        center->interactions.clear();
        const auto [completed, cookie] = update();
        EXPECT_TRUE(completed);
        ASSERT_TRUE(cookie.has_value());
        EXPECT_EQ(cookie->value(), step.value);
        EXPECT_EQ(cookie->domain(), "community.example.test");
        EXPECT_TRUE(cookie->isSecure());
        ASSERT_EQ(center->interactions.size(), 1u);
        EXPECT_EQ(center->interactions[0].name, KORVAMarkerName::userTrackingPermission);
        EXPECT_EQ(center->interactions[0].attributes,
                  Json({{"isUserTrackingAuthorized", std::string(step.value) == "TRUE"},
                        {"isUserTrackingPermissionChanged", step.changed},
                        {"isUserTrackingCookieCreated", true}}));
    }
    EXPECT_EQ(context->userDefaults->integerForKey(UserTrackingTransparencyManager::kLastAuthorizationStatusKey), 1);
}

TEST_F(UserTrackingTransparencyManagerTest, TheCookieLastsOneCalendarYear) {
    // 2024-02-29 12:00 UTC: a year later is 2025-02-28 12:00.
    testsupport::clock()->set(1'709'208'000.0);
    const auto [completed, cookie] = update();
    ASSERT_TRUE(cookie.has_value());
    EXPECT_EQ(cookie->expiresDate(), 1'709'208'000.0 + 365 * 86'400.0);
    // 2023-11-14: a year later crosses 29 February 2024.
    testsupport::clock()->set(testsupport::kStartTime);
    const auto [again, later] = update();
    ASSERT_TRUE(later.has_value());
    EXPECT_EQ(later->expiresDate(), testsupport::kStartTime + 366 * 86'400.0);
}

TEST_F(UserTrackingTransparencyManagerTest, WithoutAUsageDescriptionNothingIsWrittenOrLogged) {
    auto bundle = apptest::FakeBundle::sample();
    bundle->info.erase(UserTrackingTransparencyManager::kUsageDescriptionKey);
    context = apptest::installContext(makeContext(bundle), center);
    TrackingManager::setTrackingAuthorizationStatus(TrackingAuthorizationStatus::authorized);
    bool completed = false;
    UserTrackingTransparencyManager::shared()->updateCookies([&] { completed = true; });
    EXPECT_TRUE(completed) << "at once";
    const auto [after, cookie] = update();
    EXPECT_FALSE(cookie.has_value());
    EXPECT_TRUE(center->interactions.empty());
    const auto lines = apptest::appLogTexts("INFO");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "UserTrackingTransparencyManager: Skip app tracking Cookie injection request.");
}

TEST_F(UserTrackingTransparencyManagerTest, WithoutACommunityHostTheFlowGoesOnWithoutCookie) {
    accounts->host = "";
    const auto [completed, cookie] = update();
    EXPECT_TRUE(completed);
    EXPECT_FALSE(cookie.has_value());
    ASSERT_EQ(center->interactions.size(), 1u);
    EXPECT_EQ(center->interactions[0].attributes.value().at("isUserTrackingCookieCreated"), false);
    EXPECT_EQ(apptest::appLogTexts("ERROR").back(),
              "UserTrackingTransparencyManager: Failed to insert User Tracking Permission cookie. Moving forward "
              "with app flow.");
}

} // namespace
