#include "VellicorApp/Interface/ImageResizing.hpp"

#include <algorithm>
#include <cmath>

namespace vellicor {

std::shared_ptr<platform::ui::Image> loadTabBarIcon(const std::optional<platform::Data>& data) {
    if (auto image = platform::ui::Image::fromData(data.value_or(platform::Data{}))) return image;
    return platform::ui::Image::systemNamed(kTabBarIconFallbackSymbol);
}

std::shared_ptr<platform::ui::Image> resize(const platform::ui::Image& image, platform::ui::Size size) {
    const auto positive = [](double value) { return std::isfinite(value) && value > 0; };
    const auto from = image.size();
    if (!positive(size.width) || !positive(size.height) || !positive(from.width) || !positive(from.height)) {
        return nullptr;
    }
    const double factor = std::min(size.width / from.width, size.height / from.height);
    const platform::ui::Size scaled{from.width * factor, from.height * factor};
    if (!positive(scaled.width) || !positive(scaled.height)) return nullptr;
    return image.resized(scaled);
}

} // namespace vellicor
