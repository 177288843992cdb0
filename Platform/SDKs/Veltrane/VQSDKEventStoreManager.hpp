#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQSDKEventStoreManaging.hpp"

#include <condition_variable>
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
/// Events are kept in batch files named "<sequence>.jsonl" in the store's
/// folder, one event's stored form (see
/// VQSDKInstrumentationEvent::jsonRepresentation) per line. The zero-padded
/// sequence number grows with every file, so the folder listing gives the
/// storing order. A store also reads and deletes files of one event each,
/// "<sequence>-<event id>.json", which share the same numbering.
///
/// Durability: a store call returns once its events are on disk. Events that
/// arrive together (one storeEvents call, or calls from several threads while
/// a write is under way) go into one batch file: written beside its final
/// name, synced, renamed into place, then the folder is synced once. A kill at
/// any moment leaves each batch whole or absent. Deleting some of a file's
/// events rewrites the file the same way without them; deleting all of them
/// removes it. An event that no longer decodes is dropped (its file rewritten
/// or removed) when it is met; a file that cannot be read is kept.
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
    void storeEvents(std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>> events) override;
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
        std::uint64_t sequence = 0;
        /// The event of a one-event file; none for a batch file.
        std::optional<std::string> eventId;
    };
    /// An event waiting for its batch: its stored form and the folder it goes to.
    struct Pending {
        std::filesystem::path folder;
        std::string line;
    };

    std::vector<Entry> entries(const std::filesystem::path& folder) const;
    /// Writes the pending events, one batch file per folder. Only the writer
    /// of the moment calls it.
    void writeBatch(std::vector<Pending> batch);
    /// Writes one batch file into the folder and syncs the folder; false
    /// (after logging why) when it failed.
    bool writeBatchFile(const std::filesystem::path& folder, const std::string& text);
    /// Rewrites a batch file keeping only the lines `keep` accepts (given the
    /// decoded event, null for a line that does not decode); removes it when
    /// none are kept, and leaves it alone when all are. Returns the events kept.
    std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>> rewriteBatchFile(
        const std::filesystem::path& file,
        const std::function<bool(const std::shared_ptr<const VQSDKInstrumentationEvent>&)>& keep);

    std::function<std::filesystem::path()> folder_;

    /// Guards the batch being gathered and who writes.
    std::mutex mutex_;
    std::condition_variable batchWritten_;
    std::vector<Pending> pending_;
    /// The number of the batch pending_ will go out with, and of the last one written.
    std::uint64_t gatheringBatch_ = 1;
    std::uint64_t writtenBatch_ = 0;
    bool writing_ = false;
    /// The writer's: the folder it last wrote to and the next sequence number there.
    std::filesystem::path preparedFolder_;
    std::uint64_t nextSequence_ = 0;

    /// Held while an existing batch file is rewritten or removed.
    std::mutex rewriteMutex_;
};

} // namespace platform::veltrane
