// The platform's JSON reader (page messages, REST answers, stored files).
// Property: what it reads, written and read again, is the same value.

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/Json.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto value = platform::parseJson(fuzzsupport::text(data, size));
    if (!value) return 0;
    for (const bool pretty : {false, true}) {
        const auto again = platform::parseJson(platform::serializeJson(*value, pretty));
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(*again == *value);
    }
    return 0;
}
