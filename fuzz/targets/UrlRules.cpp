// URL rule lists (the app's configuration, the stored copy) and a link: the
// first line is the link, the rest the rules' dictionary. Property: the rules
// decode to what they encode to, and a link is classified the same twice,
// also through the running context.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Community/BundleManagedURLs.hpp"
#include "VellicorApp/Community/ManagedURLsMatcher.hpp"
#include "VellicorApp/Community/UrlClassification.hpp"
#include "VellicorApp/Core/Context.hpp"

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto context = fuzzsupport::setUpApp();
    const auto [link, rulesText] = fuzzsupport::firstLine(fuzzsupport::text(data, size));
    const auto dictionary = platform::parseJson(rulesText);
    if (!dictionary) return 0;
    using namespace vellicor;
    const auto rules = BundleManagedURLs::decode(*dictionary);
    FUZZ_CHECK(rules != nullptr);
    const auto encoded = rules->encode();
    FUZZ_CHECK(BundleManagedURLs::decode(encoded)->encode() == encoded);
    for (const auto& pattern : rules->withinApp()) {
        FUZZ_CHECK(isValidURL(pattern) == (isAbsoluteURL(pattern) || isRelativeURL(pattern)));
    }
    rules->setCommunityStartPage("https://community.example.test/s/");
    const auto matcher = rules->matcher();
    FUZZ_CHECK(matcher == rules->matcher());
    if (const auto components = platform::UrlComponents::parse(link)) {
        FUZZ_CHECK(matcher->match(*components) == matcher->match(*components));
    }
    if (const auto url = platform::Url::parse(link)) {
        const auto previous = context->managedURLs();
        context->setManagedURLs(rules);
        const auto type = isManagedURL(*url);
        FUZZ_CHECK(type == isManagedURL(*url));
        context->setManagedURLs(previous);
    }
    fuzzsupport::endInput();
    return 0;
}
