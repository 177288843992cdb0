#include "Platform/SDKs/Veltrane/VQSDKEventStoreManager.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <fmt/format.h>

#include <charconv>
#include <set>

namespace platform::veltrane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kSequenceDigits = 20;
constexpr std::string_view kExtension = ".json";

void logError(std::string_view message) {
    VQSDKLogger::sharedInstanceWithComponent(kVQAnalyticsComponentName)->e("VQSDKEventStoreManager", message);
}

// "<20 digits>-<event id>.json" → sequence and id.
std::optional<std::pair<std::uint64_t, std::string>> parseFileName(std::string_view name) {
    if (name.size() <= kSequenceDigits + 1 + kExtension.size() || !name.ends_with(kExtension) ||
        name[kSequenceDigits] != '-') {
        return std::nullopt;
    }
    std::uint64_t sequence = 0;
    const auto digits = name.substr(0, kSequenceDigits);
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), sequence);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    std::string id(name.substr(kSequenceDigits + 1, name.size() - kSequenceDigits - 1 - kExtension.size()));
    if (!VQSDKInstrumentationEvent::isValidEventId(id)) return std::nullopt;
    return std::make_pair(sequence, std::move(id));
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

std::optional<fs::path> VQSDKEventStoreManager::prepare(std::uint64_t& sequence) {
    const fs::path folder = folder_();
    if (folder.empty()) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (folder != preparedFolder_) {
        (void)FileManager::defaultManager().createDirectory(folder);
        std::uint64_t next = 0;
        for (const auto& entry : entries(folder)) {
            if (auto parsed = parseFileName(entry.file.filename().string())) next = std::max(next, parsed->first + 1);
        }
        preparedFolder_ = folder;
        nextSequence_ = next;
    }
    sequence = nextSequence_++;
    return folder;
}

std::vector<VQSDKEventStoreManager::Entry> VQSDKEventStoreManager::entries(const fs::path& folder) const {
    std::vector<Entry> result;
    auto names = FileManager::defaultManager().contentsOfDirectory(folder);
    if (!names) return result;
    // The listing is sorted by name, and names start with the zero-padded sequence.
    for (const auto& name : *names) {
        if (auto parsed = parseFileName(name)) result.push_back(Entry{folder / name, std::move(parsed->second)});
    }
    return result;
}

void VQSDKEventStoreManager::storeEvent(std::shared_ptr<const VQSDKInstrumentationEvent> event) {
    if (!event) return;
    if (!VQSDKInstrumentationEvent::isValidEventId(event->eventId)) {
        logError("Event not stored: its id is not valid.");
        return;
    }
    std::uint64_t sequence = 0;
    const auto folder = prepare(sequence);
    if (!folder) {
        logError("Event not stored: there is no sandbox.");
        return;
    }
    const auto file = *folder / fmt::format("{:0{}}-{}{}", sequence, kSequenceDigits, event->eventId, kExtension);
    const Data data = dataFromString(serializeJson(event->jsonRepresentation()));
    auto& files = FileManager::defaultManager();
    auto written = files.writeAtomically(file, data);
    if (!written && !files.fileExists(*folder)) {
        // The folder was removed under the store: make it again and retry once.
        (void)files.createDirectory(*folder);
        written = files.writeAtomically(file, data);
    }
    if (!written) logError("Event not stored: " + written.error().localizedDescription());
}

std::optional<std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>> VQSDKEventStoreManager::fetchAllEvents() {
    const fs::path folder = folder_();
    if (folder.empty()) return std::nullopt;
    std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>> events;
    for (const auto& entry : entries(folder)) {
        auto data = readFile(entry.file);
        if (!data) continue; // deleted meanwhile
        auto json = parseJson(*data);
        auto event = json ? VQSDKInstrumentationEvent::fromJson(*json) : nullptr;
        if (!event || event->eventId != entry.eventId) {
            logError("A stored event could not be read and was removed.");
            (void)FileManager::defaultManager().removeItem(entry.file);
            continue;
        }
        events.push_back(std::move(event));
    }
    return events;
}

void VQSDKEventStoreManager::deleteEvents(const std::optional<std::vector<std::string>>& eventIds) {
    if (!eventIds || eventIds->empty()) return;
    const fs::path folder = folder_();
    if (folder.empty()) return;
    const std::set<std::string, std::less<>> ids(eventIds->begin(), eventIds->end());
    for (const auto& entry : entries(folder)) {
        if (ids.contains(entry.eventId)) (void)FileManager::defaultManager().removeItem(entry.file);
    }
}

void VQSDKEventStoreManager::deleteAllEvents() {
    const fs::path folder = folder_();
    if (folder.empty()) return;
    for (const auto& entry : entries(folder)) (void)FileManager::defaultManager().removeItem(entry.file);
}

std::size_t VQSDKEventStoreManager::numberOfEvents() {
    const fs::path folder = folder_();
    return folder.empty() ? 0 : entries(folder).size();
}

} // namespace platform::veltrane
