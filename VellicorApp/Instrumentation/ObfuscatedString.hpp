#pragma once

#include <string>
#include <string_view>

namespace vellicor {

/// The text with every user id masked: an id of 15 or 18 letters and digits
/// of the form "005" + 2 + "0" + 4 characters, then 5 kept characters and an
/// optional 3, matched without regard to case and also inside longer words,
/// becomes "[..." + the 5 kept characters + "]"
/// ("005ab0cdef12345xyz" and "005ab0cdef12345" both give "[...12345]").
///
/// The ids found are handled in the order they first appear; each replaces
/// every equal text (same letter case) left in the result, so a shorter id
/// also masks the start of a longer one that begins with it. Text without an
/// id comes back unchanged. Linear in the text's length. Thread-safe.
std::string obfuscatedString(std::string_view text);

} // namespace vellicor
