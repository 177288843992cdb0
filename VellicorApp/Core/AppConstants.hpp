#pragma once

#include "Platform/UI/Color.hpp"
#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace vellicor {

namespace AppConstants {

/// The app's reverse-DNS name: the prefix of its shortcut types, key labels
/// and queue labels.
inline constexpr const char* kReverseDNSPrefix = "com.vellicor.app";

namespace Environment {
/// Whether the process runs under unit tests: the environment holds
/// "IS_UNIT_TESTING" with the value "1". Read once.
bool isUnitTesting();
} // namespace Environment

} // namespace AppConstants

/// The preview edition's app types.
enum class YarrowinAppType { preSale };

/// The type of a raw value ("preSale"); none for any other text.
std::optional<YarrowinAppType> yarrowinAppTypeFromRawValue(std::string_view rawValue);
std::string_view rawValue(YarrowinAppType type);

/// The request methods of the app's REST and HTTP requests.
enum class HTTPMethod { get, post, head };

/// The SDK's REST method of a method (codes GET 0, POST 1, HEAD 4).
platform::veltrane::VQRestMethod vqMethod(HTTPMethod method);

namespace RestAPI {
/// The SDK's default REST API version, read once.
const std::string& version();
} // namespace RestAPI

namespace Accessibility {
/// The grey of "#747474", made once.
const platform::ui::Color& veltraneGray();
} // namespace Accessibility

} // namespace vellicor
