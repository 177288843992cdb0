#include "VellicorApp/Core/UrlWithoutQuery.hpp"

namespace vellicor {

std::optional<std::string> absoluteStringWithoutQueryParam(const platform::Url& url) {
    auto components = platform::UrlComponents::fromUrl(url, /*resolvingAgainstBaseURL=*/false);
    if (!components) return std::nullopt;
    components->setQuery(std::nullopt);
    return components->string();
}

} // namespace vellicor
