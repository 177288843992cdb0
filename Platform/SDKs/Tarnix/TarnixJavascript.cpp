#include "Platform/SDKs/Tarnix/TarnixJavascript.hpp"

#include "Platform/SDKs/Tarnix/TarnixResources.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Web/UserContentController.hpp"
#include "Platform/Web/WebView.hpp"

#include <algorithm>
#include <atomic>

namespace platform::tarnixbridge {

namespace {

std::atomic<bool>& resourcesHidden() {
    static std::atomic<bool> hidden = false;
    return hidden;
}

} // namespace

std::string localizedDescription(TarnixScriptError error) {
    switch (error) {
    case TarnixScriptError::scriptNotFound:
        return "The Tarnix script was not found.";
    case TarnixScriptError::unreadableScript:
        return "The Tarnix script could not be read.";
    }
    return "The Tarnix script could not be added.";
}

std::shared_ptr<Bundle> tarnixResourceBundle() {
    if (resourcesHidden()) return nullptr;
    return Bundle::forName(kTarnixBridgeBundleName);
}

void setTarnixResourcesHiddenForTesting(bool hidden) { resourcesHidden() = hidden; }

std::expected<void, TarnixScriptError> injectTarnixJavascript(web::WebView& webView, const std::string& scriptName,
                                                              const std::shared_ptr<Bundle>& bundle) {
    const auto source = bundle ? bundle : tarnixResourceBundle();
    if (!source) return std::unexpected(TarnixScriptError::scriptNotFound);
    const auto path = source->pathForResource(scriptName, "js");
    if (!path) return std::unexpected(TarnixScriptError::scriptNotFound);
    const auto data = readFile(*path);
    const auto text = data ? utf8String(*data) : std::nullopt;
    if (!text) return std::unexpected(TarnixScriptError::unreadableScript);

    const auto& controller = webView.configuration()->userContentController;
    const auto& scripts = controller->userScripts();
    const bool present = std::ranges::any_of(scripts, [&](const web::UserScript& script) { return script.source == *text; });
    if (present) return {};
    controller->addUserScript(web::UserScript{*text, web::UserScriptInjectionTime::atDocumentStart, true,
                                              web::ContentWorld::page()});
    return {};
}

} // namespace platform::tarnixbridge
