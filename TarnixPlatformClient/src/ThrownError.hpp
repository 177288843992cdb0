#pragma once

#include <exception>
#include <string>

namespace tarnix::detail {

/// The localized description of a thrown value (library-internal).
std::string describeThrown(std::exception_ptr error);

} // namespace tarnix::detail
