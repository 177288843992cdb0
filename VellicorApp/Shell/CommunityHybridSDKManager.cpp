#include "VellicorApp/Shell/CommunityHybridSDKManager.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppMode.hpp"
#include "VellicorApp/Core/FloatingActionButtonProviding.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Shell/LoginViewController.hpp"

#include "Platform/SDKs/AppCenter/MSACCrashes.hpp"
#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/ViewController.hpp"

#include <string_view>

namespace vellicor {

using platform::ui::Image;
using platform::ui::ViewController;
using platform::veltrane::VQSDKDevAction;

namespace {

constexpr const char* kTypeName = "CommunityHybridSDKManager";

/// How the SDK's own actions look in the app's menu, by their exact names.
struct SDKActionStyle {
    std::string_view name;
    const char* color;
    const char* icon;
};
constexpr SDKActionStyle kSDKActionStyles[] = {
    {"Show dev info", "#679bdf", "DevInfo"},
    {"Logout", "#34af5d", "Logout"},
    {"Switch user", "#ed6e93", "SwitchUser"},
};

void style(CommunitiesDevAction& action, const char* color, std::shared_ptr<Image> icon) {
    if (auto parsed = platform::veltrane::colorFromHexValue(color)) action.iconBackgroundColor = *parsed;
    action.icon = std::move(icon);
}

std::shared_ptr<CommunitiesDevAction> makeAction(std::string title, const char* color, std::shared_ptr<Image> icon,
                                                 std::function<void()> handler) {
    auto action = CommunitiesDevAction::create(std::move(title), std::move(handler));
    style(*action, color, std::move(icon));
    return action;
}

/// Puts `group` in front of `list`, keeping the group's order.
template <class List>
void insertAtFront(List& list, const List& group) {
    list.insert(list.begin(), group.begin(), group.end());
}

// The feedback screens and the community pickers come with their own flows.
// Until they are part of the app no controller is one of them, so the feedback
// action never meets the feedback screens and the preview edition's actions
// are never left out for a picker.
bool isFeedbackScreen(const ViewController& /*controller*/) { return false; }
bool isCommunityPicker(const ViewController& /*controller*/) { return false; }

// Presents the feedback screens over `presenter`; they come with the feedback
// flow, and until then the action opens nothing.
void presentFeedbackScreens(ViewController& /*presenter*/) {}

} // namespace

std::shared_ptr<CommunityHybridSDKManager> CommunityHybridSDKManager::create() {
    return std::shared_ptr<CommunityHybridSDKManager>(new CommunityHybridSDKManager());
}

bool CommunityHybridSDKManager::initializeSDK() {
    return VeltraneSDKManager::initializeSDK<CommunityHybridSDKManager>();
}

std::vector<std::string> CommunityHybridSDKManager::getDevSupportInfos() {
    auto infos = VeltraneHybridSDKManager::getDevSupportInfos();
    infos.insert(infos.begin(), {"BuildNumber", AppContext::current()->communityIdentifier()});
    return infos;
}

std::string CommunityHybridSDKManager::devInfoTitleString() { return appDisplayName(); }

std::vector<std::shared_ptr<VQSDKDevAction>> CommunityHybridSDKManager::getDevActions(
    const std::shared_ptr<ViewController>& presentedViewController) {
    auto list = convert(VeltraneHybridSDKManager::getDevActions(presentedViewController));
    list.insert(list.begin(), createCrashAppAction());
    // Each group goes in front of everything built so far: the last built ends on top.
    for (const auto& group : {createShowsNavigationBarActions(), createMktDebugLoggingActions(),
                              createSendFeedbackActions(presentedViewController),
                              createYarrowinModeActions(presentedViewController),
                              createShowZentariInfoAction(presentedViewController)}) {
        if (group) insertAtFront(list, *group);
    }
    return {list.begin(), list.end()};
}

CommunityHybridSDKManager::Actions CommunityHybridSDKManager::convert(
    const std::vector<std::shared_ptr<VQSDKDevAction>>& actions) {
    Actions converted;
    for (const auto& action : actions) {
        if (!action) continue;
        auto appAction = CommunitiesDevAction::create(*action);
        for (const auto& entry : kSDKActionStyles) {
            if (action->name() == entry.name) style(*appAction, entry.color, Image::named(entry.icon));
        }
        converted.push_back(std::move(appAction));
    }
    return converted;
}

std::shared_ptr<CommunitiesDevAction> CommunityHybridSDKManager::createCrashAppAction() {
    return makeAction("Crash App", "#e9696f", Image::named("CrashApp"),
                      [] { platform::appcenter::MSACCrashes::generateTestCrash(); });
}

std::optional<CommunityHybridSDKManager::Actions> CommunityHybridSDKManager::createShowsNavigationBarActions() {
    const auto context = AppContext::current();
    if (!context->yarrowinAppType()) return std::nullopt;
    // The switch flips the state shown in the title, read now, not whatever is
    // stored by the time of the tap.
    const bool enabled = isLoginNavBarEnabled(context->appMode());
    auto title = enabled ? localized("HIDE_LOGIN_BAR", "Hide Login Bar") : localized("SHOW_LOGIN_BAR", "Show Login Bar");
    return Actions{makeAction(std::move(title), "#9050E9", Image::systemNamed("eye.slash.fill"), [enabled] {
        const auto current = AppContext::current();
        current->userDefaults->setBool("enableNavBar", !enabled);
        current->notificationCenter->post(kLoginViewNavBarDidChangeNotification, nullptr);
    })};
}

std::optional<CommunityHybridSDKManager::Actions> CommunityHybridSDKManager::createMktDebugLoggingActions() {
    // The marketing push manager, whose debug logging this group switches, is
    // not part of the context yet; without one the group is empty.
    return Actions{};
}

std::optional<CommunityHybridSDKManager::Actions> CommunityHybridSDKManager::createSendFeedbackActions(
    const std::shared_ptr<ViewController>& presentedViewController) {
    std::weak_ptr<ViewController> weakPresenter = presentedViewController;
    return Actions{makeAction(localized("SEND_FEEDBACK_FAB", "Send Feedback"), "#A86403", Image::named("SendLogs"),
                              [weakPresenter] {
                                  auto presenter = weakPresenter.lock();
                                  if (!presenter) return;
                                  if (isFeedbackScreen(*presenter)) {
                                      Logger::warning(
                                          "Feedback view ha presented on top. Ignoring feedback email action.",
                                          kTypeName);
                                      return;
                                  }
                                  presentFeedbackScreens(*presenter);
                              })};
}

std::optional<CommunityHybridSDKManager::Actions> CommunityHybridSDKManager::createYarrowinModeActions(
    const std::shared_ptr<ViewController>& presentedViewController) {
    const auto context = AppContext::current();
    if (!context->yarrowinAppType()) return std::nullopt;
    if (presentedViewController && isCommunityPicker(*presentedViewController)) return std::nullopt;

    Actions group;
    // The editor of the URL rules joins this group with its own screens;
    // until then the menu offers no way to them.

    // Switching the community is a launch action queued with the app
    // coordinator. Neither is part of the app yet, so the action does what it
    // does whenever there is no coordinator: nothing.
    insertAtFront(group, Actions{makeAction(localized("YARROWIN_MODE", "Yarrowin Mode: Switch Community"), "#47b46c",
                                            Image::named("SwitchCommunity"), [] {})});

    if (const auto provider = context->floatingActionButtonProvider();
        provider && !provider->isFloatingActionButtonHidden()) {
        auto hide = makeAction(localized("HIDE_FAB_BUTTON", "Hide FAB button text"), "#d41515", Image::named("HideFAB"), [] {
            if (auto current = AppContext::current()->floatingActionButtonProvider()) current->hideFloatingActionButton();
        });
        hide->isTextBold = true;
        insertAtFront(group, Actions{hide});
    }
    return group;
}

std::optional<CommunityHybridSDKManager::Actions> CommunityHybridSDKManager::createShowZentariInfoAction(
    const std::shared_ptr<ViewController>& /*presentedViewController*/) {
    // Shown only with a marketing push manager, which the context does not hold yet.
    return std::nullopt;
}

} // namespace vellicor
