#include "Platform/SDKs/Veltrane/IdentityProviderEventCommands.hpp"

#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/UI/Window.hpp"

#include <gtest/gtest.h>

#include <mutex>
#include <sstream>
#include <string>
#include <vector>

using namespace platform;
using namespace platform::veltrane;
using namespace veltranetest;

namespace {

/// An app whose URLs go to the SDK's identity-provider commands.
class CommandDelegate : public ui::ApplicationDelegate {
public:
    bool openURL(ui::Application&, const Url& url, const nlohmann::json& options) override {
        handled.push_back(url);
        return VQUserAccountManager::sharedInstance()->handleIdentityProviderCommand(url, options, {});
    }
    std::vector<Url> handled;
};

/// What a flow reported, with whether each report came on the main thread.
struct Reports {
    std::mutex mutex;
    std::vector<std::string> events;
    std::vector<bool> onMainThread;
    void add(std::string event) {
        std::lock_guard lock(mutex);
        events.push_back(std::move(event));
        onMainThread.push_back(MainQueue::isMainThread());
    }
    std::size_t count() {
        std::lock_guard lock(mutex);
        return events.size();
    }
};

class IdentityProviderEventCommandsTest : public AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        registerIdentityProviderEventCommands(driver);
        driver.launcher = [this] {
            window = ui::Window::create();
            window->setRootViewController(ui::ViewController::create());
            VQSDKWindowManager::sharedManager()->setMainUIWindow(window);
            window->makeKeyAndVisible();
            delegate->setWindow(window);
            ui::Application::shared().setDelegate(delegate);
            ui::Application::shared().launch();
        };
    }
    void TearDown() override {
        ui::Window::resetAll();
        AccountFixture::TearDown();
    }

    /// Starts a flow for the service provider; its reports go to `reports`.
    void startFlow(Reports& reports, const std::string& clientId = "sp-app") {
        manager->kickOffIDPInitiatedLoginFlow(
            SPConfig(clientId, "spapp://done", {"api", "web"}, std::nullopt),
            [&reports](VQSPLoginStatus status) { reports.add("status " + description(status)); },
            [&reports](VQSPLoginError error) { reports.add("failure " + description(error)); });
        testsupport::pump();
    }

    ui::EventDriver driver;
    std::ostringstream out;
    std::shared_ptr<CommandDelegate> delegate = std::make_shared<CommandDelegate>();
    std::shared_ptr<ui::Window> window;
};

TEST_F(IdentityProviderEventCommandsTest, TheAnswerCarriesTheStartRequestsStateAndAFreshChallenge) {
    EXPECT_FALSE(driver.execute("sp answer")) << "before the launch";
    ASSERT_TRUE(driver.execute("launch"));
    auto none = driver.execute("sp answer");
    ASSERT_FALSE(none);
    EXPECT_NE(none.error().find("no start request"), std::string::npos) << none.error();
    EXPECT_FALSE(driver.execute("sp reply"));

    ASSERT_NE(signIn(), nullptr);
    Reports reports;
    startFlow(reports);
    const auto& opened = ui::Application::shared().openedURLs();
    ASSERT_EQ(opened.size(), 1u);
    const auto state = valueForParameterName(opened[0].url, "state");

    auto answered = driver.execute("sp answer");
    ASSERT_TRUE(answered) << answered.error();
    ASSERT_EQ(delegate->handled.size(), 1u);
    const auto& command = delegate->handled[0];
    EXPECT_EQ(valueForParameterName(command, VQUserAccountManager::kIdentityProviderCommandKey), "sp_login");
    EXPECT_EQ(valueForParameterName(command, "client_id"), "sp-app");
    EXPECT_EQ(valueForParameterName(command, "redirect_uri"), "spapp://done");
    EXPECT_EQ(valueForParameterName(command, "state"), state);
    const auto challenge = valueForParameterName(command, "code_challenge");
    ASSERT_TRUE(challenge && challenge->size() == 43u);

    // Served as the flow's own answer: no consent asked, the code goes to the callback.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return reports.count() == 3;
    }));
    EXPECT_EQ(reports.events, (std::vector<std::string>{"status authCodeRequested", "status authCodeReceived",
                                                        "status serviceProviderOpened"}));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].url.scheme(), "spapp");
    EXPECT_TRUE(valueForParameterName(opened[1].url, "code").has_value());
    EXPECT_EQ(valueForParameterName(opened[1].url, "state"), state);
}

TEST_F(IdentityProviderEventCommandsTest, FlowsReportFromAWorkerThreadWhenAskedInTheSameOrder) {
    ASSERT_TRUE(driver.execute("launch"));
    VQUserAccountManager::setReportsServiceProviderFlowOnWorkerThread(true);

    // A failure before anything started.
    Reports early;
    startFlow(early);
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return early.count() == 1;
    }));
    EXPECT_EQ(early.events, std::vector<std::string>{"failure noUserSignedIn"});
    EXPECT_EQ(early.onMainThread, std::vector<bool>{false});

    ASSERT_NE(signIn(), nullptr);
    Reports reports;
    startFlow(reports);
    ASSERT_TRUE(driver.execute("sp answer"));
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return reports.count() == 3;
    }));
    EXPECT_EQ(reports.events, (std::vector<std::string>{"status authCodeRequested", "status authCodeReceived",
                                                        "status serviceProviderOpened"}));
    EXPECT_EQ(reports.onMainThread, (std::vector<bool>{false, false, false}));

    // resetForTesting puts the reports back on the main thread.
    VQUserAccountManager::resetForTesting();
    Reports again;
    startFlow(again, "");
    ASSERT_TRUE(testsupport::waitUntil([&] {
        testsupport::pump();
        return again.count() == 1;
    }));
    EXPECT_EQ(again.events, std::vector<std::string>{"failure invalidServiceProviderConfig"});
    EXPECT_EQ(again.onMainThread, std::vector<bool>{true});
}

} // namespace
