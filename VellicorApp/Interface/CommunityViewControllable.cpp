#include "VellicorApp/Interface/CommunityViewControllable.hpp"

namespace vellicor {

std::optional<State> stateFromRawValue(int rawValue) {
    if (rawValue < static_cast<int>(State::initialized) || rawValue > static_cast<int>(State::pageLoaded)) {
        return std::nullopt;
    }
    return static_cast<State>(rawValue);
}

} // namespace vellicor
