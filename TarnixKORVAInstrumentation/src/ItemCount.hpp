#pragma once

#include "Platform/Foundation/Json.hpp"

#include <cstdint>
#include <optional>

namespace tarnix::detail {

/// The item count of a task result value (library-internal): its text (a
/// string as it is, anything else as written in JSON) read as a base-10
/// unsigned 32-bit number. None for text that is empty, negative, a fraction
/// or too large.
std::optional<std::uint32_t> itemCount(const platform::Json& value);

} // namespace tarnix::detail
