#include "Platform/Foundation/UserDefaults.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/LogSink.hpp"
#include "Platform/Foundation/PropertyList.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

namespace {

using json = nlohmann::json;

constexpr std::string_view kDefaultDomain = "vellicor";

/// The standard defaults' file for the current sandbox and main bundle.
std::optional<fs::path> standardFile() {
    if (!Sandbox::root()) {
        return std::nullopt;
    }
    auto identifier = Bundle::main()->bundleIdentifier();
    const bool usable = identifier && !identifier->empty() && identifier->find('/') == std::string::npos &&
                        identifier->find('\0') == std::string::npos && *identifier != "." && *identifier != "..";
    const std::string domain = usable ? *identifier : std::string(kDefaultDomain);
    return Sandbox::preferencesDirectory() / (domain + ".plist");
}

json load(const std::optional<fs::path>& file) {
    if (!file) {
        return json::object();
    }
    auto values = PropertyList::read(*file);
    if (!values || !values->is_object()) {
        return json::object();
    }
    // A file may hold what no property list can be written with (a string or
    // key with a NUL): such an entry is dropped, or it would fail every later
    // write of the whole set and lose each change made after it.
    for (auto entry = values->begin(); entry != values->end();) {
        const auto encoded = PropertyList::serialize(json{{entry.key(), entry.value()}}, PropertyListFormat::binary);
        if (encoded) {
            ++entry;
            continue;
        }
        LogSink::write("Foundation", LogLevel::error,
                       "UserDefaults: dropping the stored \"" + entry.key() + "\": " + encoded.error().localizedDescription());
        entry = values->erase(entry);
    }
    return std::move(*values);
}

std::string_view trimmedStart(std::string_view text) {
    const auto start = text.find_first_not_of(" \t\n\r\f\v");
    return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

std::string numberText(const json& value) {
    if (value.is_number_unsigned()) {
        return std::to_string(value.get<std::uint64_t>());
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<std::int64_t>());
    }
    const double number = value.get<double>();
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
    return std::string(buffer, result.ptr);
}

/// The platform's reading of a string as a Boolean: "Y", "y", "T" or "t"
/// first, or a number whose first significant digit is 1 to 9.
bool stringIsTrue(std::string_view text) {
    text = trimmedStart(text);
    if (text.empty()) {
        return false;
    }
    if (text.front() == 'Y' || text.front() == 'y' || text.front() == 'T' || text.front() == 't') {
        return true;
    }
    if (text.front() == '+' || text.front() == '-') {
        text.remove_prefix(1);
    }
    const auto digit = text.find_first_not_of('0');
    return digit != std::string_view::npos && text[digit] >= '1' && text[digit] <= '9';
}

std::int64_t leadingInteger(std::string_view text) {
    text = trimmedStart(text);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        return text.starts_with('-') ? std::numeric_limits<std::int64_t>::min()
                                     : std::numeric_limits<std::int64_t>::max();
    }
    return result.ec == std::errc() ? value : 0;
}

double leadingDouble(std::string_view text) {
    text = trimmedStart(text);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

std::int64_t truncatedInteger(double number) {
    if (std::isnan(number)) {
        return 0;
    }
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (number >= kLimit) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (number < -kLimit) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(number);
}

} // namespace

struct UserDefaults::State {
    /// Guards the members below but `writeMutex`; never held while calling out.
    std::mutex mutex;
    json values = json::object();
    std::optional<fs::path> file;
    bool loaded = false;
    std::uint64_t generation = 0;
    /// Bumped on every change; `writtenVersion` is the version the file holds.
    std::uint64_t version = 0;
    std::uint64_t writtenVersion = 0;
    bool lastWriteSucceeded = true;
    /// A background write is queued and has not started: later changes ride on it.
    bool writeQueued = false;
    /// Orders the file writes so that the newest values are written last.
    std::mutex writeMutex;

    /// Every defaults object alive, for synchronizeAll(). Never destroyed: a
    /// background write may end while the process exits.
    struct Live {
        std::mutex mutex;
        std::vector<std::weak_ptr<State>> states;
    };
    static Live& live() {
        static auto* all = new Live;
        return *all;
    }

    /// Writes the values unless the file already holds them.
    bool flush() {
        std::lock_guard writing(writeMutex);
        json snapshot;
        std::optional<fs::path> target;
        std::uint64_t snapshotVersion = 0;
        {
            std::lock_guard lock(mutex);
            if (writtenVersion == version) {
                return lastWriteSucceeded && file.has_value();
            }
            snapshot = values;
            target = file;
            snapshotVersion = version;
        }
        if (!target) {
            return false;
        }
        FileManager::defaultManager().createDirectory(target->parent_path());
        const auto written = PropertyList::write(*target, snapshot, PropertyListFormat::binary);
        std::lock_guard lock(mutex);
        lastWriteSucceeded = written.has_value();
        if (written) {
            writtenVersion = std::max(writtenVersion, snapshotVersion);
        }
        return lastWriteSucceeded;
    }
};

UserDefaults::UserDefaults(std::optional<fs::path> file, bool followsSandbox)
    : followsSandbox_(followsSandbox),
      state_(std::make_shared<State>()),
      writer_(DispatchQueue::makeSerial("UserDefaults.write", QoS::utility)) {
    state_->file = std::move(file);
    auto& live = State::live();
    std::lock_guard lock(live.mutex);
    std::erase_if(live.states, [](const auto& state) { return state.expired(); });
    live.states.push_back(state_);
}

UserDefaults::~UserDefaults() {
    // What is still pending reaches the file before the owner goes on, and no
    // queued write touches the file after.
    writer_->sync([] {});
    state_->flush();
}

std::shared_ptr<UserDefaults> UserDefaults::standard() {
    // Never destroyed, so no write runs during static destruction; the app's
    // termination writes what is pending.
    static const auto* instance = new std::shared_ptr<UserDefaults>(new UserDefaults(std::nullopt, true));
    return *instance;
}

std::shared_ptr<UserDefaults> UserDefaults::create(const fs::path& file) {
    std::shared_ptr<UserDefaults> defaults(new UserDefaults(file, false));
    defaults->state_->values = load(file);
    defaults->state_->loaded = true;
    return defaults;
}

void UserDefaults::synchronizeAll() {
    std::vector<std::shared_ptr<State>> states;
    {
        auto& live = State::live();
        std::lock_guard lock(live.mutex);
        for (const auto& weak : live.states) {
            if (auto state = weak.lock()) states.push_back(std::move(state));
        }
    }
    for (const auto& state : states) {
        state->flush();
    }
}

void UserDefaults::refreshIfNeeded() const {
    if (!followsSandbox_) {
        return;
    }
    const std::uint64_t generation = Sandbox::generation();
    {
        std::lock_guard lock(state_->mutex);
        if (state_->loaded && state_->generation >= generation) {
            return;
        }
    }
    // Changes made in the previous sandbox belong to its file.
    state_->flush();
    auto file = standardFile();
    auto values = load(file);
    std::lock_guard lock(state_->mutex);
    if (!state_->loaded || state_->generation < generation) {
        state_->values = std::move(values);
        state_->file = std::move(file);
        state_->generation = generation;
        state_->loaded = true;
        ++state_->version;
        state_->writtenVersion = state_->version;
        state_->lastWriteSucceeded = true;
    }
}

std::optional<fs::path> UserDefaults::filePath() const {
    refreshIfNeeded();
    std::lock_guard lock(state_->mutex);
    return state_->file;
}

// ---------------------------------------------------------------------------
// Reading

std::optional<json> UserDefaults::objectForKey(const std::string& key) const {
    refreshIfNeeded();
    std::lock_guard lock(state_->mutex);
    auto it = state_->values.find(key);
    if (it == state_->values.end()) {
        return std::nullopt;
    }
    return *it;
}

json UserDefaults::dictionaryRepresentation() const {
    refreshIfNeeded();
    std::lock_guard lock(state_->mutex);
    return state_->values;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    if (!value) {
        return std::nullopt;
    }
    if (value->is_string()) {
        return value->get<std::string>();
    }
    if (value->is_boolean()) {
        return value->get<bool>() ? "1" : "0";
    }
    if (value->is_number()) {
        return numberText(*value);
    }
    return std::nullopt;
}

bool UserDefaults::boolForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    if (!value) {
        return false;
    }
    if (value->is_boolean()) {
        return value->get<bool>();
    }
    if (value->is_number_integer()) {
        return value->get<std::int64_t>() != 0;
    }
    if (value->is_number_float()) {
        return value->get<double>() != 0.0;
    }
    if (value->is_string()) {
        return stringIsTrue(value->get_ref<const std::string&>());
    }
    return false;
}

std::int64_t UserDefaults::integerForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    if (!value) {
        return 0;
    }
    if (value->is_boolean()) {
        return value->get<bool>() ? 1 : 0;
    }
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        return number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
                   ? std::numeric_limits<std::int64_t>::max()
                   : static_cast<std::int64_t>(number);
    }
    if (value->is_number_integer()) {
        return value->get<std::int64_t>();
    }
    if (value->is_number_float()) {
        return truncatedInteger(value->get<double>());
    }
    if (value->is_string()) {
        return leadingInteger(value->get_ref<const std::string&>());
    }
    return 0;
}

double UserDefaults::doubleForKey(const std::string& key) const {
    const auto value = objectForKey(key);
    if (!value) {
        return 0.0;
    }
    if (value->is_boolean()) {
        return value->get<bool>() ? 1.0 : 0.0;
    }
    if (value->is_number()) {
        return value->get<double>();
    }
    if (value->is_string()) {
        return leadingDouble(value->get_ref<const std::string&>());
    }
    return 0.0;
}

// ---------------------------------------------------------------------------
// Writing

void UserDefaults::set(const std::string& key, const json& value) { store(key, value); }
void UserDefaults::set(const std::string& key, std::nullopt_t) { store(key, std::nullopt); }
void UserDefaults::set(const std::string& key, bool value) { store(key, json(value)); }
void UserDefaults::set(const std::string& key, const std::string& value) { store(key, json(value)); }
void UserDefaults::set(const std::string& key, const char* value) {
    store(key, value != nullptr ? std::optional<json>(json(value)) : std::nullopt);
}
void UserDefaults::setInteger(const std::string& key, std::int64_t value) { store(key, json(value)); }
void UserDefaults::setDouble(const std::string& key, double value) { store(key, json(value)); }
void UserDefaults::removeObject(const std::string& key) { store(key, std::nullopt); }

void UserDefaults::store(const std::string& key, std::optional<json> value) {
    refreshIfNeeded();
    if (value && value->is_null()) {
        value.reset();
    }
    if (value) {
        // Only what a property list can hold is kept, so the file always loads.
        if (auto encoded = PropertyList::serialize(*value, PropertyListFormat::binary); !encoded) {
            LogSink::write("Foundation", LogLevel::error,
                           "UserDefaults: not storing \"" + key + "\": " + encoded.error().localizedDescription());
            return;
        }
    }
    bool queueWrite = false;
    {
        std::lock_guard lock(state_->mutex);
        if (value) {
            state_->values[key] = std::move(*value);
        } else if (state_->values.erase(key) == 0) {
            return;
        }
        ++state_->version;
        queueWrite = !state_->writeQueued;
        state_->writeQueued = true;
    }
    if (queueWrite) {
        writer_->async([state = state_] {
            {
                std::lock_guard lock(state->mutex);
                state->writeQueued = false;
            }
            state->flush();
        });
    }
}

bool UserDefaults::synchronize() {
    refreshIfNeeded();
    return state_->flush();
}

} // namespace platform
