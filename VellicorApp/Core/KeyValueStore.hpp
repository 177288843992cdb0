#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/UserDefaults.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The app's key-value defaults. Each operation means what the platform's
/// defaults of the same name mean (absent Booleans read false, absent numbers 0).
class KeyValueStore {
public:
    virtual ~KeyValueStore() = default;

    virtual std::optional<std::string> stringForKey(const std::string& key) const = 0;
    virtual bool boolForKey(const std::string& key) const = 0;
    virtual void setBool(const std::string& key, bool value) = 0;
    virtual std::int64_t integerForKey(const std::string& key) const = 0;
    virtual void removeObject(const std::string& key) = 0;
    /// Stores any property-list value; none removes the key.
    virtual void setObject(const std::string& key, const std::optional<platform::Json>& value) = 0;
    virtual void setDouble(const std::string& key, double value) = 0;
    virtual double doubleForKey(const std::string& key) const = 0;
    virtual std::optional<platform::Json> objectForKey(const std::string& key) const = 0;
};

/// A platform defaults object as the app's key-value store.
class UserDefaultsStore : public KeyValueStore {
public:
    static std::shared_ptr<UserDefaultsStore> create(std::shared_ptr<platform::UserDefaults> defaults);
    /// The standard defaults.
    static std::shared_ptr<UserDefaultsStore> standard();

    std::optional<std::string> stringForKey(const std::string& key) const override;
    bool boolForKey(const std::string& key) const override;
    void setBool(const std::string& key, bool value) override;
    std::int64_t integerForKey(const std::string& key) const override;
    void removeObject(const std::string& key) override;
    void setObject(const std::string& key, const std::optional<platform::Json>& value) override;
    void setDouble(const std::string& key, double value) override;
    double doubleForKey(const std::string& key) const override;
    std::optional<platform::Json> objectForKey(const std::string& key) const override;

    const std::shared_ptr<platform::UserDefaults>& defaults() const { return defaults_; }

private:
    explicit UserDefaultsStore(std::shared_ptr<platform::UserDefaults> defaults) : defaults_(std::move(defaults)) {}

    std::shared_ptr<platform::UserDefaults> defaults_;
};

} // namespace vellicor
