#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <fmt/format.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <set>

namespace platform::veltrane {

namespace fs = std::filesystem;

namespace {

using EventPointer = std::shared_ptr<const VQSDKInstrumentationEvent>;

constexpr std::size_t kSequenceDigits = 20;
constexpr std::string_view kEventExtension = ".json";
constexpr std::string_view kBatchExtension = ".jsonl";

void logError(std::string_view message) {
    VQSDKLogger::sharedInstanceWithComponent(kVQAnalyticsComponentName)->e("VQSDKEventStoreManager", message);
}

std::optional<std::uint64_t> parseSequence(std::string_view digits) {
    std::uint64_t sequence = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), sequence);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return sequence;
}

struct ParsedName {
    std::uint64_t sequence;
    std::optional<std::string> eventId;
};

// "<20 digits>.jsonl" → sequence; "<20 digits>-<event id>.json" → sequence and id.
std::optional<ParsedName> parseFileName(std::string_view name) {
    if (name.size() == kSequenceDigits + kBatchExtension.size() && name.ends_with(kBatchExtension)) {
        const auto sequence = parseSequence(name.substr(0, kSequenceDigits));
        if (!sequence) return std::nullopt;
        return ParsedName{*sequence, std::nullopt};
    }
    if (name.size() <= kSequenceDigits + 1 + kEventExtension.size() || !name.ends_with(kEventExtension) ||
        name[kSequenceDigits] != '-') {
        return std::nullopt;
    }
    const auto sequence = parseSequence(name.substr(0, kSequenceDigits));
    if (!sequence) return std::nullopt;
    std::string id(name.substr(kSequenceDigits + 1, name.size() - kSequenceDigits - 1 - kEventExtension.size()));
    if (!VQSDKInstrumentationEvent::isValidEventId(id)) return std::nullopt;
    return ParsedName{*sequence, std::move(id)};
}

EventPointer decodeEvent(std::string_view text) {
    const auto json = parseJson(text);
    return json ? VQSDKInstrumentationEvent::fromJson(*json) : nullptr;
}

/// The lines of a batch file, empty ones left out.
std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto line = text.substr(0, end);
        if (!line.empty()) result.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return result;
}

std::string_view textOf(const Data& data) {
    return {reinterpret_cast<const char*>(data.data()), data.size()};
}

/// Makes a rename or removal in the folder durable.
std::expected<void, std::string> syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::unexpected(std::string(std::strerror(errno)));
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!synced) return std::unexpected(std::string(std::strerror(error)));
    return {};
}

} // namespace

std::shared_ptr<VQSDKEventStoreManager> VQSDKEventStoreManager::sharedInstance() {
    static auto* shared = new std::shared_ptr<VQSDKEventStoreManager>(new VQSDKEventStoreManager([] {
        const auto support = Sandbox::applicationSupportDirectory();
        return support.empty() ? fs::path{} : support / "VeltraneAnalytics" / "EventStore";
    }));
    return *shared;
}

std::shared_ptr<VQSDKEventStoreManager> VQSDKEventStoreManager::create(fs::path folder) {
    return std::shared_ptr<VQSDKEventStoreManager>(new VQSDKEventStoreManager([folder] { return folder; }));
}

fs::path VQSDKEventStoreManager::storeFolder() const { return folder_(); }

std::vector<VQSDKEventStoreManager::Entry> VQSDKEventStoreManager::entries(const fs::path& folder) const {
    std::vector<Entry> result;
    auto names = FileManager::defaultManager().contentsOfDirectory(folder);
    if (!names) return result;
    // The listing is sorted by name, and names start with the zero-padded sequence.
    for (const auto& name : *names) {
        if (auto parsed = parseFileName(name)) {
            result.push_back(Entry{folder / name, parsed->sequence, std::move(parsed->eventId)});
        }
    }
    return result;
}

void VQSDKEventStoreManager::storeEvent(EventPointer event) { storeEvents({std::move(event)}); }

void VQSDKEventStoreManager::storeEvents(std::vector<EventPointer> events) {
    std::vector<std::string> stored;
    stored.reserve(events.size());
    for (const auto& event : events) {
        if (!event) continue;
        if (!VQSDKInstrumentationEvent::isValidEventId(event->eventId)) {
            logError("Event not stored: its id is not valid.");
            continue;
        }
        stored.push_back(serializeJson(event->jsonRepresentation()));
    }
    if (stored.empty()) return;
    const fs::path folder = folder_();
    if (folder.empty()) {
        logError("Event not stored: there is no sandbox.");
        return;
    }

    // Group commit: the events join the batch being gathered; whoever finds no
    // write under way writes everything gathered so far, for all waiting
    // callers, and each caller returns once the batch holding its events is written.
    std::unique_lock lock(mutex_);
    const std::uint64_t batchNumber = gatheringBatch_;
    for (auto& line : stored) pending_.push_back(Pending{folder, std::move(line)});
    while (writtenBatch_ < batchNumber) {
        if (writing_) {
            batchWritten_.wait(lock);
            continue;
        }
        writing_ = true;
        std::vector<Pending> batch;
        batch.swap(pending_);
        const std::uint64_t writingBatch = gatheringBatch_++;
        lock.unlock();
        writeBatch(std::move(batch));
        lock.lock();
        writing_ = false;
        writtenBatch_ = writingBatch;
        batchWritten_.notify_all();
    }
}

void VQSDKEventStoreManager::writeBatch(std::vector<Pending> batch) {
    // Consecutive events for one folder share a file; a sandbox change in
    // between starts another.
    std::size_t begin = 0;
    while (begin < batch.size()) {
        const fs::path& folder = batch[begin].folder;
        std::string text;
        std::size_t end = begin;
        for (; end < batch.size() && batch[end].folder == folder; ++end) {
            text.append(batch[end].line).push_back('\n');
        }
        (void)writeBatchFile(folder, text);
        begin = end;
    }
}

bool VQSDKEventStoreManager::writeBatchFile(const fs::path& folder, const std::string& text) {
    auto& files = FileManager::defaultManager();
    if (folder != preparedFolder_) {
        (void)files.createDirectory(folder);
        std::uint64_t next = 0;
        for (const auto& entry : entries(folder)) next = std::max(next, entry.sequence + 1);
        preparedFolder_ = folder;
        nextSequence_ = next;
    }
    const auto file = folder / fmt::format("{:0{}}{}", nextSequence_++, kSequenceDigits, kBatchExtension);
    const Data data(text.begin(), text.end());
    auto written = files.writeAtomically(file, data);
    if (!written && !files.fileExists(folder)) {
        // The folder was removed under the store: make it again and retry once.
        (void)files.createDirectory(folder);
        written = files.writeAtomically(file, data);
    }
    if (!written) {
        logError("Event not stored: " + written.error().localizedDescription());
        return false;
    }
    if (auto synced = syncFolder(folder); !synced) {
        logError("Event stored, but its folder could not be synced: " + synced.error());
    }
    return true;
}

std::vector<EventPointer> VQSDKEventStoreManager::rewriteBatchFile(const fs::path& file,
                                                                    const std::function<bool(const EventPointer&)>& keep) {
    std::lock_guard lock(rewriteMutex_);
    // Read again under the lock: another rewrite may have changed the file.
    const auto data = readFile(file);
    if (!data) return {};
    std::vector<EventPointer> kept;
    std::string text;
    std::size_t dropped = 0;
    for (const auto line : lines(textOf(*data))) {
        auto event = decodeEvent(line);
        if (!keep(event)) {
            ++dropped;
            continue;
        }
        text.append(line).push_back('\n');
        kept.push_back(std::move(event));
    }
    if (dropped == 0) return kept;

    auto& files = FileManager::defaultManager();
    if (kept.empty()) {
        (void)files.removeItem(file);
    } else if (auto written = files.writeAtomically(file, Data(text.begin(), text.end())); !written) {
        // The file stays as it was; what should have gone is met again later.
        logError("Stored events could not be rewritten: " + written.error().localizedDescription());
        return kept;
    }
    (void)syncFolder(file.parent_path());
    return kept;
}

std::optional<std::vector<EventPointer>> VQSDKEventStoreManager::fetchAllEvents() {
    const fs::path folder = folder_();
    if (folder.empty()) return std::nullopt;
    std::vector<EventPointer> events;
    for (const auto& entry : entries(folder)) {
        auto data = readFile(entry.file);
        if (!data) continue; // deleted meanwhile, or unreadable for now
        if (entry.eventId) {
            auto event = decodeEvent(textOf(*data));
            if (!event || event->eventId != *entry.eventId) {
                logError("A stored event could not be read and was removed.");
                (void)FileManager::defaultManager().removeItem(entry.file);
                continue;
            }
            events.push_back(std::move(event));
            continue;
        }
        const auto fileLines = lines(textOf(*data));
        std::vector<EventPointer> decoded;
        decoded.reserve(fileLines.size());
        bool allRead = true;
        for (const auto line : fileLines) {
            auto event = decodeEvent(line);
            allRead = allRead && event;
            if (event) decoded.push_back(std::move(event));
        }
        if (!allRead) {
            logError("A stored event could not be read and was removed.");
            decoded = rewriteBatchFile(entry.file, [](const EventPointer& event) { return event != nullptr; });
        }
        events.insert(events.end(), std::make_move_iterator(decoded.begin()), std::make_move_iterator(decoded.end()));
    }
    return events;
}

void VQSDKEventStoreManager::deleteEvents(const std::optional<std::vector<std::string>>& eventIds) {
    if (!eventIds || eventIds->empty()) return;
    const fs::path folder = folder_();
    if (folder.empty()) return;
    const std::set<std::string, std::less<>> ids(eventIds->begin(), eventIds->end());
    for (const auto& entry : entries(folder)) {
        if (entry.eventId) {
            if (ids.contains(*entry.eventId)) (void)FileManager::defaultManager().removeItem(entry.file);
            continue;
        }
        // Lines that do not decode are left for fetchAllEvents to drop.
        (void)rewriteBatchFile(entry.file, [&](const EventPointer& event) { return !event || !ids.contains(event->eventId); });
    }
}

void VQSDKEventStoreManager::deleteAllEvents() {
    const fs::path folder = folder_();
    if (folder.empty()) return;
    std::lock_guard lock(rewriteMutex_);
    for (const auto& entry : entries(folder)) (void)FileManager::defaultManager().removeItem(entry.file);
    (void)syncFolder(folder);
}

std::size_t VQSDKEventStoreManager::numberOfEvents() {
    const fs::path folder = folder_();
    if (folder.empty()) return 0;
    std::size_t count = 0;
    for (const auto& entry : entries(folder)) {
        if (entry.eventId) {
            ++count;
        } else if (const auto data = readFile(entry.file)) {
            count += lines(textOf(*data)).size();
        }
    }
    return count;
}

} // namespace platform::veltrane
