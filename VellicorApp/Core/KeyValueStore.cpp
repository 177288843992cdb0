#include "VellicorApp/Core/KeyValueStore.hpp"

namespace vellicor {

std::shared_ptr<UserDefaultsStore> UserDefaultsStore::create(std::shared_ptr<platform::UserDefaults> defaults) {
    return std::shared_ptr<UserDefaultsStore>(new UserDefaultsStore(std::move(defaults)));
}

std::shared_ptr<UserDefaultsStore> UserDefaultsStore::standard() { return create(platform::UserDefaults::standard()); }

std::optional<std::string> UserDefaultsStore::stringForKey(const std::string& key) const {
    return defaults_->stringForKey(key);
}

bool UserDefaultsStore::boolForKey(const std::string& key) const { return defaults_->boolForKey(key); }

void UserDefaultsStore::setBool(const std::string& key, bool value) { defaults_->set(key, value); }

std::int64_t UserDefaultsStore::integerForKey(const std::string& key) const { return defaults_->integerForKey(key); }

void UserDefaultsStore::removeObject(const std::string& key) { defaults_->removeObject(key); }

void UserDefaultsStore::setObject(const std::string& key, const std::optional<platform::Json>& value) {
    if (!value || value->is_null()) {
        defaults_->removeObject(key);
        return;
    }
    defaults_->set(key, *value);
}

void UserDefaultsStore::setDouble(const std::string& key, double value) { defaults_->setDouble(key, value); }

double UserDefaultsStore::doubleForKey(const std::string& key) const { return defaults_->doubleForKey(key); }

std::optional<platform::Json> UserDefaultsStore::objectForKey(const std::string& key) const {
    return defaults_->objectForKey(key);
}

} // namespace vellicor
