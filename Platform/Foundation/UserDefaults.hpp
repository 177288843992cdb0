#pragma once

#include "Platform/Export.hpp"

#include <nlohmann/json.hpp>

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class DispatchQueue;

/// The app's persistent key-value defaults.
///
/// Values are property-list values held as JSON (see PropertyList): Booleans,
/// integers, reals, strings, data, arrays and dictionaries. A change is seen
/// by readers at once; the whole set is then written to a binary property list
/// on a serial background queue, one write for a burst of changes (each write
/// replaces the file atomically, so a crash loses at most the latest burst,
/// never the file). synchronize(), destroying the defaults, a change of
/// sandbox and the app's termination (synchronizeAll()) write what is pending
/// at once. The values are read back at the next start.
///
/// The standard defaults live in the sandbox's Preferences folder, in
/// "<main bundle identifier>.plist" ("vellicor.plist" without an identifier),
/// and follow the sandbox: after Sandbox::setRoot() they hold what the new
/// sandbox's file holds, nothing for a fresh sandbox. A file that cannot be
/// read as a dictionary counts as empty and is replaced by the next change; an
/// entry of the file that a property list cannot be written with (a string or
/// key holding NUL) is left out when read, so later writes keep working.
/// Without a sandbox the standard defaults are kept in memory only.
///
/// Typed getters convert as the platform's defaults do:
/// - stringForKey: strings as they are; numbers as their shortest decimal text
///   (60 → "60", 2.5 → "2.5"); Booleans as "1" or "0"; none for other types;
/// - boolForKey: Booleans; numbers other than zero; strings starting (after
///   white space) with "Y", "y", "T" or "t", or whose number is not zero
///   ("YES", "true", "1"); false otherwise and when absent;
/// - integerForKey: integers; reals cut toward zero (clamped to the 64-bit
///   range); Booleans as 1 or 0; the leading integer of a string ("42abc" →
///   42, "3.7" → 3); 0 otherwise and when absent;
/// - doubleForKey: numbers; Booleans as 1 or 0; the leading number of a
///   string; 0 otherwise and when absent.
///
/// All members are safe to call from any thread.
class PLATFORM_EXPORT UserDefaults {
public:
    /// The app's standard defaults.
    static std::shared_ptr<UserDefaults> standard();
    /// Defaults of their own, kept in the given property-list file.
    static std::shared_ptr<UserDefaults> create(const std::filesystem::path& file);

    ~UserDefaults();

    std::optional<nlohmann::json> objectForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;
    std::int64_t integerForKey(const std::string& key) const;
    double doubleForKey(const std::string& key) const;
    /// Every key and value, as a JSON object.
    nlohmann::json dictionaryRepresentation() const;

    /// Stores a value; null (or none) removes the key. A value a property list
    /// cannot hold (a null inside an array or dictionary, a string that is not
    /// UTF-8 or holds NUL) is not stored and leaves the key as it was.
    void set(const std::string& key, const nlohmann::json& value);
    template <class T>
        requires std::same_as<T, nlohmann::json>
    void set(const std::string& key, const std::optional<T>& value) {
        store(key, value);
    }
    void set(const std::string& key, std::nullopt_t);
    void set(const std::string& key, bool value);
    void set(const std::string& key, const std::string& value);
    void set(const std::string& key, const char* value);
    template <std::integral T>
        requires(!std::same_as<T, bool>)
    void set(const std::string& key, T value) {
        if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
            set(key, nlohmann::json(static_cast<std::uint64_t>(value)));
        } else {
            setInteger(key, static_cast<std::int64_t>(value));
        }
    }
    template <std::floating_point T>
    void set(const std::string& key, T value) {
        setDouble(key, static_cast<double>(value));
    }
    void setInteger(const std::string& key, std::int64_t value);
    void setDouble(const std::string& key, double value);
    void removeObject(const std::string& key);

    /// Writes the values to the file now unless it already holds them, waiting
    /// for a background write under way. Returns whether the file now holds
    /// the values in memory. Callers that read the file themselves, or need to
    /// know whether the write succeeded, call it first.
    bool synchronize();
    /// Synchronizes every defaults object alive (the app's termination does).
    static void synchronizeAll();

    /// The file the values are kept in; none for the standard defaults without a sandbox.
    std::optional<std::filesystem::path> filePath() const;

private:
    struct State;

    UserDefaults(std::optional<std::filesystem::path> file, bool followsSandbox);

    /// The standard defaults reload when the sandbox has changed.
    void refreshIfNeeded() const;
    void store(const std::string& key, std::optional<nlohmann::json> value);

    const bool followsSandbox_;
    /// The values and their file, shared with the background writes so that a
    /// write in flight never outlives what it reads.
    const std::shared_ptr<State> state_;
    const std::shared_ptr<DispatchQueue> writer_;
};

} // namespace platform
