#pragma once

#include "Platform/Foundation/Json.hpp"

#include <string_view>

namespace vellicor {

/// The value of the first key of a string-keyed dictionary, in the
/// dictionary's own order, that equals `key` ignoring case; null when none
/// does or the value is no dictionary. An exact match is not preferred over an
/// earlier key that differs only in case. Points into `dictionary`.
const platform::Json* valueForCaseInsensitiveKey(const platform::Json& dictionary, std::string_view key);
const platform::Json* valueForCaseInsensitiveKey(const platform::Json&& dictionary, std::string_view key) = delete;

} // namespace vellicor
