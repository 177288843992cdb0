#include "VellicorApp/DemoCommunityEventCommands.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQIdData.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/UI/EventDriver.hpp"
#include "Platform/Web/WebEventCommands.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <ostream>
#include <string>

namespace vellicor {

namespace {

using platform::ui::EventDriver;
using platform::ui::EventLine;
using Result = EventDriver::Result;

struct DemoUser {
    const char* name;
    const char* username;
    const char* password;
};

// The demo community's users: the community server's default user.
constexpr std::array kDemoUsers{
    DemoUser{"alice", "alice@example.test", "alice-password"},
};

// The community's login page and the target of its form, below it.
constexpr std::string_view kAuthorizePath = "/vapi/oauth2/authorize";
constexpr std::string_view kLoginFormPath = "/login";

// The page's message that asks the app to sign the user out.
constexpr const char* kLogoutMessage = "logoutCurrentUser";

/// Prints the completion lines. Owned by the driver's command table; the
/// notification centre holds it weakly, so nothing prints once the driver
/// has gone.
struct SignInReporter : std::enable_shared_from_this<SignInReporter> {
    explicit SignInReporter(EventDriver& driver) : driver(driver) {}

    void print(std::string line) {
        // A sign-out may be announced on the thread that asked for it.
        platform::MainQueue::async([weak = weak_from_this(), line = std::move(line)] {
            if (auto self = weak.lock()) self->driver.out() << line << "\n";
        });
    }

    /// The driver that owns this reporter through its command table.
    EventDriver& driver;
};

std::string currentUsername() {
    auto account = platform::veltrane::VQUserAccountManager::sharedInstance()->currentUser();
    auto idData = account ? account->idData() : nullptr;
    return idData && idData->username ? *idData->username : std::string("(unknown user)");
}

Result signIn(const EventLine& line) {
    if (auto ok = EventDriver::requireLaunched(); !ok) return ok;
    std::string username = line.args[0];
    std::string password = line.args.size() > 1 ? line.args[1] : std::string();
    if (line.args.size() == 1) {
        const auto* user = std::find_if(kDemoUsers.begin(), kDemoUsers.end(),
                                        [&](const DemoUser& demo) { return username == demo.name; });
        if (user == kDemoUsers.end()) {
            return EventDriver::fail("'" + username +
                                     "' is no demo user (the demo community has: alice); give a user name and "
                                     "its password");
        }
        username = user->username;
        password = user->password;
    }
    auto webView = platform::web::frontMostWebView();
    auto shown = webView ? webView->url() : std::nullopt;
    auto page = shown ? platform::UrlComponents::fromUrl(*shown) : std::nullopt;
    if (!page || !page->path.ends_with(kAuthorizePath)) {
        return EventDriver::fail("no login page is shown (the login screen shows it once the web app asks for a "
                                 "sign-in: page post authenticate {} --off-screen)");
    }
    page->path += kLoginFormPath;
    page->fragment.reset();
    using platform::UrlCharacterSet;
    page->percentEncodedQuery = "username=" + platform::addingPercentEncoding(username, UrlCharacterSet::alphanumerics) +
                                "&password=" + platform::addingPercentEncoding(password, UrlCharacterSet::alphanumerics);
    auto target = page->url();
    if (!target) return EventDriver::fail("the login page's address gives no form target");
    webView->followLink(*target, platform::web::NavigationType::formSubmitted);
    return {};
}

Result signOut() {
    if (auto ok = EventDriver::requireLaunched(); !ok) return ok;
    if (!platform::veltrane::VQUserAccountManager::sharedInstance()->currentUser()) {
        return EventDriver::fail("nobody is signed in");
    }
    auto webView = platform::web::frontMostWebView();
    if (!webView) return EventDriver::fail("no community page is shown");
    using Delivery = platform::web::UserContentController::Delivery;
    const auto delivery = webView->postScriptMessage(kLogoutMessage, platform::Json::object());
    if (delivery == Delivery::noHandler || delivery == Delivery::refused) {
        return EventDriver::fail("the page shown is no community page (it cannot sign out)");
    }
    return {};
}

} // namespace

void registerDemoCommunityEventCommands(EventDriver& driver) {
    auto reporter = std::make_shared<SignInReporter>(driver);
    auto center = platform::NotificationCenter::defaultCenter();
    center->addObserver<SignInReporter>(reporter, platform::veltrane::kVQNotificationUserDidLogIn, nullptr,
                                        [](SignInReporter& self, const platform::Notification&) {
                                            self.print("signed in: " + currentUsername());
                                        });
    center->addObserver<SignInReporter>(reporter, platform::veltrane::kVQNotificationUserDidLogout, nullptr,
                                        [](SignInReporter& self, const platform::Notification&) {
                                            self.print("signed out");
                                        });
    driver.registerCommand(
        "sign-in", EventDriver::Command{"USER [PASSWORD]",
                                        "sign in on the community's login page (a demo user: alice)", 1, 2,
                                        [reporter](const EventLine& line, EventDriver&) { return signIn(line); }});
    driver.registerCommand("sign-out",
                           EventDriver::Command{"", "the community page signs the user out", 0, 0,
                                                [reporter](const EventLine&, EventDriver&) { return signOut(); }});
}

} // namespace vellicor
