// The stored native navigation ("NativeNavigation/TabBarConfigModel.json",
// sealed under the app's key), read back at launch: the text after
// decryption. Property: storing again what was read reports no change.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Community/ConfigFileCache.hpp"
#include "VellicorApp/Community/TabBarModel.hpp"
#include "VellicorApp/Community/TabBarPersistentStore.hpp"
#include "VellicorApp/Core/DataEncryption.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/FileManager.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto sealed = vellicor::encrypted(platform::Data(data, data + size));
    FUZZ_CHECK(sealed.has_value());
    const vellicor::ConfigFileCache cache(platform::FileManager::defaultManager(), "NativeNavigation");
    FUZZ_CHECK(!cache.save("TabBarConfigModel", *sealed));
    const vellicor::TabBarPersistentStore store;
    if (const auto config = store.tabBarConfig()) {
        FUZZ_CHECK(config->is_object());
        (void)vellicor::TabBarModel::parseObject(*config);
        FUZZ_CHECK(!store.updateTabBarConfig(config));
    }
    fuzzsupport::endInput();
    return 0;
}
