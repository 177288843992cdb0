#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManaging.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// The SDK's persistent event store.
///
/// Each event is one JSON file (its stored form, see
/// VQSDKInstrumentationEvent::jsonRepresentation) named
/// "<sequence>-<event id>.json" in the store's folder, written atomically; the
/// zero-padded sequence number grows with every event, so the folder listing
/// gives the storing order and nothing written by one writer can overwrite
/// another's. A file that no longer decodes is removed when it is met.
///
/// The shared store lies in the sandbox's Application Support folder under
/// VeltraneAnalytics/EventStore and follows the sandbox when it changes.
/// All operations are synchronous and safe to call from any thread.
class PLATFORM_EXPORT VQSDKEventStoreManager : public VQSDKEventStoreManaging {
public:
    /// The one store of the process that every analytics manager uses.
    static std::shared_ptr<VQSDKEventStoreManager> sharedInstance();
    /// A store in a folder of its own (created on first use).
    static std::shared_ptr<VQSDKEventStoreManager> create(std::filesystem::path folder);

    void storeEvent(std::shared_ptr<const VQSDKInstrumentationEvent> event) override;
    std::optional<std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>> fetchAllEvents() override;
    void deleteEvents(const std::optional<std::vector<std::string>>& eventIds) override;
    void deleteAllEvents() override;

    /// How many events are stored.
    std::size_t numberOfEvents();
    /// The folder the events are in now; empty without a sandbox.
    std::filesystem::path storeFolder() const;

private:
    explicit VQSDKEventStoreManager(std::function<std::filesystem::path()> folder) : folder_(std::move(folder)) {}

    struct Entry {
        std::filesystem::path file;
        std::string eventId;
    };
    /// The folder, created if needed, and the next sequence number for it.
    std::optional<std::filesystem::path> prepare(std::uint64_t& sequence);
    std::vector<Entry> entries(const std::filesystem::path& folder) const;

    std::function<std::filesystem::path()> folder_;
    std::mutex mutex_;
    std::filesystem::path preparedFolder_;
    std::uint64_t nextSequence_ = 0;
};

} // namespace platform::veltrane
