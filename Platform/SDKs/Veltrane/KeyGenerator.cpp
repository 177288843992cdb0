#include "Platform/SDKs/Veltrane/KeyGenerator.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/SDKs/Veltrane/KeychainHelper.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>

namespace platform::veltrane {

namespace {

struct State {
    std::mutex mutex;
    std::uint64_t generation = 0;
    std::map<std::string, SymmetricKey, std::less<>> cache;
    std::atomic<bool> failing{false};
};

State& state() {
    static auto* s = new State;
    return *s;
}

Error keyError(long code, std::string description, const Error* underlying = nullptr) {
    Json info = {{std::string(kLocalizedDescriptionKey), std::move(description)}};
    if (underlying) {
        info[std::string(kUnderlyingErrorKey)] = {
            {"domain", underlying->domain}, {"code", underlying->code}, {"userInfo", underlying->userInfo}};
    }
    return Error(std::string(kVQKeyGeneratorErrorDomain), code, std::move(info));
}

void logError(std::string_view message) {
    VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName)->e("KeyGenerator", message);
}

// Caller holds the lock.
void followSandbox(State& s) {
    if (s.generation != Sandbox::generation()) {
        s.cache.clear();
        s.generation = Sandbox::generation();
    }
}

} // namespace

std::expected<SymmetricKey, Error> KeyGenerator::encryptionKey(const std::string& label) {
    auto& s = state();
    if (s.failing) return std::unexpected(keyError(VQKeyGeneratorError::simulatedFailure, "Key generation is switched off."));
    if (label.empty()) return std::unexpected(keyError(VQKeyGeneratorError::invalidLabel, "A key needs a label."));
    std::lock_guard lock(s.mutex);
    followSandbox(s);
    if (auto it = s.cache.find(label); it != s.cache.end()) return it->second;

    auto stored = KeychainHelper::read(kKeychainService, label);
    if (stored && stored->size() == 32) {
        SymmetricKey key(*stored);
        s.cache.emplace(label, key);
        return key;
    }
    if (!stored && stored.error().code != KeychainStatus::itemNotFound) {
        logError("The key for a label could not be read: " + stored.error().localizedDescription());
        return std::unexpected(keyError(VQKeyGeneratorError::keyUnavailable, "The key cannot be read.", &stored.error()));
    }
    if (stored) logError("A stored key had the wrong size and was replaced.");

    SymmetricKey key = SymmetricKey::random(256);
    if (auto kept = KeychainHelper::write(kKeychainService, label, key.bytes()); !kept) {
        logError("A new key could not be kept: " + kept.error().localizedDescription());
        return std::unexpected(keyError(VQKeyGeneratorError::keyUnavailable, "The key cannot be kept.", &kept.error()));
    }
    s.cache.emplace(label, key);
    return key;
}

std::expected<void, Error> KeyGenerator::removeEncryptionKey(const std::string& label) {
    if (label.empty()) return std::unexpected(keyError(VQKeyGeneratorError::invalidLabel, "A key needs a label."));
    auto& s = state();
    std::lock_guard lock(s.mutex);
    followSandbox(s);
    s.cache.erase(label);
    if (auto removed = KeychainHelper::remove(kKeychainService, label); !removed) {
        return std::unexpected(keyError(VQKeyGeneratorError::keyUnavailable, "The key cannot be removed.", &removed.error()));
    }
    return {};
}

void KeyGenerator::clearCachedKeys() {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.cache.clear();
}

void KeyGenerator::setSimulatedFailure(bool failing) { state().failing = failing; }

bool KeyGenerator::isSimulatingFailure() { return state().failing; }

} // namespace platform::veltrane
