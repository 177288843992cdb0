#include "VellicorApp/Core/BundleType.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include <cctype>
#include <cstdlib>

namespace vellicor {

namespace {

constexpr const char* kBootstrapTimeoutKey = "NativeWebAppBootstrapTimeout";

/// The number a whole text spells (decimal or hexadecimal, with an optional
/// sign and exponent, or "inf"/"nan"); none when any part of it is left over.
std::optional<double> parseWholeDouble(const std::string& text) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

} // namespace

std::shared_ptr<ApplicationBundle> ApplicationBundle::create(std::shared_ptr<platform::Bundle> bundle) {
    return std::shared_ptr<ApplicationBundle>(new ApplicationBundle(std::move(bundle)));
}

std::shared_ptr<ApplicationBundle> ApplicationBundle::main() { return create(platform::Bundle::main()); }

std::optional<platform::Json> ApplicationBundle::objectForInfoDictionaryKey(const std::string& key) const {
    return bundle_->objectForInfoDictionaryKey(key);
}

std::optional<std::string> ApplicationBundle::pathForResource(const std::optional<std::string>& name,
                                                              const std::optional<std::string>& type) const {
    const auto path = bundle_->pathForResource(name, type);
    if (!path) return std::nullopt;
    return path->string();
}

std::optional<std::string> ApplicationBundle::bundleIdentifier() const { return bundle_->bundleIdentifier(); }

bool ApplicationBundle::isTestFlightBuild() const {
    const auto receiptURL = bundle_->appStoreReceiptURL();
    if (!receiptURL) return false;
    const auto component = receiptURL->lastPathComponent();
    Logger::info("appStoreReceiptURL: " + component, kLogType);
    return component.find("sandboxReceipt") != std::string::npos;
}

double ApplicationBundle::webAppBootstrapTimeout() const {
    const auto value = objectForInfoDictionaryKey(kBootstrapTimeoutKey);
    const auto text = value ? platform::asString(*value) : std::nullopt;
    if (!text) return kDefaultWebAppBootstrapTimeout;
    return parseWholeDouble(*text).value_or(kDefaultWebAppBootstrapTimeout);
}

std::optional<platform::Url> ApplicationBundle::resourceURL() const { return bundle_->resourceURL(); }

} // namespace vellicor
