// The tab bar the web app describes in its bootstrap message. Property: the
// same dictionary gives the same tabs or the same error.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Community/TabBarModel.hpp"

#include "Platform/Foundation/Json.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto dictionary = platform::parseJson(fuzzsupport::text(data, size));
    if (!dictionary) return 0;
    const auto model = vellicor::TabBarModel::parseObject(*dictionary);
    const auto again = vellicor::TabBarModel::parseObject(*dictionary);
    FUZZ_CHECK(model.has_value() == again.has_value());
    if (model) FUZZ_CHECK(model->tabs.size() == again->tabs.size());
    fuzzsupport::endInput();
    return 0;
}
