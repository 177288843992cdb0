#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::veltrane {
class VQUserAccount;
}

namespace vellicor {

/// The custom attribute of the account's identity data whose name equals
/// `name` ignoring case (the first such key in the server's order); none when
/// the account has no attributes, any key is not a string, no key matches or
/// the value is not a string.
std::optional<std::string> getCustomAttribute(const platform::veltrane::VQUserAccount& account, std::string_view name);

/// Whether the user's organisation turned the biometric lock on: the attribute
/// "ENABLE_BIOMETRICS_UNLOCK" equals "TRUE" ignoring case.
bool isBiometricsEnabled(const platform::veltrane::VQUserAccount& account);

/// The biometric lock's time in the background when the account sets none: 15 minutes.
inline constexpr double kDefaultBiometricTimeout = 900'000.0;

/// Milliseconds in the background after which the biometric lock asks again:
/// the attribute "REQUIRE_BIOMETRICS_AFTER" in whole minutes × 60000, else
/// (missing, not a whole decimal number, or too large) 900000 (15 minutes).
double biometricTimeout(const platform::veltrane::VQUserAccount& account);

} // namespace vellicor
