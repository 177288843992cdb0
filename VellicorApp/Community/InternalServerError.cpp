#include "VellicorApp/Community/InternalServerError.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include "Platform/Foundation/Text.hpp"

namespace vellicor {

std::string InternalServerError::parseSupportId(const std::string& text) {
    // A match starts only where a run of digits starts (the leftmost match
    // always does), and no run is given back once read, so the search reads
    // the page a bounded number of times however many digits it holds.
    static const platform::Regex supportId =
        platform::Regex::make(R"((?<![0-9])[0-9]++-[0-9]++\s++\([0-9]++\))").value();
    const auto match = supportId.firstMatch(text);
    if (!match) return {};
    const auto range = match->range();
    return text.substr(range.location, range.length);
}

void InternalServerError::check(const std::shared_ptr<platform::web::WebView>& webView,
                                const platform::HttpResponse& response, std::function<void(bool)> completionHandler) {
    if (!webView) {
        if (completionHandler) completionHandler(false);
        return;
    }
    const int statusCode = response.statusCode();
    webView->evaluateJavaScript(
        "document.documentElement.outerHTML",
        [statusCode, completionHandler](std::optional<platform::Json> result, std::optional<platform::Error>) {
            const auto page = result ? platform::asString(*result) : std::nullopt;
            if (!page || platform::lowercased(*page).find("internal server error") == std::string::npos) {
                if (completionHandler) completionHandler(false);
                return;
            }
            const auto center = AppContext::current()->korvaMarkerCenter;
            if (center) {
                center->logError(KORVAMarkerName::internalServerErrorDisplayed, KORVAErrorType::error,
                                 platform::Json{{"statusCode", statusCode}, {"supportId", parseSupportId(*page)}});
            }
            if (completionHandler) completionHandler(true);
        });
}

} // namespace vellicor
