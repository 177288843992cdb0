#include "VellicorApp/Core/ErrorMessages.hpp"

#include "VellicorApp/Core/Localization.hpp"

#include "Platform/Foundation/Json.hpp"

#include <algorithm>

namespace vellicor {

std::string messageString(const platform::Error& error) {
    const auto* list = platform::jsonArray(error.userInfo, "error");
    if (list == nullptr || list->empty() ||
        !std::all_of(list->begin(), list->end(), [](const platform::Json& entry) { return entry.is_object(); })) {
        return error.localizedDescription();
    }
    const auto& first = list->front();
    if (first.empty() || !first.contains("errorCode")) return error.localizedDescription();
    if (platform::jsonString(first, "errorCode") == "DUPLICATES_DETECTED") {
        return localized("DUPLICATES_DETECTED", "Duplicate record found.");
    }
    if (auto message = platform::jsonString(first, "message")) return *message;
    return error.localizedDescription();
}

} // namespace vellicor
