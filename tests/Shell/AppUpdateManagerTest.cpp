#include "VellicorApp/Shell/AppUpdateManager.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/Calendar.hpp"
#include "Platform/Foundation/Iso8601DateTime.hpp"
#include "Platform/System/Storefront.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vellicor;

namespace {

constexpr const char* kLastPresentedKey = "OptionalAlertLastPresented";

platform::TimeInterval at(const char* isoText) {
    const auto time = platform::parseIso8601DateTime(isoText);
    EXPECT_TRUE(time) << isoText;
    return time.value_or(0);
}

// The store lookup, answering each request at once with the app it was given.
class FakeLookup : public AppUpdateNetworking {
public:
    void getAppUpdateDetails(const std::optional<platform::Url>& url, AppUpdateLookupCompletion completion) override {
        urls.push_back(url ? url->absoluteString() : "");
        completion(answer);
    }
    AppUpdateLookupResult answer = std::unexpected(AppUpdate::NetworkError::noAppResults);
    std::vector<std::string> urls;
};

ITunesAPI::AppInfo storeApp(std::string version = "2.0", std::string minimumOsVersion = "15.0",
                            platform::TimeInterval released = 1'700'000'000.0) {
    return ITunesAPI::AppInfo{"https://apps.apple.com/us/app/vellicor/id42", 42, std::move(minimumOsVersion), released,
                              std::move(version)};
}

class AppUpdateManagerTest : public apptest::AppTest {
protected:
    void SetUp() override {
        context = apptest::installContext(editInfo);
        context->userDefaults->removeObject(kLastPresentedKey);
        host = platform::ui::ViewController::create();
        window = platform::ui::Window::create();
        window->setRootViewController(host);
        window->makeKeyAndVisible();
        testsupport::pump();
        lookup->answer = storeApp();
    }
    void TearDown() override {
        dismissAlert();
        platform::ui::Application::shared().setOpenURLResponder({});
        platform::system::Storefront::resetForTesting();
        platform::resetDeviceTimeZone();
        apptest::AppTest::TearDown();
    }

    std::shared_ptr<AppUpdateManager> makeManager(std::int64_t gracePeriod, std::string osVersion = "17.0") {
        return AppUpdateManager::create(
            AppUpdateConfigModel{true, gracePeriod}, std::move(osVersion), lookup,
            [this](AppUpdateMarker marker, const platform::Json& attributes) {
                markers.push_back({marker, attributes});
            },
            [this] { return now; });
    }

    /// Runs a check and lets the answer arrive; whether the completion ran.
    bool check(const std::shared_ptr<AppUpdateManager>& manager) {
        bool completed = false;
        manager->presentAppUpdateIfNeeded(host, [&completed] { completed = true; });
        testsupport::pump();
        return completed;
    }

    std::shared_ptr<platform::ui::AlertController> shownAlert() const {
        return std::dynamic_pointer_cast<platform::ui::AlertController>(host->presentedViewController());
    }

    void dismissAlert() {
        if (host && host->presentedViewController()) {
            host->dismiss(false);
            testsupport::pump();
            testsupport::advance(1);
        }
    }

    void tap(const std::string& title) {
        const auto alert = shownAlert();
        ASSERT_TRUE(alert);
        ASSERT_TRUE(alert->simulateTapAction(title));
        testsupport::pump();
        testsupport::advance(1);
    }

    struct Marker {
        AppUpdateMarker marker;
        platform::Json attributes;
    };

    std::function<void(platform::Json&)> editInfo;
    std::shared_ptr<Context> context;
    std::shared_ptr<platform::ui::ViewController> host;
    std::shared_ptr<platform::ui::Window> window;
    std::shared_ptr<FakeLookup> lookup = std::make_shared<FakeLookup>();
    std::vector<Marker> markers;
    platform::TimeInterval now = 1'700'000'000.0;
};

TEST(AppUpdateConfigModel, ParsesTheUpdateSettingsOfTheMetadata) {
    using Case = ParseableError::Case;
    struct Row {
        const char* name;
        const char* metadata;
        std::expected<AppUpdateConfigModel, Case> expected;
    };
    const Row rows[] = {
        {"on, with other keys", R"({"appUpdateConfig":{"enableAppUpdate":true,"gracePeriod":3,"x":1},"tabs":[]})",
         AppUpdateConfigModel{true, 3}},
        {"off, negative grace", R"({"appUpdateConfig":{"enableAppUpdate":false,"gracePeriod":-1}})",
         AppUpdateConfigModel{false, -1}},
        {"whole number written with a fraction", R"({"appUpdateConfig":{"enableAppUpdate":true,"gracePeriod":30.0}})",
         AppUpdateConfigModel{true, 30}},
        {"no entry", R"({"tabs":[]})", std::unexpected(Case::missingConfig)},
        {"metadata not an object", R"([1,2])", std::unexpected(Case::missingConfig)},
        {"entry null", R"({"appUpdateConfig":null})", std::unexpected(Case::missingRequiredAttributes)},
        {"entry a string", R"({"appUpdateConfig":"on"})", std::unexpected(Case::missingRequiredAttributes)},
        {"no enableAppUpdate", R"({"appUpdateConfig":{"gracePeriod":3}})",
         std::unexpected(Case::missingRequiredAttributes)},
        {"no gracePeriod", R"({"appUpdateConfig":{"enableAppUpdate":true}})",
         std::unexpected(Case::missingRequiredAttributes)},
        {"enableAppUpdate as a number", R"({"appUpdateConfig":{"enableAppUpdate":1,"gracePeriod":3}})",
         std::unexpected(Case::missingRequiredAttributes)},
        {"enableAppUpdate as text", R"({"appUpdateConfig":{"enableAppUpdate":"true","gracePeriod":3}})",
         std::unexpected(Case::missingRequiredAttributes)},
        {"gracePeriod with a fraction", R"({"appUpdateConfig":{"enableAppUpdate":true,"gracePeriod":2.5}})",
         std::unexpected(Case::missingRequiredAttributes)},
        {"gracePeriod as text", R"({"appUpdateConfig":{"enableAppUpdate":true,"gracePeriod":"3"}})",
         std::unexpected(Case::missingRequiredAttributes)},
        {"gracePeriod as a Boolean", R"({"appUpdateConfig":{"enableAppUpdate":true,"gracePeriod":true}})",
         std::unexpected(Case::missingRequiredAttributes)},
    };
    for (const auto& row : rows) {
        const auto parsed = AppUpdateConfigModel::parseObject(*platform::parseJson(row.metadata));
        if (row.expected) {
            ASSERT_TRUE(parsed) << row.name;
            EXPECT_EQ(*parsed, *row.expected) << row.name;
        } else {
            ASSERT_FALSE(parsed) << row.name;
            EXPECT_EQ(parsed.error().kind(), row.expected.error()) << row.name;
        }
    }
}

TEST(AppUpdateVersion, ReadsDottedVersionsAsOneNumber) {
    const struct {
        const char* version;
        std::int64_t expected;
    } rows[] = {
        {"2.3.1", 20301},
        {"16.4", 160400},
        {"10", 100000},
        {"1.2.3.4", 10203},
        {"1.100", 20000},
        {"2.0", 20000},
        {"1.9", 10900},
        {"1.10", 11000},
        {"", 0},
        {"3-beta.1", 100},
        {"1..2", 10002},
        {".5", 500},
        {"+1.-2", 9800},
        {"1.+", 10000},
        {" 1.2", 200},
        {"1.2 ", 10000},
        {"99999999999999999999.1", 100},
        {"922337203685477.58.07", std::numeric_limits<std::int64_t>::max()},
        {"922337203685478.1", std::numeric_limits<std::int64_t>::max()},
        {"922337203685477.99.99", std::numeric_limits<std::int64_t>::max()},
        {"-922337203685478.-1", std::numeric_limits<std::int64_t>::min()},
        {"-922337203685477.-99.-99", std::numeric_limits<std::int64_t>::min()},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(versionIntegerValue(row.version), row.expected) << '"' << row.version << '"';
    }
}

TEST(AppUpdateVersion, TheSameTimeNextDayFollowsTheWallClock) {
    ASSERT_TRUE(platform::setDeviceTimeZone("Europe/Berlin"));
    const struct {
        const char* name;
        const char* from;
        platform::SearchDirection direction;
        const char* expected;
    } rows[] = {
        {"an ordinary day", "2024-03-10T09:15:30+01:00", platform::SearchDirection::forward, "2024-03-11T09:15:30+01:00"},
        {"into summer time, 23 hours", "2024-03-30T10:15:30+01:00", platform::SearchDirection::forward,
         "2024-03-31T10:15:30+02:00"},
        {"into winter time, 25 hours", "2024-10-26T10:15:30+02:00", platform::SearchDirection::forward,
         "2024-10-27T10:15:30+01:00"},
        {"a time the next day skips", "2024-03-30T02:30:00+01:00", platform::SearchDirection::forward,
         "2024-03-31T03:00:00+02:00"},
        {"a time the next day repeats", "2024-10-26T02:30:00+02:00", platform::SearchDirection::forward,
         "2024-10-27T02:30:00+02:00"},
        {"backward", "2024-03-31T10:15:30+02:00", platform::SearchDirection::backward, "2024-03-30T10:15:30+01:00"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(sameTimeNextDay(at(row.from), row.direction), at(row.expected)) << row.name;
    }
}

TEST_F(AppUpdateManagerTest, TheGracePeriodDecidesBetweenOptionalAndRequired) {
    const auto released = at("2024-03-01T12:00:00Z");
    constexpr double day = 86400;
    const struct {
        const char* name;
        std::int64_t grace;
        platform::TimeInterval sinceRelease;
        AppUpdateAlertType expected;
    } rows[] = {
        {"negative, long after release", -1, 400 * day, AppUpdateAlertType::optional},
        {"negative, before release", -1, -day, AppUpdateAlertType::optional},
        {"zero, on release", 0, 0, AppUpdateAlertType::required},
        {"zero, before release", 0, -day, AppUpdateAlertType::required},
        {"3 days, 2 days after", 3, 2 * day, AppUpdateAlertType::optional},
        {"3 days, a second before the end", 3, 3 * day - 1, AppUpdateAlertType::optional},
        {"3 days, exactly 3 days after", 3, 3 * day, AppUpdateAlertType::required},
        {"3 days, later", 3, 10 * day, AppUpdateAlertType::required},
        {"30 counts as 15, 14 days after", 30, 14 * day, AppUpdateAlertType::optional},
        {"30 counts as 15, exactly 15 days after", 30, 15 * day, AppUpdateAlertType::required},
        {"30 counts as 15, 20 days after", 30, 20 * day, AppUpdateAlertType::required},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        context->userDefaults->removeObject(kLastPresentedKey);
        lookup->answer = storeApp("2.0", "15.0", released);
        now = released + row.sinceRelease;
        const auto manager = makeManager(row.grace);
        EXPECT_TRUE(check(manager));
        const auto alert = shownAlert();
        ASSERT_TRUE(alert);
        const bool required = row.expected == AppUpdateAlertType::required;
        EXPECT_EQ(alert->title, std::optional(title(row.expected)));
        EXPECT_EQ(alert->actions().size(), required ? 1u : 2u);
        EXPECT_EQ(manager->forceUpdateAlert().has_value(), required);
        dismissAlert();
    }
}

TEST_F(AppUpdateManagerTest, AnAlertOnlyWhenTheStoreIsNewerAndTheDeviceCanRunIt) {
    const struct {
        const char* name;
        std::optional<std::string> running; // none: no short version
        std::string store;
        std::string minimumOs;
        std::string deviceOs;
        std::int64_t grace;
        bool expectAlert;
    } rows[] = {
        {"1.9 against 1.10", "1.9", "1.10", "15.0", "17.0", 0, true},
        {"1.100 against 2.0 counts as equal", "1.100", "2.0", "15.0", "17.0", 0, false},
        {"equal versions", "2.0", "2.0", "15.0", "17.0", 0, false},
        {"running newer than the store", "2.1", "2.0", "15.0", "17.0", 0, false},
        {"store needs a newer OS, required", "1.0", "2.0", "17.1", "17.0", 0, false},
        {"store needs a newer OS, optional", "1.0", "2.0", "18", "17.0", -1, false},
        {"OS exactly the minimum", "1.0", "2.0", "17.0", "17.0", 0, true},
        {"OS 16.10 above 16.9", "1.0", "2.0", "16.9", "16.10", 0, true},
        {"no short version counts as up to date", std::nullopt, "2.0", "15.0", "17.0", 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        context = apptest::installContext([&row](platform::Json& info) {
            if (row.running) info["CFBundleShortVersionString"] = *row.running;
            else info.erase("CFBundleShortVersionString");
        });
        context->userDefaults->removeObject(kLastPresentedKey);
        lookup->answer = storeApp(row.store, row.minimumOs);
        const auto manager = makeManager(row.grace, row.deviceOs);
        const bool completed = check(manager);
        EXPECT_EQ(shownAlert() != nullptr, row.expectAlert);
        EXPECT_EQ(completed, row.expectAlert) << "the completion runs only for an alert";
        EXPECT_EQ(manager->latestAppVersion(), row.expectAlert ? std::optional(row.store) : std::nullopt);
        dismissAlert();
    }
}

TEST_F(AppUpdateManagerTest, LookupFailuresShowNothingAndLogNothing) {
    const auto manager = makeManager(0);
    for (const auto error : {AppUpdate::NetworkError::invalidUrl, AppUpdate::NetworkError::noAppResults,
                             AppUpdate::NetworkError::general, AppUpdate::NetworkError::noData}) {
        lookup->answer = std::unexpected(error);
        EXPECT_FALSE(check(manager));
        EXPECT_FALSE(shownAlert());
    }
    EXPECT_TRUE(apptest::appLogTexts("ERROR").empty());
    EXPECT_TRUE(markers.empty());
}

TEST_F(AppUpdateManagerTest, TheLookupAsksForTheStorefrontCountry) {
    const auto manager = makeManager(-1);
    const struct {
        std::optional<std::string> storefront;
        const char* expected;
    } rows[] = {
        {std::nullopt, "https://itunes.apple.com/lookup?bundleId=com.vellicor.app&country=US"},
        {"DEU", "https://itunes.apple.com/lookup?bundleId=com.vellicor.app&country=DE"},
        {"deu", ""},
    };
    for (const auto& row : rows) {
        platform::system::Storefront::setCountryCode(row.storefront);
        lookup->urls.clear();
        manager->presentAppUpdateIfNeeded(host);
        ASSERT_EQ(lookup->urls.size(), 1u);
        EXPECT_EQ(lookup->urls[0], row.expected);
        testsupport::pump();
        dismissAlert();
    }
}

TEST_F(AppUpdateManagerTest, NothingWithoutAScreenOrOnceTheManagerIsGone) {
    auto manager = makeManager(0);
    manager->presentAppUpdateIfNeeded(nullptr, [] { ADD_FAILURE() << "completion without a screen"; });
    testsupport::pump();
    EXPECT_TRUE(lookup->urls.empty());

    manager->presentAppUpdateIfNeeded(host, [] { ADD_FAILURE() << "completion after release"; });
    manager.reset();
    testsupport::pump();
    EXPECT_FALSE(shownAlert());
}

TEST_F(AppUpdateManagerTest, TheOptionalAlertShowsOnceADayAcrossAClockChange) {
    ASSERT_TRUE(platform::setDeviceTimeZone("Europe/Berlin"));
    const struct {
        const char* name;
        const char* shown;
        const char* lastHeldBack;
        const char* firstShownAgain;
    } rows[] = {
        {"an ordinary day", "2024-03-10T10:15:30.250+01:00", "2024-03-11T10:15:30.250+01:00",
         "2024-03-11T10:15:30.251+01:00"},
        {"into summer time", "2024-03-30T10:15:30.250+01:00", "2024-03-31T10:15:30.250+02:00",
         "2024-03-31T10:15:30.251+02:00"},
        {"into winter time", "2024-10-26T10:15:30.250+02:00", "2024-10-27T10:15:30.250+01:00",
         "2024-10-27T10:15:30.251+01:00"},
    };
    // The fractions are added by hand: stored times carry them, ISO texts do not.
    const auto withFraction = [](std::string text) {
        const auto dot = text.find('.');
        const auto millis = std::stoi(text.substr(dot + 1, 3));
        text.erase(dot, 4);
        return at(text.c_str()) + millis / 1000.0;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        context->userDefaults->removeObject(kLastPresentedKey);
        const auto manager = makeManager(-1);
        now = withFraction(row.shown);
        EXPECT_TRUE(check(manager));
        ASSERT_TRUE(shownAlert());
        EXPECT_EQ(context->userDefaults->doubleForKey(kLastPresentedKey), now);
        dismissAlert();

        now = withFraction(row.lastHeldBack);
        EXPECT_TRUE(check(manager)) << "decided, though not shown";
        EXPECT_FALSE(shownAlert());

        now = withFraction(row.firstShownAgain);
        EXPECT_TRUE(check(manager));
        EXPECT_TRUE(shownAlert());
        dismissAlert();
    }
}

TEST_F(AppUpdateManagerTest, AStoredTimeThatIsNoNumberDoesNotHoldTheAlertBack) {
    context->userDefaults->setObject(kLastPresentedKey, platform::Json("yesterday"));
    EXPECT_TRUE(check(makeManager(-1)));
    EXPECT_TRUE(shownAlert());
}

TEST_F(AppUpdateManagerTest, ARequiredAlertLiftsTheDailyLimit) {
    const auto optional = makeManager(-1);
    check(optional);
    ASSERT_TRUE(shownAlert());
    dismissAlert();
    check(optional);
    EXPECT_FALSE(shownAlert()) << "held back for the day";

    const auto required = makeManager(0);
    check(required);
    ASSERT_TRUE(shownAlert());
    EXPECT_FALSE(context->userDefaults->objectForKey(kLastPresentedKey));
    dismissAlert();

    check(makeManager(-1));
    EXPECT_TRUE(shownAlert());
}

TEST_F(AppUpdateManagerTest, TheRequiredAlertComesBackOnEveryReturnToTheForeground) {
    auto manager = makeManager(0);
    check(manager);
    ASSERT_TRUE(shownAlert());
    ASSERT_EQ(shownAlert()->actions().size(), 1u) << "no cancel button";
    EXPECT_EQ(shownAlert()->preferredAction(), shownAlert()->actions()[0]);

    const auto foreground = [this] {
        context->notificationCenter->post(platform::ui::kApplicationDidEnterBackgroundNotification);
        context->notificationCenter->post(platform::ui::kApplicationWillEnterForegroundNotification);
        testsupport::pump();
    };
    // The user goes to the store and comes back without updating.
    tap(confirmationAction(AppUpdateAlertType::required));
    EXPECT_FALSE(shownAlert());
    foreground();
    ASSERT_TRUE(shownAlert());
    EXPECT_EQ(shownAlert()->title, std::optional(title(AppUpdateAlertType::required)));
    dismissAlert();

    // A later check with no update due keeps the alert for the foreground.
    lookup->answer = storeApp("1.0.0");
    check(manager);
    EXPECT_FALSE(shownAlert());
    foreground();
    EXPECT_TRUE(shownAlert());
    dismissAlert();

    manager.reset();
    foreground();
    EXPECT_FALSE(shownAlert()) << "gone with the manager";
}

TEST_F(AppUpdateManagerTest, TheRequiredAlertStaysAwayOnceItsScreenIsGone) {
    const auto manager = makeManager(0);
    check(manager);
    dismissAlert();
    window->setRootViewController(platform::ui::ViewController::create());
    host.reset();
    testsupport::pump();
    context->notificationCenter->post(platform::ui::kApplicationWillEnterForegroundNotification);
    testsupport::pump();
    EXPECT_FALSE(window->rootViewController()->presentedViewController());
    EXPECT_EQ(manager->forceUpdateAlert()->trackID, 42);
}

TEST_F(AppUpdateManagerTest, ConfirmOpensTheStorePageOrElseTheWebPage) {
    const struct {
        const char* name;
        bool storeOpens;
        std::string browserURL;
        std::vector<std::string> expectedOpened;
        bool expectError;
    } rows[] = {
        {"store opened", true, "https://apps.apple.com/us/app/vellicor/id42", {"itms-apps://apps.apple.com/app/id42"},
         false},
        {"store not opened", false, "https://apps.apple.com/us/app/vellicor/id42",
         {"itms-apps://apps.apple.com/app/id42", "https://apps.apple.com/us/app/vellicor/id42"}, true},
        {"store not opened, web address unusable", false, "not a url", {"itms-apps://apps.apple.com/app/id42"}, true},
    };
    auto& application = platform::ui::Application::shared();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        application.setOpenURLResponder([&row](const platform::Url& url) {
            return url.scheme() != "itms-apps" || row.storeOpens;
        });
        auto app = storeApp();
        app.trackViewUrl = row.browserURL;
        lookup->answer = app;
        const auto errorsBefore = apptest::appLogTexts("ERROR").size();
        const auto openedBefore = application.openedURLs().size();
        const auto manager = makeManager(0);
        check(manager);
        tap(confirmationAction(AppUpdateAlertType::required));
        std::vector<std::string> opened;
        for (auto i = openedBefore; i < application.openedURLs().size(); ++i) {
            opened.push_back(application.openedURLs()[i].url.absoluteString());
            EXPECT_EQ(application.openedURLs()[i].options, platform::Json::object());
        }
        EXPECT_EQ(opened, row.expectedOpened);
        const auto errors = apptest::appLogTexts("ERROR");
        ASSERT_EQ(errors.size() - errorsBefore, row.expectError ? 1u : 0u);
        if (row.expectError) {
            EXPECT_EQ(errors.back(), "AppUpdateManager: Failed to redirect user to App Store for app upgrade.");
        }
    }
}

TEST_F(AppUpdateManagerTest, EachAlertMomentIsRecordedWithTheVersions) {
    lookup->answer = storeApp("2.5");
    const auto manager = makeManager(-1);
    check(manager);
    tap(*cancelAction(AppUpdateAlertType::optional));
    EXPECT_FALSE(shownAlert());
    const platform::Json attributes{
        {"isForced", false}, {"isUserLoggedIn", false}, {"fromVersion", "1.0.0"}, {"toVersion", "2.5"}};
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].marker, AppUpdateMarker::popup);
    EXPECT_EQ(markers[0].attributes, attributes);
    EXPECT_EQ(markers[1].marker, AppUpdateMarker::cancel);
    EXPECT_EQ(markers[1].attributes, attributes);

    markers.clear();
    const auto required = makeManager(0);
    check(required);
    tap(confirmationAction(AppUpdateAlertType::required));
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].marker, AppUpdateMarker::popup);
    EXPECT_EQ(markers[1].marker, AppUpdateMarker::accept);
    EXPECT_EQ(markers[1].attributes["isForced"], true);
}

} // namespace
