// A link from outside (a universal link, a page's navigation, a push URL)
// classified by the app's origin and URL rules (the sample package's), and a
// typed or handed-back address made a URL. Property: every answer is the same
// when asked twice; a universal link's action holds its URL and, with no
// screen to open it in, completes once.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Shell/URLLinkAction.hpp"

#include "Platform/Foundation/Url.hpp"

#include <array>

namespace {

constexpr std::array<std::string_view, 4> kAddresses = {
    "community.example.test", "community.example.test:8443/site", "https://community.example.test/s/",
    "https://community.example.test/a/b/../c/"};

void classify(const platform::Url& url) {
    using namespace vellicor;
    FUZZ_CHECK(isManagedURL(url) == isManagedURL(url));
    FUZZ_CHECK(shouldTreatAsInternalWebAppLink(url) == shouldTreatAsInternalWebAppLink(url));
    FUZZ_CHECK(shouldTreatAsInternalCookieBrowserLink(url) == shouldTreatAsInternalCookieBrowserLink(url));
    FUZZ_CHECK(externalURLOptions(url) == externalURLOptions(url));
    (void)isHttpRequest(url);
    for (const auto address : kAddresses) {
        const bool internal = isInternalCommunityURL(url, address);
        FUZZ_CHECK(internal == isInternalCommunityURL(url, address));
        // A page of the community has its origin.
        if (internal) FUZZ_CHECK(isCommunityOrigin(url, address));
        if (isCommunityPage(url, address, "/gate/logout.vx")) FUZZ_CHECK(isCommunityOrigin(url, address));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto input = fuzzsupport::text(data, size);
    using namespace vellicor;
    if (const auto url = platform::Url::parse(input)) {
        classify(*url);
        const auto action = URLLinkAction::create(*url, nullptr);
        FUZZ_CHECK(action->url() == url);
        int completions = 0;
        action->execute([&](bool) { ++completions; });
        fuzzsupport::endInput();
        FUZZ_CHECK(completions == 1);
    }
    FUZZ_CHECK(isValidURL(input) == (isAbsoluteURL(input) || isRelativeURL(input)));
    (void)isBaseCommunityURL(input);
    if (const auto typed = validatedURL(input)) {
        FUZZ_CHECK(typed->scheme() == "https");
        classify(*typed);
    }
    if (const auto redirect = oAuthRedirectURL(input)) classify(*redirect);
    fuzzsupport::endInput();
    return 0;
}
