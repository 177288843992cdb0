#include "Platform/Foundation/Json.hpp"

#include <cmath>
#include <limits>

namespace platform {

namespace {

// Whether brackets nest deeper than the limit anywhere outside string
// literals. Malformed text is left to the parser; this only has to be right
// for text the parser would accept.
bool nestsTooDeep(std::string_view text) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > kJsonMaximumDepth) {
                return true;
            }
            break;
        case ']':
        case '}':
            if (depth > 0) {
                --depth;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

} // namespace

std::optional<bool> asBool(const Json& value) {
    if (!value.is_boolean()) {
        return std::nullopt;
    }
    return value.get<bool>();
}

std::optional<std::string> asString(const Json& value) {
    if (!value.is_string()) {
        return std::nullopt;
    }
    return value.get_ref<const std::string&>();
}

std::optional<double> asDouble(const Json& value) {
    // is_number() is false for Booleans.
    if (!value.is_number()) {
        return std::nullopt;
    }
    return value.get<double>();
}

std::optional<std::int64_t> asInt(const Json& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        // -2^63 is exact as a double; 2^63 is the first value out of range.
        constexpr double lower = -9223372036854775808.0;
        constexpr double upper = 9223372036854775808.0;
        if (!std::isfinite(number) || std::trunc(number) != number || number < lower || number >= upper) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> asStringArray(const Json& value) {
    if (!value.is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> strings;
    strings.reserve(value.size());
    for (const auto& element : value) {
        if (!element.is_string()) {
            return std::nullopt;
        }
        strings.push_back(element.get_ref<const std::string&>());
    }
    return strings;
}

const Json* asObject(const Json& value) { return value.is_object() ? &value : nullptr; }

const Json* asArray(const Json& value) { return value.is_array() ? &value : nullptr; }

const Json* jsonValue(const Json& object, std::string_view key) {
    if (!object.is_object()) {
        return nullptr;
    }
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<bool> jsonBool(const Json& object, std::string_view key) {
    const Json* value = jsonValue(object, key);
    return value ? asBool(*value) : std::nullopt;
}

std::optional<std::string> jsonString(const Json& object, std::string_view key) {
    const Json* value = jsonValue(object, key);
    return value ? asString(*value) : std::nullopt;
}

std::optional<double> jsonDouble(const Json& object, std::string_view key) {
    const Json* value = jsonValue(object, key);
    return value ? asDouble(*value) : std::nullopt;
}

std::optional<std::int64_t> jsonInt(const Json& object, std::string_view key) {
    const Json* value = jsonValue(object, key);
    return value ? asInt(*value) : std::nullopt;
}

std::optional<std::vector<std::string>> jsonStringArray(const Json& object, std::string_view key) {
    const Json* value = jsonValue(object, key);
    return value ? asStringArray(*value) : std::nullopt;
}

const Json* jsonObject(const Json& object, std::string_view key) {
    const Json* value = jsonValue(object, key);
    return value ? asObject(*value) : nullptr;
}

const Json* jsonArray(const Json& object, std::string_view key) {
    const Json* value = jsonValue(object, key);
    return value ? asArray(*value) : nullptr;
}

std::optional<Json> parseJson(std::string_view text) {
    if (nestsTooDeep(text)) {
        return std::nullopt;
    }
    try {
        Json value = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
        if (value.is_discarded()) {
            return std::nullopt;
        }
        return value;
    } catch (const std::exception&) {
        // The parser reports malformed text through the discarded value; this
        // only guards against allocation failures and the like.
        return std::nullopt;
    }
}

std::optional<Json> parseJson(const Data& data) {
    return parseJson(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

std::string serializeJson(const Json& value, bool pretty) {
    return value.dump(pretty ? 2 : -1, ' ', /*ensure_ascii=*/false, Json::error_handler_t::replace);
}

} // namespace platform
