// The stored cookie file of a website data store (Netscape cookie-file
// lines), read back into a jar at launch. Property: the jar writes what it
// read in a form it reads back and writes the same, and every cookie it holds
// has a name and a domain (a line without an expiry, 0, is a session cookie).

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/HttpCookie.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpPlatform();
    const auto jar = platform::HttpCookieStorage::create();
    jar->loadCookiesText(fuzzsupport::text(data, size));
    const auto cookies = jar->cookies();
    const auto text = jar->persistentCookiesText();
    const auto again = platform::HttpCookieStorage::create();
    again->loadCookiesText(text);
    FUZZ_CHECK(fuzzsupport::lastingCookieLines(again->persistentCookiesText()) == fuzzsupport::lastingCookieLines(text));
    for (const auto& cookie : cookies) {
        FUZZ_CHECK(!cookie.name().empty() && !cookie.domain().empty());
    }
    fuzzsupport::endInput();
    return 0;
}
