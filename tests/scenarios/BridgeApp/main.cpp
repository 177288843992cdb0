// A host app for the page bridge: one screen with a community web view made
// from the app's configuration, the authentication handler under its four
// names and the web-app event handler under its two, as a community screen
// registers them (the instrumentation handler is removed again). A small
// model signs a fixed user in and logs what it hears. Driven by an event script.

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Hybrid/AuthenticationMessageHandler.hpp"
#include "VellicorApp/Hybrid/InstrumentationMessageHandler.hpp"
#include "VellicorApp/Hybrid/WebAppEventMessageHandler.hpp"
#include "VellicorApp/Hybrid/WebViewConfigurationFactory.hpp"

#include "Platform/Foundation/LogSink.hpp"
#include "Platform/UI/ApplicationMain.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/Web/WebView.hpp"

using namespace platform::ui;
namespace veltrane = platform::veltrane;

namespace {

constexpr const char* kCommunityHost = "community.example.test";

void log(const std::string& line) { platform::LogSink::write("BridgeHost", platform::LogLevel::info, line); }

/// Signs a fixed user in and logs the page's events.
class HostModel : public vellicor::AuthenticationMessageHandlerDelegate,
                  public vellicor::WebAppEventMessageHandlerDelegate {
public:
    void authenticationMessageHandlerShouldAuthenticate(veltrane::VQAuthCompletion completion) override {
        auto credentials = std::make_shared<veltrane::VQOAuthCredentials>("00Dorg-005user", "scenario-client");
        credentials->accessToken = "scenario-access-token";
        credentials->userId = "005user";
        credentials->communityUrl = platform::Url::parse(std::string("https://") + kCommunityHost + "/s/");
        auto account = veltrane::VQUserAccount::create(std::move(credentials));
        vellicor::AppContext::current()->userAccountManager->setCurrentUserAccount(account);
        completion(veltrane::VQAuthSuccess{account, veltrane::VQOAuthInfo(veltrane::VQOAuthType::webServer)});
    }
    std::pair<std::optional<platform::HttpRequest>, std::optional<platform::Error>>
    authenticationMessageHandlerShouldHandleOAuthResults(const std::optional<std::string>& address,
                                                         const veltrane::VQAuthResult&) override {
        log("follow-up asked for " + address.value_or("no page"));
        return {std::nullopt, std::nullopt};
    }
    void communityAppBootstrapDidComplete(vellicor::WebAppEventMessageHandler&,
                                          const std::optional<platform::Json>& response) override {
        log("bootstrapped with " + (response ? platform::serializeJson(*response) : std::string("no response")));
    }
    void communityAppPageLoadDidComplete(vellicor::WebAppEventMessageHandler&) override { log("page loaded"); }
};

class BridgeViewController : public ViewController {
public:
    std::string typeName() const override { return "BridgeViewController"; }

protected:
    void viewDidLoad() override {
        title = "Community";
        vellicor::WebViewConfigurationFactory factory("Vellicor/1.0");
        webView_ = platform::web::WebView::create({}, factory.defaultConfig());
        view()->addSubview(webView_);
        const auto controller = webView_->configuration()->userContentController;
        const auto page = platform::web::ContentWorld::page();
        auth_->setDelegate(model_);
        for (const auto type : vellicor::AuthenticationMessageHandler::kAllMessageTypes) {
            controller->addScriptMessageHandler(auth_, page,
                                                std::string(vellicor::AuthenticationMessageHandler::rawValue(type)));
        }
        controller->addScriptMessageHandler(vellicor::InstrumentationMessageHandler::create(), page,
                                            vellicor::InstrumentationMessageHandler::kMessageName);
        events_->setDelegate(model_);
        controller->add(events_, vellicor::WebAppEventMessageHandler::kBootstrapDone);
        controller->add(events_, vellicor::WebAppEventMessageHandler::kPageLoadDone);
        // Community screens take the instrumentation handler off again.
        controller->removeScriptMessageHandler(vellicor::InstrumentationMessageHandler::kMessageName);
        webView_->loadHTMLString("<title>Community</title>",
                                 platform::Url::parse(std::string("https://") + kCommunityHost + "/s/"));
    }

private:
    std::shared_ptr<HostModel> model_ = std::make_shared<HostModel>();
    std::shared_ptr<vellicor::AuthenticationMessageHandler> auth_ =
        vellicor::AuthenticationMessageHandler::create("Vellicor/1.0 (compact)");
    std::shared_ptr<vellicor::WebAppEventMessageHandler> events_ = vellicor::WebAppEventMessageHandler::create();
    std::shared_ptr<platform::web::WebView> webView_;
};

class HostAppDelegate : public ApplicationDelegate {
public:
    std::shared_ptr<Window> window() const override { return window_; }
    void setWindow(std::shared_ptr<Window> window) override { window_ = std::move(window); }
    bool didFinishLaunching(Application&, const nlohmann::json&) override {
        vellicor::AppContext::current()->userAccountManager->setLoginHost(kCommunityHost);
        window_->makeKeyAndVisible();
        return true;
    }

private:
    std::shared_ptr<Window> window_;
};

} // namespace

int main(int argc, char** argv) {
    Storyboard::registerStoryboard(
        "Main", StoryboardDefinition{[] { return NavigationController::create(makeController<BridgeViewController>()); },
                                     {},
                                     {}});
    ApplicationMainOptions options;
    options.defaultPackage = VELLICOR_SCENARIO_PACKAGE;
    return applicationMain(argc, argv, [] { return std::make_shared<HostAppDelegate>(); }, options);
}
