#pragma once

#include "Platform/Foundation/HttpSession.hpp"
#include "Platform/Web/WebView.hpp"

#include <functional>
#include <memory>
#include <string>

namespace vellicor {

/// Detects the platform's "internal server error" page in a web view and
/// reports it to instrumentation.
struct InternalServerError {
    /// Reads the page's document; when it mentions "internal server error"
    /// (any letter case) logs the error marker with the status code and the
    /// page's support identifier, and answers true; otherwise false.
    static void check(const std::shared_ptr<platform::web::WebView>& webView, const platform::HttpResponse& response,
                      std::function<void(bool)> completionHandler = {});
    /// The first "<digits>-<digits> <blanks>(<digits>)" in the text; "" when none.
    static std::string parseSupportId(const std::string& text);
};

} // namespace vellicor
