#include "Platform/System/Storefront.hpp"

#include <mutex>

namespace platform::system {

namespace {

std::mutex& guard() {
    static std::mutex mutex;
    return mutex;
}

std::optional<std::string>& storedCode() {
    static std::optional<std::string> code;
    return code;
}

} // namespace

std::optional<std::string> Storefront::countryCode() {
    std::lock_guard lock(guard());
    return storedCode();
}

void Storefront::setCountryCode(std::optional<std::string> code) {
    std::lock_guard lock(guard());
    storedCode() = std::move(code);
}

void Storefront::resetForTesting() { setCountryCode(std::nullopt); }

} // namespace platform::system
