#include "Platform/SDKs/Veltrane/VQOAuthError.hpp"

namespace platform::veltrane {

namespace {

nlohmann::json errorJson(const Error& error) {
    return {{"domain", error.domain}, {"code", error.code}, {"userInfo", error.userInfo}};
}

} // namespace

Error makeOAuthError(long code, std::string description, const std::optional<Error>& underlying) {
    nlohmann::json userInfo = {{std::string(kLocalizedDescriptionKey), std::move(description)}};
    if (underlying) userInfo[std::string(kUnderlyingErrorKey)] = errorJson(*underlying);
    return Error(std::string(kVQOAuthErrorDomain), code, std::move(userInfo));
}

} // namespace platform::veltrane
