// A host app for the community screen: a loopback community server in the
// program, a screen that signs the user in through the SDK (the "sign-in"
// event stands for the user's work on the login page), then the community
// screen over its model. The app's flow is played by the host, which logs
// what the screen tells it. Driven by an event script.

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Hybrid/CommunityHybridViewController.hpp"
#include "VellicorApp/Hybrid/HybridResources.hpp"
#include "VellicorApp/Interface/CommunityViewControllerDelegate.hpp"
#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "tools/community-server/CommunityServer.hpp"

#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/UI/ApplicationMain.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>

using namespace platform::ui;
namespace veltrane = platform::veltrane;

namespace {

constexpr const char* kHost = "community.example.test";
constexpr const char* kClientId = "vellicor-scenario-client";
constexpr const char* kRedirectUri = "vellicor://auth/success";
constexpr const char* kDocument = "091000000000001AAA";
constexpr const char* kVersion = "092000000000001AAA";

communityserver::CommunityServer& server() {
    static auto* community = new communityserver::CommunityServer();
    return *community;
}

void log(const std::string& line) { platform::LogSink::write("CommunityHost", platform::LogLevel::info, line); }

/// The app's flow behind the community screen.
class HostFlow : public vellicor::CommunityViewControllerDelegate {
public:
    void webAppDidBootstrap(const std::shared_ptr<vellicor::CommunityViewControllable>&,
                            const std::optional<platform::Json>& response) override {
        log("bootstrapped with " + (response ? platform::serializeJson(*response) : std::string("no response")));
    }
    void webAppDidLoadPage(const std::shared_ptr<vellicor::CommunityViewControllable>&) override { log("page loaded"); }
};

std::shared_ptr<HostFlow>& flow() {
    static auto* shared = new std::shared_ptr<HostFlow>(std::make_shared<HostFlow>());
    return *shared;
}

std::weak_ptr<vellicor::CommunityHybridViewController>& communityScreen() {
    static auto* screen = new std::weak_ptr<vellicor::CommunityHybridViewController>();
    return *screen;
}

class SignedOutViewController : public ViewController {
public:
    std::string typeName() const override { return "SignedOutViewController"; }

protected:
    void viewDidLoad() override {
        title = "Welcome";
        view()->addSubview(Label::create("Signed out"));
    }
};

/// The community screen over a new model of the community's start page, at
/// the root of the key window's navigation stack.
void showCommunity() {
    auto config = veltrane::VQHybridViewConfig::create(platform::Json::object());
    config->setStartPage("/s/");
    config->setUnauthenticatedStartPage(std::string("https://") + kHost + "/s/");
    auto screen = vellicor::CommunityHybridViewController::create(vellicor::CommunityHybridViewModel::create(config));
    screen->setHybridAppDelegate(flow());
    communityScreen() = screen;
    Window::keyWindow()->setRootViewController(NavigationController::create(screen));
}

/// The user signs in on the SDK's login page: the page's form is stood in
/// for by a code the server issues for the sign-in's challenge.
EventDriver::Result signIn(const EventLine&, EventDriver& driver) {
    if (auto ok = EventDriver::requireLaunched(); !ok) return ok;
    const auto manager = veltrane::VQUserAccountManager::sharedInstance();
    manager->login([&driver](veltrane::VQAuthResult result) {
        platform::MainQueue::async([&driver, signedIn = result.has_value()] {
            driver.out() << "sign-in: " << (signedIn ? "signed in" : "failed") << "\n";
            if (!signedIn) return;
            vellicor::AppContext::updateWithCurrentUser();
            showCommunity();
        });
    });
    const auto authorize = manager->authorizationURL();
    if (!authorize) return EventDriver::fail("no sign-in is running");
    const auto code = server().issueAuthorizationCode(
        communityserver::CommunityServer::defaultUser().username, kClientId, kRedirectUri,
        veltrane::valueForParameterName(*authorize, "code_challenge").value_or(""));
    if (!code) return EventDriver::fail("the server issued no code");
    const auto redirect = platform::Url::parse(std::string(kRedirectUri) + "?code=" + *code + "&state=" +
                                               veltrane::valueForParameterName(*authorize, "state").value_or(""));
    if (!redirect || !manager->handleAuthorizationRedirect(*redirect)) return EventDriver::fail("the redirect was refused");
    return {};
}

/// The community page asks for the credentials, from the main frame or, with
/// "--frame sub --origin URL", from another site's sub-frame. Prints whether
/// the reply holds the signed-in user's token (never the token itself).
EventDriver::Result credentials(const EventLine& line, EventDriver& driver) {
    const auto screen = communityScreen().lock();
    if (!screen) return EventDriver::fail("no community screen");
    platform::web::PageMessageOptions options;
    for (std::size_t i = 0; i + 1 < line.args.size(); i += 2) {
        if (line.args[i] == "--frame") options.isMainFrame = line.args[i + 1] != "sub";
        else if (line.args[i] == "--origin") options.frameURL = platform::Url::parse(line.args[i + 1]);
        else return EventDriver::fail("usage: credentials [--frame main|sub] [--origin URL]");
    }
    screen->webView()->postScriptMessage(
        "getAuthCredentials", platform::Json::object(), options,
        [&driver](std::optional<platform::Json> value, std::optional<std::string> error) {
            const auto account = vellicor::AppContext::current()->userAccount();
            const auto token = account && account->credentials() ? account->credentials()->accessToken : std::nullopt;
            if (error) {
                driver.out() << "credentials: error \"" << *error << "\"\n";
            } else if (value && token && value->value("accessToken", std::string()) == *token) {
                driver.out() << "credentials: the signed-in user's\n";
            } else {
                driver.out() << "credentials: someone else's\n";
            }
        });
    return {};
}

/// Fails when a log file holds a token the server issued.
EventDriver::Result logHoldsNoToken(const EventLine&, EventDriver& driver) {
    platform::LogSink::flush();
    const auto folder = platform::LogSink::fileFor("CommunityHost").parent_path();
    const auto tokens = server().issuedTokens();
    if (tokens.empty()) return EventDriver::fail("no token was issued");
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path());
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        for (const auto& token : tokens) {
            if (text.find(token) != std::string::npos) {
                return EventDriver::fail("a token is in " + entry.path().filename().string());
            }
        }
    }
    driver.out() << "log: no token\n";
    return {};
}

class HostAppDelegate : public ApplicationDelegate {
public:
    std::shared_ptr<Window> window() const override { return window_; }
    void setWindow(std::shared_ptr<Window> window) override { window_ = std::move(window); }
    bool didFinishLaunching(Application&, const nlohmann::json&) override {
        vellicor::registerInterfaceResources();
        vellicor::registerHybridResources();
        vellicor::Logger::configureLogLevel();
        const auto manager = veltrane::VQUserAccountManager::sharedInstance();
        manager->setLoginHost(kHost);
        manager->setOauthClientId(kClientId);
        manager->setOauthCompletionUrl(kRedirectUri);
        // Links under "/s/shared" open in the shared-cookie browser; every
        // other link stays in the app unless the site says otherwise.
        vellicor::AppContext::current()->setManagedURLs(std::make_shared<vellicor::BundleManagedURLs>(
            std::vector<std::string>{}, std::vector<std::string>{}, std::vector<std::string>{"/shared"},
            std::vector<std::string>{}, "WithinApp"));
        window_->makeKeyAndVisible();
        return true;
    }

private:
    std::shared_ptr<Window> window_;
};

void startCommunity() {
    auto& community = server();
    community.registerClient(kClientId, {kRedirectUri});
    community.start();
    community.setPage("/s/", {"Home", "<p>Welcome to the community.</p>", true});
    community.setPage("/s/shared/guide", {"Shared guide", "<p>Read with the community's session.</p>", true});
    community.putRecord("fileDocument", kDocument,
                        {{"Title", "guide"}, {"FileType", "PDF"}, {"FileExtension", "pdf"},
                         {"LatestPublishedVersionId", kVersion}, {"LastModifiedDate", "2026-01-01T00:00:00.000Z"}});
    community.putRecordContent("fileVersion", kVersion, "VersionData", "%PDF-1.4 guide", "application/pdf");
    platform::HttpSession::setHostMapping(std::string(kHost) + ":443", "127.0.0.1:" + std::to_string(community.port()));
    platform::HttpSession::setCAFile(community.caFile());
}

} // namespace

int main(int argc, char** argv) {
    startCommunity();
    Storyboard::registerStoryboard(
        "Main",
        StoryboardDefinition{[] { return NavigationController::create(makeController<SignedOutViewController>()); },
                             {},
                             {}});
    ApplicationMainOptions options;
    options.defaultPackage = VELLICOR_SCENARIO_PACKAGE;
    options.registerCommands = [](EventDriver& driver) {
        driver.registerCommand("sign-in", EventDriver::Command{"", "sign the user in on the SDK's login page", 0, 0, signIn});
        driver.registerCommand("credentials",
                               EventDriver::Command{"[--frame main|sub] [--origin URL]",
                                                    "the page asks for the credentials", 0, 4, credentials});
        driver.registerCommand("log-holds-no-token",
                               EventDriver::Command{"", "fail when a log file holds an issued token", 0, 0, logHoldsNoToken});
    };
    const int status = applicationMain(argc, argv, [] { return std::make_shared<HostAppDelegate>(); }, options);
    server().stop();
    return status;
}
