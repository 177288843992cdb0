// The platform's strings-file reader (localisation tables). Property: the
// same bytes give the same table or the same error.

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/StringsFile.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto input = fuzzsupport::text(data, size);
    const auto table = platform::StringsFile::parse(input);
    const auto again = platform::StringsFile::parse(input);
    FUZZ_CHECK(table.has_value() == again.has_value());
    if (table) FUZZ_CHECK(*table == *again);
    return 0;
}
