#include "VellicorApp/Core/AppContext.hpp"

#include "VellicorApp/Community/FileCache.hpp"
#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Core/BiometricsManaging.hpp"
#include "VellicorApp/Core/FaultManager.hpp"
#include "VellicorApp/Core/Faults.hpp"
#include "tests/Shell/AppAccountFixture.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/Foundation/Reachability.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vellicor;

namespace {

class AppContextUserTest : public apptest::AppAccountFixture {
protected:
    std::shared_ptr<platform::veltrane::VQRestAPI> restClient() const {
        const auto service = std::dynamic_pointer_cast<NetworkService>(context->networkService());
        return service ? service->restClient() : nullptr;
    }

    static bool logged(const std::string& level, const std::string& text) {
        const auto texts = apptest::appLogTexts(level);
        return std::ranges::any_of(texts, [&](const std::string& t) { return t.find(text) != std::string::npos; });
    }

    std::size_t recordRequests() {
        std::size_t count = 0;
        for (const auto& request : server.requests()) {
            if (request.path.ends_with("/records")) ++count;
        }
        return count;
    }
};

} // namespace

TEST_F(AppContextUserTest, ServicesFollowSignInAndSignOut) {
    EXPECT_EQ(restClient(), platform::veltrane::VQRestAPI::sharedGlobalInstance());
    EXPECT_FALSE(context->biometricsManager());
    AppContext::updateWithCurrentUser();
    EXPECT_TRUE(logged("INFO", "No user found, not updating current context with user!"));
    EXPECT_EQ(restClient(), platform::veltrane::VQRestAPI::sharedGlobalInstance());

    ASSERT_NE(signIn(), nullptr);
    AppContext::updateWithCurrentUser();
    EXPECT_EQ(restClient(), platform::veltrane::VQRestAPI::sharedInstance());
    EXPECT_NE(restClient(), platform::veltrane::VQRestAPI::sharedGlobalInstance());
    EXPECT_TRUE(context->biometricsManager());
    ASSERT_TRUE(testsupport::waitUntil([] { return logged("INFO", "API enabled check successful."); }));
}

TEST_F(AppContextUserTest, CleanupAfterSignOutReturnsToTheSignedOutState) {
    ASSERT_NE(signIn(), nullptr);
    AppContext::updateWithCurrentUser();
    FileCache cache(platform::FileManager::defaultManager());
    const FileModel model{"069000000000001AAA", "report", "PDF", "pdf", "068000000000001AAA", {}, {}, ""};
    ASSERT_TRUE(platform::writeFileAtomically(cache.dataPath(model).filePath(), platform::dataFromString("bytes")));
    ASSERT_TRUE(cache.fileExists(model));

    // Cleanup runs while the SDK still reports the user (its logout observer).
    AppContext::cleanupWithUserLogout();
    EXPECT_FALSE(context->biometricsManager());
    EXPECT_EQ(restClient(), platform::veltrane::VQRestAPI::sharedGlobalInstance());
    EXPECT_FALSE(cache.fileExists(model)) << "downloaded files are removed";

    // Without a signed-in user, nothing is touched.
    context->userAccountManager->setCurrentUserAccount(nullptr);
    const auto before = context->networkService();
    AppContext::cleanupWithUserLogout();
    EXPECT_TRUE(logged("ERROR", "No user found, failed to perform user cleanup!"));
    EXPECT_EQ(context->networkService(), before);
}

TEST_F(AppContextUserTest, AccessCheckQueuesTheAccessFaultOnlyOn403) {
    struct Case {
        const char* name;
        std::function<void(communityserver::CommunityServer&)> prepare;
        bool offline;
        bool expectFault;
        const char* expectLog;
    };
    const Case cases[] = {
        {"200", {}, false, false, "API enabled check successful."},
        {"API disabled for the user", [](communityserver::CommunityServer& s) {
             auto user = communityserver::CommunityServer::defaultUser();
             user.apiEnabled = false;
             s.addUser(user);
         }, false, true, "API enabled check failed with error: "},
        {"403 from the server", [](communityserver::CommunityServer& s) {
             s.failNextRequests(1, 403, "FORBIDDEN", "Forbidden.", "/vapi/data");
         }, false, true, "API enabled check failed with error: "},
        {"500", [](communityserver::CommunityServer& s) { s.failNextRequests(1, 500, "ERROR", "Broken.", "/vapi/data"); },
         false, false, "API enabled check failed with error: "},
        {"offline", {}, true, false, "API enabled check failed with error: "},
    };
    ASSERT_NE(signIn(), nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.addUser(communityserver::CommunityServer::defaultUser());
        if (c.prepare) c.prepare(server);
        platform::Reachability::setOffline(c.offline);
        auto faults = FaultManager::create();
        context->setNetworkService(NetworkService::create(platform::veltrane::VQRestAPI::sharedInstance()));
        const auto logsBefore = apptest::appLogLines().size();
        faults->performAPIAccessCheck();
        ASSERT_TRUE(testsupport::waitUntil([&] {
            const auto lines = apptest::appLogLines();
            return std::any_of(lines.begin() + static_cast<long>(logsBefore), lines.end(),
                               [&](const apptest::LogLine& l) { return l.text.find(c.expectLog) != std::string::npos; });
        }));
        testsupport::pump();
        ASSERT_EQ(faults->faults().size(), c.expectFault ? 1u : 0u);
        if (c.expectFault) {
            EXPECT_TRUE(std::dynamic_pointer_cast<const AccessAPIFault>(faults->faults().front()));
        }
        platform::Reachability::setOffline(false);
    }
}

TEST_F(AppContextUserTest, AccessCheckSendsNothingWhenSignedOut) {
    const auto before = recordRequests();
    context->faultManager->performAPIAccessCheck();
    testsupport::pump();
    EXPECT_EQ(recordRequests(), before);
}
