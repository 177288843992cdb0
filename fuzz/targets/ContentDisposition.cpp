// The file name a server suggests in Content-Disposition, for a download.
// Property: the name is one path component that can be saved as a file and
// sent in a header.

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/HttpHeaders.hpp"
#include "Platform/Foundation/Url.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto url = *platform::Url::parse("https://community.example.test/files/report.pdf");
    const platform::HttpResponse response(url, 200, {{"Content-Disposition", std::string(fuzzsupport::text(data, size))}});
    const auto name = response.suggestedFilename();
    FUZZ_CHECK(!name.empty() && name != "." && name != "..");
    FUZZ_CHECK(name.find_first_of(std::string_view("/\\\r\n\0", 5)) == std::string::npos);
    return 0;
}
