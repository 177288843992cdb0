#include "VellicorApp/Hybrid/AuthenticationObserver.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include "VellicorApp/Instrumentation/KORVAMarkerCenter.hpp"

#include "Platform/Web/WebsiteDataStore.hpp"
#include "tests/Instrumentation/InstrumentationTestSupport.hpp"
#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vellicor;
using platform::NotificationCenter;
namespace veltrane = platform::veltrane;

namespace {

constexpr double kDay = AuthenticationObserver::kDefaultRefreshTimeout;

const std::string kAfterLogin = "Performing notification action after user login.";
const std::string kBeforeLogout = "Performing notification action before user logout.";
const std::string kAfterLogout = "Performing notification action after user logout.";
const std::string kAfterRefresh = "Performing notification action after user token refresh.";
const std::string kUserInitiated = "Handing notification action after user initiated logout.";

std::vector<std::string> observerLogs() { return instrtest::logTexts("INFO", "AuthenticationObserver"); }

/// The sender of every logout marker the recorder received, in order.
std::vector<std::string> logoutSenders(const instrtest::MarkerRecorder& recorder) {
    std::vector<std::string> senders;
    for (const auto& marker : recorder.markers()) {
        const auto interaction = std::dynamic_pointer_cast<const KORVAInteractionMarker>(marker);
        if (!interaction || marker->name() != KORVAMarkerName::appLogout) continue;
        EXPECT_EQ(interaction->senderParentID(), "authentication");
        EXPECT_EQ(interaction->page(), (std::map<std::string, std::string>{{"context", "native"}}));
        EXPECT_EQ(marker->attributes(), std::nullopt);
        senders.push_back(interaction->senderID().value_or("<none>"));
    }
    return senders;
}

/// A context over the SDK's account manager whose marker centre hands its
/// markers to a recorder. Its own observer listens on its own centre, so that
/// the observer under test, made apart, is the only one on the others.
std::shared_ptr<Context> makeContext(instrtest::MarkerRecorder& recorder,
                                     std::shared_ptr<NotificationCenter> center = NotificationCenter::create()) {
    Context::Dependencies dependencies;
    dependencies.userAccountManager = VQUserAccountManagerAdapter::create(veltrane::VQUserAccountManager::sharedInstance());
    dependencies.userDefaults = UserDefaultsStore::standard();
    dependencies.mainBundle = apptest::FakeBundle::sample();
    dependencies.sessionID = "session";
    dependencies.notificationCenter = std::move(center);
    dependencies.korvaMarkerCenter = KORVAMarkerCenter::create(recorder.sink());
    return Context::create(std::move(dependencies));
}

/// makeContext() as the running context.
std::shared_ptr<Context> installContext(instrtest::MarkerRecorder& recorder) {
    auto context = makeContext(recorder);
    AppContext::setStackForTesting({context});
    return context;
}

class AuthenticationObserverTest : public apptest::AppTest {
protected:
    void SetUp() override { context = installContext(recorder); }

    instrtest::MarkerRecorder recorder;
    std::shared_ptr<Context> context;
    std::shared_ptr<NotificationCenter> center = NotificationCenter::create();
};

TEST_F(AuthenticationObserverTest, ASessionRefreshIsDueOnceTheTimeOutHasPassed) {
    const struct {
        const char* name;
        double refreshTimeout;               // milliseconds
        std::optional<double> refreshedAgo;  // seconds; none: never stored
        bool expected;
    } cases[] = {
        {"never refreshed", kDay, std::nullopt, true},
        {"just refreshed", kDay, 0, false},
        {"86,399 s ago", kDay, 86'399, false},
        {"86,400 s ago", kDay, 86'400, true},
        {"86,400.5 s ago", kDay, 86'400.5, true},
        {"999 ms of a one-second time-out", 1000, 0.999, false},
        {"a one-second time-out", 1000, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        context->userDefaults->removeObject(AuthenticationObserver::kTimeSinceLastSessionRefreshKey);
        if (c.refreshedAgo) AuthenticationObserver::setTimeSinceLastSessionRefresh(platform::now() - *c.refreshedAgo);
        const auto timed = AuthenticationObserver::create(center, c.refreshTimeout);
        EXPECT_EQ(timed->refreshTimeout(), c.refreshTimeout);
        EXPECT_EQ(timed->shouldTriggerSessionRefresh(), c.expected);
    }
    // The time lives in the context's key-value store, in seconds since 1970.
    AuthenticationObserver::setTimeSinceLastSessionRefresh(1'700'000'123.5);
    EXPECT_EQ(context->userDefaults->doubleForKey("TimeSinceLastSessionRefreshKey"), 1'700'000'123.5);
    EXPECT_EQ(AuthenticationObserver::timeSinceLastSessionRefresh(), 1'700'000'123.5);
}

TEST_F(AuthenticationObserverTest, SignInsAndTokenRefreshesStoreTheTime) {
    const auto observer = AuthenticationObserver::create(center, kDay);
    EXPECT_EQ(AuthenticationObserver::timeSinceLastSessionRefresh(), 0);
    center->post(veltrane::kVQNotificationUserDidLogIn);
    EXPECT_EQ(AuthenticationObserver::timeSinceLastSessionRefresh(), testsupport::kStartTime);
    EXPECT_FALSE(observer->shouldTriggerSessionRefresh());
    testsupport::advance(86'400);
    EXPECT_TRUE(observer->shouldTriggerSessionRefresh());
    center->post(veltrane::kVQNotificationUserDidRefreshToken);
    EXPECT_EQ(AuthenticationObserver::timeSinceLastSessionRefresh(), testsupport::kStartTime + 86'400);
    EXPECT_FALSE(observer->shouldTriggerSessionRefresh());
    EXPECT_EQ(observerLogs(), (std::vector<std::string>{kAfterLogin, kAfterRefresh}));
}

TEST_F(AuthenticationObserverTest, LoginWasDismissedIsTrueOnceAfterAWillLogIn) {
    const auto observer = AuthenticationObserver::create(center, kDay);
    EXPECT_FALSE(observer->loginWasDismissed());
    center->post(veltrane::kVQNotificationUserWillLogIn);
    EXPECT_TRUE(observer->loginWasDismissed());
    EXPECT_FALSE(observer->loginWasDismissed());
    center->post(veltrane::kVQNotificationUserWillLogIn);
    center->post(veltrane::kVQNotificationUserWillLogIn);
    EXPECT_TRUE(observer->loginWasDismissed());
    EXPECT_FALSE(observer->loginWasDismissed());
    EXPECT_TRUE(observerLogs().empty());
}

TEST_F(AuthenticationObserverTest, ALogoutIsTheUsersOnlyRightAfterThePageAskedForIt) {
    const std::string user = "appLogout_user";
    const std::string system = "appLogout_system";
    const std::string asked = AuthenticationObserver::kUserInitiatedLogoutNotification;
    const std::string didLogout = veltrane::kVQNotificationUserDidLogout;
    const struct {
        const char* name;
        std::vector<std::string> posted;
        std::vector<std::string> senders;
    } cases[] = {
        {"a logout nobody asked for", {didLogout}, {system}},
        {"a logout the page asked for", {asked, didLogout}, {user}},
        {"the logout after it is the system's", {asked, didLogout, didLogout}, {user, system}},
        {"asking twice counts once", {asked, asked, didLogout, didLogout}, {user, system}},
        {"asking again after a logout", {asked, didLogout, asked, didLogout}, {user, user}},
        {"asking alone reports nothing", {asked}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        instrtest::MarkerRecorder markers;
        installContext(markers);
        const auto observer = AuthenticationObserver::create(center, kDay);
        int didLogoutCalls = 0;
        observer->configure({}, [&] {
            ++didLogoutCalls;
            // Reported and the flag cleared before the callback runs.
            EXPECT_EQ(logoutSenders(markers).size(), static_cast<std::size_t>(didLogoutCalls));
            EXPECT_FALSE(observer->isUserInitiatedLogout());
        });
        for (const auto& name : c.posted) center->post(name);
        EXPECT_EQ(logoutSenders(markers), c.senders);
        EXPECT_EQ(static_cast<std::size_t>(didLogoutCalls), c.senders.size());
    }
    // Each page request is logged as it comes.
    const auto logs = observerLogs();
    EXPECT_EQ(std::count(logs.begin(), logs.end(), kUserInitiated), 7);
}

TEST_F(AuthenticationObserverTest, CallbacksAreReplacedAndAGoneObserverHearsNothing) {
    auto observer = AuthenticationObserver::create(center, kDay);
    std::vector<std::string> calls;
    observer->configure([&] { calls.push_back("login 1"); }, [&] { calls.push_back("logout 1"); });
    observer->configure([&] { calls.push_back("login 2"); }, {});
    center->post(veltrane::kVQNotificationUserDidLogIn);
    center->post(veltrane::kVQNotificationUserDidLogout);
    EXPECT_EQ(calls, (std::vector<std::string>{"login 2"}));

    observer.reset();
    EXPECT_EQ(center->observerCount(), 0u);
    center->post(veltrane::kVQNotificationUserDidLogIn);
    EXPECT_EQ(observerLogs(), (std::vector<std::string>{kAfterLogin, kAfterLogout}));
}

TEST_F(AuthenticationObserverTest, MakingItReadsNoContextButItsHandlersNeedOne) {
    AppContext::setStackForTesting({});
    const auto observer = AuthenticationObserver::create(center, kDay);
    EXPECT_EQ(observer->refreshTimeout(), 86'400'000.0);
    EXPECT_DEATH(center->post(veltrane::kVQNotificationUserDidLogIn), "There must be at least 1 context!");
    EXPECT_DEATH(observer->shouldTriggerSessionRefresh(), "There must be at least 1 context!");
}

TEST_F(AuthenticationObserverTest, TheContextMakesItsObserverOnItsCentreWithoutReadingAContext) {
    AppContext::setStackForTesting({});
    const auto made = makeContext(recorder, center);
    const auto& observer = made->authenticationObserver;
    ASSERT_NE(observer, nullptr);
    EXPECT_EQ(observer->refreshTimeout(), 86'400'000.0);
    center->post(veltrane::kVQNotificationUserWillLogIn);
    EXPECT_TRUE(observer->loginWasDismissed());
    EXPECT_EQ(made->webDataStore, platform::web::WebsiteDataStore::defaultDataStore());

    // The running app's context: the default centre and the default data store.
    platform::Bundle::setMainBundlePath(apptest::sampleResources());
    const auto running = Context::makeDefault();
    EXPECT_EQ(running->notificationCenter, NotificationCenter::defaultCenter());
    EXPECT_EQ(running->webDataStore, platform::web::WebsiteDataStore::defaultDataStore());
    EXPECT_EQ(running->authenticationObserver->refreshTimeout(), 86'400'000.0);
    NotificationCenter::defaultCenter()->post(veltrane::kVQNotificationUserWillLogIn);
    EXPECT_TRUE(running->authenticationObserver->loginWasDismissed());
}

/// The observer on the SDK's own notifications, signing in and out at the
/// loopback community server.
class AuthenticationObserverSignInTest : public veltranetest::AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        context = installContext(recorder);
    }
    void TearDown() override {
        AppContext::resetForTesting();
        AccountFixture::TearDown();
    }

    instrtest::MarkerRecorder recorder;
    std::shared_ptr<Context> context;
};

TEST_F(AuthenticationObserverSignInTest, FollowsARealSignInRefreshAndLogoutInOrder) {
    const auto observer = AuthenticationObserver::create(NotificationCenter::defaultCenter(), kDay);
    std::vector<std::string> events;
    observer->configure(
        [&] {
            events.push_back("didLogin");
            EXPECT_TRUE(platform::MainQueue::isMainThread());
            EXPECT_TRUE(context->isUserLoggedIn());
            EXPECT_EQ(AuthenticationObserver::timeSinceLastSessionRefresh(), platform::now());
            EXPECT_EQ(observerLogs(), std::vector<std::string>{kAfterLogin});
        },
        [&] {
            events.push_back("didLogout");
            EXPECT_FALSE(context->isUserLoggedIn());
            EXPECT_EQ(logoutSenders(recorder), std::vector<std::string>{"appLogout_system"});
        });
    // The clean-up before a logout relies on the user still being signed in.
    NotificationCenter::defaultCenter()->addObserver(veltrane::kVQNotificationUserWillLogout, nullptr,
                                                     [&](const platform::Notification&) {
                                                         events.push_back("willLogout");
                                                         EXPECT_TRUE(context->isUserLoggedIn());
                                                     });

    EXPECT_TRUE(observer->shouldTriggerSessionRefresh());
    const auto account = signIn();
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(events, std::vector<std::string>{"didLogin"});
    EXPECT_TRUE(observer->loginWasDismissed());
    EXPECT_FALSE(observer->loginWasDismissed());
    EXPECT_FALSE(observer->shouldTriggerSessionRefresh());

    testsupport::advance(90);
    veltranetest::AuthResults refreshed;
    ASSERT_TRUE(manager->refresh(account->credentials(), refreshed.completion()));
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return AuthenticationObserver::timeSinceLastSessionRefresh() == testsupport::kStartTime + 90; }));

    // The signed-in session's cookies, one of them lasting.
    const auto& cookies = context->webDataStore->httpCookieStore();
    for (const auto& [name, lifetime] : {std::pair<std::string, std::optional<double>>{"sid", std::nullopt},
                                         {"remember", 86'400.0}}) {
        platform::HttpCookieProperties properties;
        properties.name = name;
        properties.value = "v";
        properties.domain = veltranetest::kHost;
        properties.path = "/";
        if (lifetime) properties.expires = platform::now() + *lifetime;
        cookies->setCookie(*platform::HttpCookie::create(properties));
    }
    testsupport::pump();
    ASSERT_GE(cookies->storage()->cookies().size(), 2u);
    // The signed-in user's REST service, which the clean-up before the logout
    // puts back to the global one.
    AppContext::updateWithCurrentUser();
    const auto usersService = context->networkService();

    manager->logout();
    EXPECT_NE(context->networkService(), usersService);
    EXPECT_EQ(events, (std::vector<std::string>{"didLogin", "willLogout", "didLogout"}));
    EXPECT_EQ(observerLogs(), (std::vector<std::string>{kAfterLogin, kAfterRefresh, kBeforeLogout, kAfterLogout}));
    EXPECT_EQ(logoutSenders(recorder), std::vector<std::string>{"appLogout_system"});

    // The wipe finishes through the data store's completions.
    testsupport::pump();
    EXPECT_TRUE(cookies->storage()->cookies().empty());
    EXPECT_EQ(instrtest::logTexts("INFO", "WKWebsiteDataStore"),
              std::vector<std::string>{"Cleared web cookies for all domains."});
}

} // namespace
