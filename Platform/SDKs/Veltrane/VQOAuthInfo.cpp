#include "Platform/SDKs/Veltrane/VQOAuthInfo.hpp"

namespace platform::veltrane {

VQOAuthInfo::VQOAuthInfo(int rawAuthType) {
    if (rawAuthType >= static_cast<int>(VQOAuthType::unknown) &&
        rawAuthType <= static_cast<int>(VQOAuthType::identityProvider)) {
        authType = static_cast<VQOAuthType>(rawAuthType);
    }
}

std::string VQOAuthInfo::authTypeDescription() const {
    switch (authType) {
    case VQOAuthType::webServer: return "webServer";
    case VQOAuthType::refresh: return "refresh";
    case VQOAuthType::identityProvider: return "identityProvider";
    case VQOAuthType::unknown: break;
    }
    return "unknown";
}

std::string VQOAuthInfo::description() const { return "<VQOAuthInfo authType=" + authTypeDescription() + ">"; }

} // namespace platform::veltrane
