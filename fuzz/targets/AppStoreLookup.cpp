// The store's lookup answer the update check decodes. Property: the same
// bytes decode the same way.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Shell/AppUpdateLookup.hpp"

#include "Platform/Foundation/Data.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const platform::Data body(data, data + size);
    const auto result = vellicor::AppUpdateNetworking::decodeITunes(body);
    const auto again = vellicor::AppUpdateNetworking::decodeITunes(body);
    FUZZ_CHECK(result == again);
    fuzzsupport::endInput();
    return 0;
}
