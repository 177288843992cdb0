#include "VellicorApp/Shell/AppUpdateManager.hpp"

#include "tests/Shell/AppTestSupport.hpp"
#include "tests/Shell/RecordingMarkerCenter.hpp"
#include "tests/support/LoopbackHttpsServer.hpp"

#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/System/Storefront.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

using namespace vellicor;

namespace {

using apptest::RecordingMarkerCenter;

class AppUpdateAssemblyTest : public apptest::AppTest {
protected:
    void SetUp() override {
        const auto base = apptest::installContext();
        apptest::installContext(base, markers);
        base->userDefaults->removeObject("OptionalAlertLastPresented");
        host = platform::ui::ViewController::create();
        window = platform::ui::Window::create();
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        testsupport::pump();
    }
    void TearDown() override {
        platform::system::Storefront::resetForTesting();
        platform::veltrane::UIDevice::resetForTesting();
        apptest::AppTest::TearDown();
    }

    std::shared_ptr<RecordingMarkerCenter> markers = std::make_shared<RecordingMarkerCenter>();
    std::shared_ptr<platform::ui::ViewController> host;
    std::shared_ptr<platform::ui::Window> window;
};

TEST_F(AppUpdateAssemblyTest, OnlyAnEnabledCheckMakesAManagerOverTheDevicesOSVersion) {
    EXPECT_EQ(AppUpdateManager::instantiateAppUpdateManager(AppUpdateConfigModel{false, 0}), nullptr);
    platform::veltrane::UIDevice::setSystemVersion("16.2");
    const auto manager = AppUpdateManager::instantiateAppUpdateManager(AppUpdateConfigModel{true, 3});
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->currentOSVersion(), "16.2");
    EXPECT_EQ(manager->appUpdateConfig(), (AppUpdateConfigModel{true, 3}));
    EXPECT_EQ(manager->forceUpdateAlert(), std::nullopt);
    EXPECT_EQ(manager->latestAppVersion(), std::nullopt);
}

TEST_F(AppUpdateAssemblyTest, AsksTheStoreAndRecordsTheAlertOnTheUpgradePage) {
    testsupport::LoopbackHttpsServer server({AppUpdate::kLookupHost});
    std::mutex mutex;
    std::string country;
    server.server().Get("/lookup", [&](const httplib::Request& request, httplib::Response& response) {
        {
            std::lock_guard lock(mutex);
            country = request.get_param_value("country");
        }
        response.set_content(
            R"({"resultCount":1,"results":[{"trackViewUrl":"https://apps.apple.com/app/id7","trackId":7,)"
            R"("minimumOsVersion":"15.0","currentVersionReleaseDate":"2024-03-10T08:30:00Z","version":"3.1"}]})",
            "application/json");
    });
    server.routeHost(AppUpdate::kLookupHost);
    platform::system::Storefront::setCountryCode("FRA");

    const auto manager = AppUpdateManager::instantiateAppUpdateManager(AppUpdateConfigModel{true, 0});
    ASSERT_TRUE(manager);
    manager->presentAppUpdateIfNeeded(host);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return host->presentedViewController() != nullptr;
    }));
    testsupport::pump();
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(country, "FR");
    }
    EXPECT_EQ(manager->latestAppVersion(), "3.1");

    const auto alert = std::dynamic_pointer_cast<platform::ui::AlertController>(host->presentedViewController());
    ASSERT_TRUE(alert);
    ASSERT_TRUE(alert->simulateTapAction(confirmationAction(AppUpdateAlertType::required)));
    testsupport::pump();
    testsupport::advance(1);

    using Sender = KORVAMarkerLocator::Sender;
    const struct {
        KORVAMarkerName name;
        Sender sender;
    } expected[] = {{KORVAMarkerName::forceUpgradePopup, Sender::displayUpgradePopup},
                    {KORVAMarkerName::forceUpgradePopupAccept, Sender::upgradePopupAccept}};
    ASSERT_EQ(markers->interactions.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& logged = markers->interactions[i];
        EXPECT_EQ(logged.name, expected[i].name) << i;
        EXPECT_EQ(logged.page, KORVAMarkerPage::Context::forceUpgrade) << i;
        EXPECT_EQ(logged.locator, (KORVAMarkerLocator{KORVAMarkerLocator::Parent::forceUpgrade, expected[i].sender}))
            << i;
        EXPECT_EQ(logged.attributes, (platform::Json{{"isForced", true},
                                                     {"isUserLoggedIn", false},
                                                     {"fromVersion", "1.0.0"},
                                                     {"toVersion", "3.1"}}))
            << i;
    }

    // The cancel button of an optional alert has its own marker.
    markers->interactions.clear();
    const auto optional = AppUpdateManager::instantiateAppUpdateManager(AppUpdateConfigModel{true, -1});
    optional->presentAppUpdateIfNeeded(host);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return host->presentedViewController() != nullptr;
    }));
    testsupport::pump();
    const auto optionalAlert =
        std::dynamic_pointer_cast<platform::ui::AlertController>(host->presentedViewController());
    ASSERT_TRUE(optionalAlert);
    ASSERT_TRUE(optionalAlert->simulateTapAction(*cancelAction(AppUpdateAlertType::optional)));
    testsupport::pump();
    testsupport::advance(1);
    ASSERT_EQ(markers->interactions.size(), 2u);
    EXPECT_EQ(markers->interactions[1].name, KORVAMarkerName::forceUpgradePopupCancel);
    EXPECT_EQ(markers->interactions[1].locator,
              (KORVAMarkerLocator{KORVAMarkerLocator::Parent::forceUpgrade, Sender::upgradePopupCancel}));
}

} // namespace
