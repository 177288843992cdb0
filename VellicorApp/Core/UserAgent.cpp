#include "VellicorApp/Core/UserAgent.hpp"

#include "Platform/Web/WebView.hpp"

#include <charconv>
#include <cstdint>
#include <string_view>

namespace vellicor {

std::string UserAgent::safariWebKitVersion() {
    const auto bundle = platform::web::WebView::bundle();
    if (!bundle) return {};
    const auto value = bundle->objectForInfoDictionaryKey("CFBundleShortVersionString");
    if (!value || !value->is_string()) return {};
    std::string_view text = value->get_ref<const std::string&>();
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::int64_t version = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return {};
    return "Safari/" + std::to_string(version % 1000);
}

} // namespace vellicor
