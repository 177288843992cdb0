#include "Platform/SDKs/Veltrane/UrlAdditions.hpp"

namespace platform::veltrane {

std::optional<std::string> valueForParameterName(const platform::Url& url, std::string_view name) {
    auto components = UrlComponents::fromUrl(url);
    if (!components) return std::nullopt;
    auto items = components->queryItems();
    if (!items) return std::nullopt;
    for (const auto& item : *items) {
        if (item.name == name) return item.value;
    }
    return std::nullopt;
}

} // namespace platform::veltrane
