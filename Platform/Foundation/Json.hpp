#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// A decoded JSON value; an object stands for the platform's string-keyed
/// dictionary of any values.
using Json = nlohmann::json;

// Typed readers. Each gives a value only when the JSON value has that very
// type: a Boolean is never a number, a number is never a string, and a string
// of digits is never a number. None of them throws.

/// Only `true` or `false` (1 and "true" are not Booleans).
PLATFORM_EXPORT std::optional<bool> asBool(const Json& value);
/// Only strings ("60" is a string, 60 is not).
PLATFORM_EXPORT std::optional<std::string> asString(const Json& value);
/// Any number, integer or floating point; not Booleans.
PLATFORM_EXPORT std::optional<double> asDouble(const Json& value);
/// Integers that fit a 64-bit signed integer, and floating-point numbers
/// without a fractional part in that range (60.0 gives 60, 60.5 gives none);
/// not Booleans.
PLATFORM_EXPORT std::optional<std::int64_t> asInt(const Json& value);
/// Arrays whose every element is a string.
PLATFORM_EXPORT std::optional<std::vector<std::string>> asStringArray(const Json& value);
/// The value itself when it is an object (or an array); else null. The pointer
/// refers into `value`.
PLATFORM_EXPORT const Json* asObject(const Json& value);
PLATFORM_EXPORT const Json* asArray(const Json& value);
const Json* asObject(const Json&& value) = delete;
const Json* asArray(const Json&& value) = delete;

// Keyed readers: the value stored under `key` of a JSON object, read as
// above. A missing key, or a receiver that is not an object, gives none.

/// The value under `key`, of any type; null when missing. Points into `object`.
PLATFORM_EXPORT const Json* jsonValue(const Json& object, std::string_view key);
PLATFORM_EXPORT std::optional<bool> jsonBool(const Json& object, std::string_view key);
PLATFORM_EXPORT std::optional<std::string> jsonString(const Json& object, std::string_view key);
PLATFORM_EXPORT std::optional<double> jsonDouble(const Json& object, std::string_view key);
PLATFORM_EXPORT std::optional<std::int64_t> jsonInt(const Json& object, std::string_view key);
PLATFORM_EXPORT std::optional<std::vector<std::string>> jsonStringArray(const Json& object, std::string_view key);
/// The object (or array) under `key`; null when missing or of another type.
/// Points into `object`.
PLATFORM_EXPORT const Json* jsonObject(const Json& object, std::string_view key);
PLATFORM_EXPORT const Json* jsonArray(const Json& object, std::string_view key);
const Json* jsonValue(const Json&& object, std::string_view key) = delete;
const Json* jsonObject(const Json&& object, std::string_view key) = delete;
const Json* jsonArray(const Json&& object, std::string_view key) = delete;

/// Nesting deeper than this many arrays and objects is refused by the parser.
inline constexpr std::size_t kJsonMaximumDepth = 512;

/// Parses JSON text (UTF-8, an optional byte-order mark is skipped). Any
/// value is accepted at the top level, not only objects and arrays. None for
/// malformed text, invalid UTF-8, trailing garbage or nesting deeper than
/// kJsonMaximumDepth.
PLATFORM_EXPORT std::optional<Json> parseJson(std::string_view text);
PLATFORM_EXPORT std::optional<Json> parseJson(const Data& data);

/// JSON text of a value: compact, or pretty-printed with two-space indents.
/// Object keys come out sorted. Bytes in strings that are not valid UTF-8 are
/// written as U+FFFD; non-finite numbers as null.
PLATFORM_EXPORT std::string serializeJson(const Json& value, bool pretty = false);

} // namespace platform
