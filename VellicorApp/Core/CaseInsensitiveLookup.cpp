#include "VellicorApp/Core/CaseInsensitiveLookup.hpp"

#include "Platform/Foundation/Text.hpp"

namespace vellicor {

const platform::Json* valueForCaseInsensitiveKey(const platform::Json& dictionary, std::string_view key) {
    if (!dictionary.is_object()) return nullptr;
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it) {
        if (platform::caseInsensitiveCompare(it.key(), key) == 0) return &it.value();
    }
    return nullptr;
}

} // namespace vellicor
