// The platform's property-list reader (Info.plist, key-value defaults), XML
// and binary. Property: a value read, written in either format, reads back as
// a value written the same (compared written: a real may be NaN, which equals
// nothing).

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/PropertyList.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzzsupport::text(data, size);
    const auto format = platform::PropertyList::detectFormat(input);
    FUZZ_CHECK(format.has_value() == !input.empty());
    const auto value = platform::PropertyList::parse(input);
    if (!value) return 0;
    for (const auto written : {platform::PropertyListFormat::xml, platform::PropertyListFormat::binary}) {
        const auto bytes = platform::PropertyList::serialize(*value, written);
        // A value read has a property-list form, except strings with a NUL.
        if (!bytes) continue;
        const auto again = platform::PropertyList::parse(*bytes);
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(platform::PropertyList::serialize(*again, written).value_or(platform::Data{}) == *bytes);
    }
    return 0;
}
