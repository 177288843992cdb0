// The key-value defaults file (a property list), read at launch. Property:
// every value reads through every typed getter, and the defaults, written
// and read again, hold the same values (compared as property lists: a real
// may be NaN, which equals nothing).

#include "fuzz/support/FuzzSupport.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/Foundation/UserDefaults.hpp"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpPlatform();
    static const auto file = fuzzsupport::scratchFolder() / "defaults.plist";
    static const auto copy = fuzzsupport::scratchFolder() / "copy.plist";
    auto& files = platform::FileManager::defaultManager();
    FUZZ_CHECK(files.writeAtomically(file, platform::Data(data, data + size)).has_value());
    nlohmann::json values;
    {
        const auto defaults = platform::UserDefaults::create(file);
        values = defaults->dictionaryRepresentation();
        FUZZ_CHECK(values.is_object());
        for (const auto& [key, value] : values.items()) {
            FUZZ_CHECK(defaults->objectForKey(key).has_value());
            (void)defaults->stringForKey(key);
            (void)defaults->boolForKey(key);
            (void)defaults->integerForKey(key);
            (void)defaults->doubleForKey(key);
        }
        std::error_code ignored;
        std::filesystem::remove(copy, ignored);
        const auto written = platform::UserDefaults::create(copy);
        for (const auto& [key, value] : values.items()) written->set(key, value);
        FUZZ_CHECK(written->synchronize());
    }
    const auto again = platform::UserDefaults::create(copy)->dictionaryRepresentation();
    FUZZ_CHECK(platform::PropertyList::serialize(again).value_or(platform::Data{}) ==
               platform::PropertyList::serialize(values).value_or(platform::Data{}));
    fuzzsupport::endInput();
    return 0;
}
