// The stored community files read back at launch (the selected community,
// the list of added sites, the boot configuration), each given the input.
// Property: a selected community read, stored again, reads back equal.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Community/CommunityConfigFilePersistentStore.hpp"
#include "VellicorApp/Community/CommunityConfigList.hpp"
#include "VellicorApp/Community/CommunityConfigModel.hpp"
#include "VellicorApp/Core/AppMode.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const platform::Data bytes(data, data + size);
    using namespace vellicor;
    const CommunityConfigFilePersistentStore store(AppMode::normal);
    const auto paths = appConfigPath(AppMode::normal);
    const auto& cache = store.configFileCache();
    FUZZ_CHECK(!cache.save(paths.selectedCommunity, bytes));
    FUZZ_CHECK(!cache.save(paths.selectedCommunity + "List", bytes));
    FUZZ_CHECK(!cache.save(paths.bootConfig, bytes));
    if (const auto list = store.getCustomCommunitiesList()) {
        const auto encoded = list->encode();
        FUZZ_CHECK(CommunityConfigList::decode(encoded)->encode() == encoded);
    }
    if (const auto config = store.getConfigFile()) (void)config->configDict();
    if (const auto model = store.getSelectedCommunity()) {
        store.updateConfigFiles(model);
        const auto again = store.getSelectedCommunity();
        FUZZ_CHECK(again != nullptr);
        FUZZ_CHECK(*again == *model);
    }
    fuzzsupport::endInput();
    return 0;
}
