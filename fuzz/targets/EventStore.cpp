// The SDK's stored instrumentation events (a batch file of the event store,
// one event per line), read when the app hands them to a page, and the page's
// answer to that hand-over: the first line is the answer (a transaction ID),
// the rest the batch file. Property: the events read are the events handed
// out; a confirmed transaction deletes exactly its events, and an unknown one
// deletes none.

#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/Instrumentation/CommunityEventStoreManager.hpp"

#include "Platform/Foundation/Data.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEvent.hpp"

#include <filesystem>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::setUpApp();
    const auto [answer, batch] = fuzzsupport::firstLine(fuzzsupport::text(data, size));
    using platform::veltrane::VQSDKEventStoreManager;
    static const auto folder = fuzzsupport::scratchFolder() / "events";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    auto& files = platform::FileManager::defaultManager();
    FUZZ_CHECK(files.createDirectory(folder).has_value());
    FUZZ_CHECK(files.writeAtomically(folder / "00000000000000000001.jsonl", platform::dataFromString(batch)).has_value());

    const auto store = VQSDKEventStoreManager::create(folder);
    const auto events = store->fetchAllEvents();
    const auto count = events ? events->size() : 0;
    FUZZ_CHECK(store->numberOfEvents() == count);
    const auto manager = vellicor::CommunityEventStoreManager::create(store);
    const auto payload = manager->payload("transaction");
    FUZZ_CHECK(payload.has_value() == (count > 0));
    if (payload) FUZZ_CHECK(manager->store().at("transaction").size() == count);
    manager->deleteEvents(std::string(answer));
    FUZZ_CHECK(store->numberOfEvents() == (answer == "transaction" ? 0 : count));
    std::filesystem::remove_all(folder, ignored);
    fuzzsupport::endInput();
    return 0;
}
