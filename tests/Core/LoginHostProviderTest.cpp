#include "VellicorApp/Community/VQSDKLoginHostStorageAdapter.hpp"

#include "VellicorApp/Core/Localization.hpp"

#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using platform::veltrane::VQSDKLoginHost;
using platform::veltrane::VQSDKLoginHostStorage;

namespace {

constexpr const char* kProduction = VQSDKLoginHostStorage::kDefaultProductionLoginHost;
constexpr const char* kSandboxSDK = VQSDKLoginHostStorage::kDefaultSandboxLoginHost;
constexpr const char* kAppHost = "community.example.test";
constexpr const char* kConfiguredSandbox = "sandbox.example.test";
constexpr const char* kFurther = "further.example.test";

class LoginHostProviderTest : public apptest::AppTest {
protected:
    void SetUp() override {
        apptest::installContext();
        storage = VQSDKLoginHostStorage::sharedInstance();
        provider = VQSDKLoginHostStorageAdapter::create(storage);
    }

    void setHosts(const std::vector<std::string>& hosts) {
        while (storage->numberOfLoginHosts() > 0) storage->removeLoginHostAtIndex(0);
        for (const auto& host : hosts) storage->addLoginHost(VQSDKLoginHost(host, host, true));
    }

    std::vector<std::string> hosts() const {
        std::vector<std::string> result;
        for (const auto& host : storage->loginHosts()) result.push_back(host.host);
        return result;
    }

    std::shared_ptr<VQSDKLoginHostStorage> storage;
    std::shared_ptr<VQSDKLoginHostStorageAdapter> provider;
};

} // namespace

TEST_F(LoginHostProviderTest, ResetPutsTheAppsHostsInPlaceOfTheBuiltInOnes) {
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::vector<std::string> after;
    } cases[] = {
        {"built-ins and the app's host go, the app's hosts come after the further one",
         {kProduction, kSandboxSDK, kAppHost, kFurther},
         {kFurther, kAppHost, kConfiguredSandbox}},
        {"further host first: nothing removed",
         {kFurther, kProduction},
         {kFurther, kProduction, kAppHost, kConfiguredSandbox}},
        {"only the sandbox built-in", {kSandboxSDK}, {kAppHost, kConfiguredSandbox}},
        {"empty list", {}, {kAppHost, kConfiguredSandbox}},
        {"already reset: nothing added again",
         {kAppHost, kConfiguredSandbox},
         {kConfiguredSandbox, kAppHost}},
        {"hosts listed further down are not added twice",
         {kFurther, kAppHost, kConfiguredSandbox},
         {kFurther, kAppHost, kConfiguredSandbox}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setHosts(c.before);
        provider->resetDefaultLoginHosts();
        EXPECT_EQ(hosts(), c.after);
    }
}

TEST_F(LoginHostProviderTest, RelaunchesAddNothing) {
    setHosts({kProduction, kSandboxSDK});
    for (int launch = 0; launch < 5; ++launch) {
        provider->resetDefaultLoginHosts();
        EXPECT_EQ(hosts().size(), 2u) << "launch " << launch;
    }
    const auto appHost = storage->loginHostForHostAddress(kAppHost);
    ASSERT_TRUE(appHost);
    EXPECT_EQ(appHost->name, localized("PRODUCTION_LOGIN_HOST"));
    EXPECT_FALSE(appHost->isDeletable);
    const auto sandbox = storage->loginHostForHostAddress(kConfiguredSandbox);
    ASSERT_TRUE(sandbox);
    EXPECT_EQ(sandbox->name, localized("SANDBOX_LOGIN_HOST"));
    EXPECT_FALSE(sandbox->isDeletable);
}

TEST_F(LoginHostProviderTest, AddAndAddSandboxArePlainAppends) {
    setHosts({kConfiguredSandbox});
    provider->addSandboxLoginHost();
    provider->add(VQSDKLoginHost("Other", kFurther, true));
    provider->add(VQSDKLoginHost("Other", kFurther, true));
    EXPECT_EQ(hosts(), (std::vector<std::string>{kConfiguredSandbox, kConfiguredSandbox, kFurther, kFurther}));
    provider->removeAllLoginHosts();
    EXPECT_TRUE(hosts().empty());
    provider->removeAllLoginHosts();
    EXPECT_TRUE(hosts().empty()) << "removing from an empty list does nothing";
}

TEST_F(LoginHostProviderTest, WithoutConfiguredSandboxNothingIsAppended) {
    apptest::installContext([](platform::Json& info) { info.erase("SandboxLoginHost"); });
    setHosts({kFurther});
    provider->addSandboxLoginHost();
    EXPECT_EQ(hosts(), std::vector<std::string>{kFurther});
    provider->resetDefaultLoginHosts();
    EXPECT_EQ(hosts(), (std::vector<std::string>{kFurther, kAppHost}));
}
