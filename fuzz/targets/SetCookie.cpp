// A Set-Cookie header field. Transfers hand it to libcurl's cookie engine,
// and the cookie jar reads back the engine's cookie lines; here one engine
// handle takes the field and its lines go into a jar the same way a stored
// cookie file does. Property: the jar's persistent cookies, written and read
// into a new jar, are written the same.

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/HttpCookie.hpp"

#include <curl/curl.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpPlatform();
    const auto field = fuzzsupport::text(data, size);
    // libcurl takes a C string: a NUL ends the field, as on the wire.
    if (field.find('\0') != std::string_view::npos) return 0;
    static const bool initialized = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    FUZZ_CHECK(initialized);
    CURL* easy = curl_easy_init();
    FUZZ_CHECK(easy != nullptr);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    const std::string command = "Set-Cookie: " + std::string(field);
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, command.c_str());
    std::string lines;
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) == CURLE_OK) {
        for (auto* item = list; item != nullptr; item = item->next) {
            lines += item->data;
            lines += '\n';
        }
        curl_slist_free_all(list);
    }
    curl_easy_cleanup(easy);

    const auto jar = platform::HttpCookieStorage::create();
    jar->loadCookiesText(lines);
    (void)jar->cookies();
    const auto text = jar->persistentCookiesText();
    const auto again = platform::HttpCookieStorage::create();
    again->loadCookiesText(text);
    FUZZ_CHECK(fuzzsupport::lastingCookieLines(again->persistentCookiesText()) == fuzzsupport::lastingCookieLines(text));
    fuzzsupport::endInput();
    return 0;
}
