#include "Platform/SDKs/Veltrane/DictionaryAdditions.hpp"

#include <cmath>

namespace platform::veltrane {

namespace {

bool allNumbersFinite(const Json& value) {
    if (value.is_number_float()) return std::isfinite(value.get<double>());
    if (value.is_structured()) {
        for (const auto& element : value) {
            if (!allNumbersFinite(element)) return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::string> jsonStringFromDictionary(const Json& dictionary, bool prettyPrinted) {
    if (!dictionary.is_structured() || !allNumbersFinite(dictionary)) return std::nullopt;
    const std::string text = serializeJson(dictionary, prettyPrinted);
    // "/" occurs only inside strings in JSON text, so escaping every one is safe.
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '/') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace platform::veltrane
