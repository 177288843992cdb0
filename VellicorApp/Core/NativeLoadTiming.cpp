#include "VellicorApp/Core/NativeLoadTiming.hpp"

#include "Platform/UI/Application.hpp"

#include <memory>

namespace vellicor {

std::optional<double> applicationNativeLoadDuration() {
    const auto timing = std::dynamic_pointer_cast<NativeLoadTiming>(platform::ui::Application::shared().delegate());
    return timing ? timing->nativeLoadDuration() : std::nullopt;
}

} // namespace vellicor
