#include "TarnixPlatformClient/TarnixPluginFailure.hpp"

namespace tarnix {

TarnixPluginFailure::~TarnixPluginFailure() = default;

std::optional<std::string> TarnixPluginFailure::errorDescription() const {
    return failureMessage() + " [" + failureCode() + "]";
}

platform::Json TarnixPluginFailure::encoded() const {
    return {{"failureCode", failureCode()}, {"failureMessage", failureMessage()}};
}

std::string TarnixPluginFailure::localizedDescription() const {
    if (auto text = errorDescription()) return *text;
    return "The operation couldn\u2019t be completed. (" + failureCode() + ")";
}

} // namespace tarnix
