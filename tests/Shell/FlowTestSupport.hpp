#pragma once

// Fakes for the tests of the start-up flows: a community screen that records
// what the shell asks of it, and a launch action that records its runs.

#include "VellicorApp/Core/LaunchActionable.hpp"
#include "VellicorApp/Interface/CommunityViewControllable.hpp"
#include "VellicorApp/Interface/CommunityViewControllerDelegate.hpp"

#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace flowtest {

/// A community screen with a state the test sets; it records every call the
/// shell makes as a line ("openURL <url>", "openRecord <id>",
/// "refreshNotifications", "sendKORVALogs", "refreshUserCredentials") and
/// keeps the completion of a credential refresh for the test to answer.
class FakeCommunityScreen : public platform::ui::ViewController, public vellicor::CommunityViewControllable {
public:
    FakeCommunityScreen() : CommunityViewControllable(static_cast<platform::ui::ViewController&>(*this)) {}

    static std::shared_ptr<FakeCommunityScreen> make(vellicor::State state = vellicor::State::initialized) {
        auto screen = platform::ui::makeController<FakeCommunityScreen>();
        screen->currentState = state;
        return screen;
    }

    std::shared_ptr<vellicor::CommunityViewControllerDelegate> hybridAppDelegate() const override {
        return delegate.lock();
    }
    void setHybridAppDelegate(const std::shared_ptr<vellicor::CommunityViewControllerDelegate>& value) override {
        delegate = value;
    }
    vellicor::State state() const override { return currentState; }
    std::shared_ptr<platform::web::WebView> hybridAppWebView() const override { return nullptr; }
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> hybridWebViewConfig() const override { return nullptr; }
    void openURL(const platform::Url& url) override { calls.push_back("openURL " + url.absoluteString()); }
    void openRecord(const std::string& recordId) override { calls.push_back("openRecord " + recordId); }
    void refreshNotifications() override { calls.push_back("refreshNotifications"); }
    void sendKORVALogs() override { calls.push_back("sendKORVALogs"); }
    void refreshUserCredentials(
        const std::optional<platform::Url>& pageURL,
        std::function<void(std::optional<std::string>, std::optional<platform::Error>)> completion) override {
        calls.push_back("refreshUserCredentials" + (pageURL ? " " + pageURL->absoluteString() : std::string()));
        credentialRefreshes.push_back(std::move(completion));
    }
    std::string typeName() const override { return "FakeCommunityScreen"; }

    /// The web app reports a loaded page: the state becomes pageLoaded and the
    /// delegate, when there still is one, hears of it.
    void loadPage() {
        currentState = vellicor::State::pageLoaded;
        if (const auto listener = delegate.lock()) listener->webAppDidLoadPage(self());
    }
    /// The web app reports its bootstrap (the state becomes bootstrapped).
    void bootstrap(std::optional<platform::Json> metadata = std::nullopt) {
        currentState = vellicor::State::bootstrapped;
        if (const auto listener = delegate.lock()) listener->webAppDidBootstrap(self(), metadata);
    }

    std::shared_ptr<vellicor::CommunityViewControllable> self() {
        return std::dynamic_pointer_cast<vellicor::CommunityViewControllable>(shared_from_this());
    }

    vellicor::State currentState = vellicor::State::initialized;
    std::weak_ptr<vellicor::CommunityViewControllerDelegate> delegate;
    std::vector<std::string> calls;
    std::vector<std::function<void(std::optional<std::string>, std::optional<platform::Error>)>> credentialRefreshes;
};

/// A launch action that counts its runs; it completes at once (having taken
/// effect, unless `tookEffect` says otherwise) unless told to hold its
/// completion for the test to call.
class FakeAction : public vellicor::LaunchActionable {
public:
    explicit FakeAction(bool requiresWebApp, bool holdsCompletion = false)
        : requiresWebApp(requiresWebApp), holdsCompletion(holdsCompletion) {}

    bool requiresWebAppBootstrap() const override { return requiresWebApp; }
    void execute(Completion completion) override {
        ++runs;
        if (holdsCompletion) {
            held = std::move(completion);
        } else if (completion) {
            completion(tookEffect);
        }
    }

    const bool requiresWebApp;
    const bool holdsCompletion;
    bool tookEffect = true;
    int runs = 0;
    Completion held;
};

} // namespace flowtest
