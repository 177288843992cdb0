// A URL that opens the app, read as an identity-provider command (a service
// provider asking this app to sign it in). Nobody is signed in and no screen
// can ask the user, so no command is carried out. Property: the command is
// answered exactly once, with an error.

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto url = platform::Url::parse(fuzzsupport::text(data, size));
    if (!url) return 0;
    int answers = 0;
    bool failed = false;
    platform::veltrane::VQUserAccountManager::sharedInstance()->handleIdentityProviderCommand(
        *url, platform::Json::object(), [&](platform::veltrane::VQAuthResult result) {
            ++answers;
            failed = !result.has_value();
        });
    fuzzsupport::endInput();
    FUZZ_CHECK(answers == 1);
    FUZZ_CHECK(failed);
    return 0;
}
