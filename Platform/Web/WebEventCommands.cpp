#include "Platform/Web/WebEventCommands.hpp"

#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/ViewDump.hpp"
#include "Platform/UI/Window.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <vector>

namespace platform::web {

namespace {

using Result = ui::EventDriver::Result;

std::unexpected<std::string> fail(std::string message) { return std::unexpected(std::move(message)); }

constexpr const char* kUsage =
    "post HANDLER JSON [--frame main|sub] [--origin URL] [--world NAME] [--off-screen] | "
    "navigate URL [--new-window] [--form] | "
    "respond TEXT JSON | respond TEXT --error MESSAGE [--code N] | respond --clear | scripts | cookies";

/// A visible web view under `view`, front-most first (later subviews before
/// earlier ones, a subview before its superview).
std::shared_ptr<WebView> findWebView(const std::shared_ptr<ui::View>& view) {
    if (view->isHidden || view->alpha <= 0) {
        return nullptr;
    }
    const auto& subviews = view->subviews();
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        if (auto found = findWebView(*it)) {
            return found;
        }
    }
    return std::dynamic_pointer_cast<WebView>(view);
}

/// The web view made last among those with a loaded page in no window: a
/// screen the app has loaded before it shows it.
std::shared_ptr<WebView> latestOffScreenWebView() {
    const auto views = WebView::liveWebViews();
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        if (!(*it)->window() && (*it)->url()) return *it;
    }
    return nullptr;
}

/// Splits trailing "--name value" options (and flags) off a text whose head is
/// a JSON value. Option values hold no spaces.
std::map<std::string, std::string> takeTrailingOptions(std::string& text, const std::vector<std::string>& withValue,
                                                       const std::vector<std::string>& flags) {
    std::map<std::string, std::string> options;
    auto isOne = [](const std::vector<std::string>& names, std::string_view word) {
        return std::find(names.begin(), names.end(), word) != names.end();
    };
    while (true) {
        auto end = text.find_last_not_of(" \t");
        if (end == std::string::npos) break;
        text.resize(end + 1);
        auto lastSpace = text.find_last_of(" \t");
        std::string last = lastSpace == std::string::npos ? text : text.substr(lastSpace + 1);
        if (isOne(flags, last)) {
            options[last] = "";
            text.resize(lastSpace == std::string::npos ? 0 : lastSpace);
            continue;
        }
        if (lastSpace == std::string::npos) break;
        auto head = text.substr(0, lastSpace);
        auto headEnd = head.find_last_not_of(" \t");
        if (headEnd == std::string::npos) break;
        head.resize(headEnd + 1);
        auto nameSpace = head.find_last_of(" \t");
        std::string name = nameSpace == std::string::npos ? head : head.substr(nameSpace + 1);
        if (!isOne(withValue, name)) break;
        options[name] = last;
        text.resize(nameSpace == std::string::npos ? 0 : nameSpace);
    }
    return options;
}

/// The command's state, owned by the driver's command table: replies printed
/// after the command has returned reach the driver only while it exists.
struct PageCommandState {
    ui::EventDriver* driver = nullptr;
    struct ScriptedReply {
        std::string match;
        JavaScriptReply reply;
    };
    std::mutex mutex;
    std::vector<ScriptedReply> replies;

    std::optional<JavaScriptReply> answer(const JavaScriptCall& call) {
        std::lock_guard lock(mutex);
        for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
            if (call.script.find(it->match) != std::string::npos) {
                return it->reply;
            }
        }
        return std::nullopt;
    }
};

/// The last word of `text` when it looks like an option ("--name"): what is
/// left after the known options were taken off, so an unknown one.
std::optional<std::string> trailingUnknownOption(const std::string& text) {
    const auto lastSpace = text.find_last_of(" \t");
    const std::string last = lastSpace == std::string::npos ? text : text.substr(lastSpace + 1);
    if (last.starts_with("--")) return last;
    return std::nullopt;
}

Result postCommand(const ui::EventLine& line, const std::shared_ptr<PageCommandState>& state) {
    if (line.args.size() < 3) return fail(std::string("usage: page ") + kUsage);
    const std::string name = line.args[1];
    std::string text = line.raw(2);
    auto options = takeTrailingOptions(text, {"--frame", "--origin", "--world"}, {"--off-screen"});
    if (auto unknown = trailingUnknownOption(text)) {
        return fail("unknown option '" + *unknown +
                    "' (page post takes --frame main|sub, --origin URL, --world NAME, --off-screen)");
    }
    const bool offScreen = options.contains("--off-screen");
    auto body = parseJson(text);
    if (!body) return fail("not JSON: " + text);

    PageMessageOptions messageOptions;
    if (auto frame = options.find("--frame"); frame != options.end()) {
        if (frame->second != "main" && frame->second != "sub") return fail("--frame takes main or sub");
        messageOptions.isMainFrame = frame->second == "main";
    }
    if (auto origin = options.find("--origin"); origin != options.end()) {
        auto url = Url::parse(origin->second);
        if (!url || !url->scheme()) return fail("not a URL: " + origin->second);
        messageOptions.frameURL = *url;
    }
    if (auto world = options.find("--world"); world != options.end()) {
        messageOptions.world = world->second == "page" ? ContentWorld::page()
                               : world->second == "defaultClient" ? ContentWorld::defaultClient()
                                                                   : ContentWorld::world(world->second);
    }
    auto webView = offScreen ? latestOffScreenWebView() : frontMostWebView();
    if (!webView) return fail(offScreen ? "no web view is loaded off screen" : "no web view is shown");

    std::weak_ptr<PageCommandState> weak = state;
    // A refused message prints as such; the rejection its page gets is not printed again.
    auto refused = std::make_shared<bool>(false);
    auto delivery = webView->postScriptMessage(
        name, std::move(*body), messageOptions,
        [weak, name, refused](std::optional<Json> reply, std::optional<std::string> error) {
            auto current = weak.lock();
            if (*refused || !current || !current->driver) return;
            auto& out = current->driver->out();
            if (error) {
                out << "page post " << name << ": error " << ui::dumpQuoted(*error) << "\n";
            } else {
                out << "page post " << name << ": reply " << serializeJson(reply.value_or(Json())) << "\n";
            }
        });
    auto& out = state->driver->out();
    switch (delivery) {
    case UserContentController::Delivery::noHandler: out << "page post " << name << ": no handler\n"; break;
    case UserContentController::Delivery::delivered: out << "page post " << name << ": delivered\n"; break;
    case UserContentController::Delivery::awaitingReply: break; // the reply prints when it comes
    case UserContentController::Delivery::refused:
        *refused = true;
        out << "page post " << name << ": refused\n";
        break;
    }
    return {};
}

Result navigateCommand(const ui::EventLine& line) {
    if (line.args.size() < 2) return fail(std::string("usage: page ") + kUsage);
    auto url = Url::parse(line.args[1]);
    if (!url || !url->scheme()) return fail("not a URL: " + line.args[1]);
    bool newWindow = false;
    auto type = NavigationType::linkActivated;
    for (std::size_t i = 2; i < line.args.size(); ++i) {
        if (line.args[i] == "--new-window") newWindow = true;
        else if (line.args[i] == "--form") type = NavigationType::formSubmitted;
        else return fail("unknown option '" + line.args[i] + "' (page navigate takes --new-window, --form)");
    }
    auto webView = frontMostWebView();
    if (!webView) return fail("no web view is shown");
    webView->followLink(*url, type, newWindow);
    return {};
}

Result respondCommand(const ui::EventLine& line, const std::shared_ptr<PageCommandState>& state) {
    if (line.args.size() == 2 && line.args[1] == "--clear") {
        std::lock_guard lock(state->mutex);
        state->replies.clear();
        return {};
    }
    if (line.args.size() < 3) return fail(std::string("usage: page ") + kUsage);
    PageCommandState::ScriptedReply scripted;
    scripted.match = line.args[1];
    if (scripted.match.empty()) return fail("page respond needs a text to match");
    if (line.args[2] == "--error") {
        if (line.args.size() < 4) return fail("page respond TEXT --error MESSAGE [--code N]");
        std::string text = line.raw(3);
        auto options = takeTrailingOptions(text, {"--code"}, {});
        long code = WKError::javaScriptExceptionOccurred;
        if (auto found = options.find("--code"); found != options.end()) {
            const auto& digits = found->second;
            auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
            if (ec != std::errc() || end != digits.data() + digits.size()) return fail("not a code: " + digits);
        }
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        Json userInfo = Json::object();
        userInfo[std::string(kLocalizedDescriptionKey)] = text;
        userInfo["WKJavaScriptExceptionMessage"] = text;
        scripted.reply.error = Error(std::string(kWKErrorDomain), code, std::move(userInfo));
    } else {
        std::string text = line.raw(2);
        auto value = parseJson(text);
        if (!value) return fail("not JSON: " + text);
        scripted.reply.value = std::move(*value);
    }
    std::lock_guard lock(state->mutex);
    state->replies.push_back(std::move(scripted));
    return {};
}

Result scriptsCommand(const std::shared_ptr<PageCommandState>& state) {
    auto webView = frontMostWebView();
    if (!webView) return fail("no web view is shown");
    auto& out = state->driver->out();
    for (const auto& call : webView->javaScriptJournal()) {
        out << "page script: ";
        if (call.kind == JavaScriptCall::Kind::evaluate) {
            out << "evaluate " << ui::dumpQuoted(call.script);
        } else {
            out << "callAsync " << ui::dumpQuoted(call.script) << " " << serializeJson(call.arguments);
        }
        if (!call.inMainFrame) out << " frame=sub";
        if (call.world != "page") out << " world=" << call.world;
        out << "\n";
    }
    return {};
}

Result cookiesCommand(const std::shared_ptr<PageCommandState>& state) {
    auto webView = frontMostWebView();
    auto store = webView ? webView->configuration()->websiteDataStore : WebsiteDataStore::defaultDataStore();
    auto& out = state->driver->out();
    for (const auto& cookie : store->httpCookieStore()->storage()->cookies()) {
        out << "page cookie: " << cookie.name() << "=" << cookie.value() << " domain=" << cookie.domain()
            << " path=" << cookie.path();
        if (cookie.isSecure()) out << " secure";
        if (cookie.isHTTPOnly()) out << " httpOnly";
        if (cookie.isSessionOnly()) out << " session";
        out << "\n";
    }
    return {};
}

} // namespace

std::shared_ptr<WebView> frontMostWebView() {
    auto windows = ui::Window::visibleWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (auto found = findWebView(*it)) return found;
    }
    return nullptr;
}

void registerEventCommands(ui::EventDriver& driver) {
    auto state = std::make_shared<PageCommandState>();
    state->driver = &driver;
    std::weak_ptr<PageCommandState> weak = state;
    WebView::setFallbackJavaScriptResponder([weak](const JavaScriptCall& call) -> std::optional<JavaScriptReply> {
        if (auto current = weak.lock()) return current->answer(call);
        return std::nullopt;
    });
    driver.registerCommand(
        "page", ui::EventDriver::Command{
                    kUsage, "what the front-most web view's page does, and what calls into pages answer", 1, -1,
                    [state](const ui::EventLine& line, ui::EventDriver&) -> Result {
                        const auto& sub = line.args[0];
                        if (sub == "post") return postCommand(line, state);
                        if (sub == "navigate") return navigateCommand(line);
                        if (sub == "respond") return respondCommand(line, state);
                        if (sub == "scripts") return scriptsCommand(state);
                        if (sub == "cookies") return cookiesCommand(state);
                        return fail("unknown page command '" + sub + "'");
                    }});
}

namespace {
const ui::EventCommandRegistry::Area kPageCommands{"web", registerEventCommands};
} // namespace

} // namespace platform::web
