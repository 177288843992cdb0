#include "VellicorApp/Core/AppConstants.hpp"

#include "Platform/SDKs/Veltrane/ColorAdditions.hpp"

#include <cstdlib>
#include <cstring>

namespace vellicor {

bool AppConstants::Environment::isUnitTesting() {
    static const bool value = [] {
        const char* text = std::getenv("IS_UNIT_TESTING");
        return text != nullptr && std::strcmp(text, "1") == 0;
    }();
    return value;
}

std::optional<YarrowinAppType> yarrowinAppTypeFromRawValue(std::string_view rawValue) {
    if (rawValue == "preSale") return YarrowinAppType::preSale;
    return std::nullopt;
}

std::string_view rawValue(YarrowinAppType type) {
    switch (type) {
    case YarrowinAppType::preSale: return "preSale";
    }
    return "preSale";
}

platform::veltrane::VQRestMethod vqMethod(HTTPMethod method) {
    using platform::veltrane::VQRestMethod;
    switch (method) {
    case HTTPMethod::get: return VQRestMethod::GET;
    case HTTPMethod::post: return VQRestMethod::POST;
    case HTTPMethod::head: return VQRestMethod::HEAD;
    }
    return VQRestMethod::GET;
}

const std::string& RestAPI::version() {
    static const std::string value = platform::veltrane::kVQRestDefaultAPIVersion;
    return value;
}

const platform::ui::Color& Accessibility::veltraneGray() {
    static const platform::ui::Color color =
        platform::veltrane::colorFromHexValue("#747474").value_or(platform::ui::Color::rgba(116.0 / 255, 116.0 / 255, 116.0 / 255));
    return color;
}

} // namespace vellicor
