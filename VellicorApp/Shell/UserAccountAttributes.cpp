#include "VellicorApp/Shell/UserAccountAttributes.hpp"

#include "Platform/Foundation/Text.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccount.hpp"

#include <charconv>
#include <cstdint>
#include <limits>

namespace vellicor {

namespace {
constexpr std::int64_t kMillisecondsPerMinute = 60'000;
} // namespace

std::optional<std::string> getCustomAttribute(const platform::veltrane::VQUserAccount& account, std::string_view name) {
    const auto idData = account.idData();
    if (!idData || !idData->customAttributes) return std::nullopt;
    const auto& attributes = *idData->customAttributes;
    for (const auto& [key, value] : attributes) {
        if (!key.is_string()) return std::nullopt;
    }
    for (const auto& [key, value] : attributes) {
        if (!platform::caseInsensitiveEquals(key.get_ref<const std::string&>(), name)) continue;
        if (!value.is_string()) return std::nullopt;
        return value.get<std::string>();
    }
    return std::nullopt;
}

bool isBiometricsEnabled(const platform::veltrane::VQUserAccount& account) {
    const auto value = getCustomAttribute(account, "ENABLE_BIOMETRICS_UNLOCK");
    return value && platform::caseInsensitiveEquals(*value, "TRUE");
}

double biometricTimeout(const platform::veltrane::VQUserAccount& account) {
    const auto value = getCustomAttribute(account, "REQUIRE_BIOMETRICS_AFTER");
    if (!value || value->empty()) return kDefaultBiometricTimeout;
    std::string_view text = *value;
    if (text.front() == '+') text.remove_prefix(1);
    std::int64_t minutes = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), minutes);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return kDefaultBiometricTimeout;
    // Minutes whose milliseconds leave a 64-bit integer are no real setting.
    constexpr auto limit = std::numeric_limits<std::int64_t>::max() / kMillisecondsPerMinute;
    if (minutes > limit || minutes < -limit) return kDefaultBiometricTimeout;
    return static_cast<double>(minutes * kMillisecondsPerMinute);
}

} // namespace vellicor
