// An org's sign-in configuration, read from its custom domain.

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKAuthConfigUtil.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpPlatform();
    const auto document = platform::parseJson(fuzzsupport::text(data, size));
    if (!document) return 0;
    const auto configuration = platform::veltrane::VQOAuthOrgAuthConfiguration::fromJson(*document);
    FUZZ_CHECK((configuration != nullptr) == document->is_object());
    if (!configuration) return 0;
    (void)configuration->loginPageUrl();
    (void)configuration->ssoUrls();
    (void)configuration->useNativeBrowserForAuthentication();
    fuzzsupport::endInput();
    return 0;
}
