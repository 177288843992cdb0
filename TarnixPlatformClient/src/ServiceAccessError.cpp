#include "TarnixPlatformClient/ServiceAccessError.hpp"

namespace tarnix {

std::string localizedDescription(const ServiceAccessError& error) {
    if (const auto& text = error.description()) return *text;
    const int code = error.kind() == ServiceAccessError::ErrorKind::pluginNotEnabled ? 0 : 1;
    return "The operation couldn\u2019t be completed. (ServiceAccessError error " + std::to_string(code) + ".)";
}

} // namespace tarnix
