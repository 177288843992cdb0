#include "Platform/SDKs/Veltrane/IdentityProviderEventCommands.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"
#include "Platform/SDKs/Veltrane/VQOAuthClient.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"
#include "Platform/UI/Application.hpp"
#include "Platform/UI/EventCommandRegistry.hpp"
#include "Platform/UI/EventDriver.hpp"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace platform::veltrane {

namespace {

using ui::EventDriver;
using ui::EventLine;
using Result = EventDriver::Result;

/// The latest start request the app opened, newest first.
std::optional<Url> latestStartRequest() {
    const auto& opened = ui::Application::shared().openedURLs();
    for (auto it = opened.rbegin(); it != opened.rend(); ++it) {
        if (valueForParameterName(it->url, VQUserAccountManager::kIdentityProviderCommandKey) ==
            VQUserAccountManager::kIdentityProviderInitiatedCommand) {
            return it->url;
        }
    }
    return std::nullopt;
}

/// The start request's URL without the items the SDK added: the service
/// provider's callback.
std::optional<Url> callbackOf(const Url& start) {
    auto components = UrlComponents::fromUrl(start);
    if (!components) return std::nullopt;
    auto items = components->queryItems().value_or(std::vector<UrlQueryItem>{});
    std::erase_if(items, [](const UrlQueryItem& item) {
        return item.name == VQUserAccountManager::kIdentityProviderCommandKey || item.name == "client_id" ||
               item.name == "state";
    });
    components->setQueryItems(items.empty() ? std::nullopt : std::optional(items));
    return components->url();
}

/// The app's first URL scheme, which its commands come in on.
std::string appScheme() {
    const auto types = Bundle::main()->objectForInfoDictionaryKey("CFBundleURLTypes");
    if (types && types->is_array() && !types->empty() && types->front().is_object() &&
        types->front().contains("CFBundleURLSchemes")) {
        const auto schemes = asStringArray(types->front().at("CFBundleURLSchemes"));
        if (schemes && !schemes->empty()) return schemes->front();
    }
    return "app";
}

Result spCommand(const EventLine& line, EventDriver& driver) {
    if (line.args[0] != "answer") return EventDriver::fail("usage: sp answer");
    if (auto launched = EventDriver::requireLaunched(); !launched) return launched;
    const auto start = latestStartRequest();
    if (!start) return EventDriver::fail("the app has opened no start request of a service provider's sign-in");
    const auto clientId = valueForParameterName(*start, "client_id");
    const auto state = valueForParameterName(*start, "state");
    const auto callback = callbackOf(*start);
    if (!clientId || !state || !callback) {
        return EventDriver::fail("the latest start request lacks a client or a state");
    }

    auto command = UrlComponents::parse(appScheme() + "://idp");
    if (!command) return EventDriver::fail("the app's URL scheme makes no URL");
    command->setQueryItems(std::vector<UrlQueryItem>{
        {VQUserAccountManager::kIdentityProviderCommandKey, VQUserAccountManager::kServiceProviderLoginCommand},
        {"client_id", *clientId},
        {"redirect_uri", callback->absoluteString()},
        {"code_challenge", VQOAuthClient::Pkce::make().challenge},
        {"state", *state},
    });
    const auto url = command->url();
    if (!url) return EventDriver::fail("the answer makes no URL");
    const bool handled = ui::Application::shared().openURL(*url);
    driver.out() << "sp answer: " << (handled ? "handled" : "not handled") << "\n";
    return {};
}

} // namespace

void registerIdentityProviderEventCommands(EventDriver& driver) {
    driver.registerCommand("sp", EventDriver::Command{"answer",
                                                      "a service-provider app answers the latest start request of "
                                                      "a sign-in the app started for it",
                                                      1, 1, spCommand});
}

namespace {
const ui::EventCommandRegistry::Area kIdentityProviderCommands{"identity-provider",
                                                               registerIdentityProviderEventCommands};
} // namespace

} // namespace platform::veltrane
