#include "ItemCount.hpp"

#include <charconv>
#include <string>
#include <string_view>

namespace tarnix::detail {

std::optional<std::uint32_t> itemCount(const platform::Json& value) {
    const std::string text = value.is_string() ? value.get<std::string>() : value.dump();
    std::string_view digits = text;
    if (digits.starts_with('+')) digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    std::uint32_t count = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), count, 10);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return count;
}

} // namespace tarnix::detail
