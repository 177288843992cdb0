#include "VellicorApp/Core/Logger.hpp"

#include "VellicorApp/Core/LogMasking.hpp"

#include "Platform/Foundation/Text.hpp"

#include <string>

namespace vellicor {

namespace {

using platform::veltrane::VQSDKLogger;

// Token values never reach the log file: it leaves the device with crash
// reports and feedback mails.
std::string lineText(std::string_view message, std::string_view objType) {
    std::string text;
    text.reserve(objType.size() + 2 + message.size());
    text.append(objType).append(": ").append(message);
    return maskingTokens(text);
}

} // namespace

const std::shared_ptr<VQSDKLogger>& Logger::logger() {
    static const std::shared_ptr<VQSDKLogger> instance = [] {
        platform::veltrane::VQLogger::setInstanceClass<VQSDKLogger>();
        return VQSDKLogger::sharedInstanceWithComponent(kComponentName);
    }();
    return instance;
}

void Logger::info(std::string_view message, std::string_view objType) {
    logger()->i(objType, lineText(message, objType));
}

void Logger::warning(std::string_view message, std::string_view objType) {
    logger()->w(objType, lineText(message, objType));
}

void Logger::error(std::string_view message, std::string_view objType) {
    logger()->e(objType, lineText(message, objType));
}

std::optional<std::string> Logger::readLogFile() {
    const auto fileLogger = logger()->fileLogger();
    if (!fileLogger) return std::nullopt;
    auto fileText = fileLogger->readFile();
    if (!fileText) return std::nullopt;

    const std::string banner(80, '=');
    std::string text;
    text.reserve(banner.size() * 2 + 16 + fileText->size());
    text.append(banner).append("\n Vellicor App\n").append(banner).append("\n").append(*fileText);
    // The cap counts user-perceived characters; a text with fewer bytes than
    // the cap cannot hold more characters than that.
    if (text.size() <= kMaximumLogFileCharacters) return text;
    return platform::prefixCharacters(text, kMaximumLogFileCharacters);
}

const std::vector<std::shared_ptr<VQSDKLogger>>& Logger::allLoggers() {
    static const std::vector<std::shared_ptr<VQSDKLogger>> loggers = [] {
        using namespace platform::veltrane;
        return std::vector<std::shared_ptr<VQSDKLogger>>{
            VQSDKLogger::sharedInstance(),
            logger(),
            VQSDKLogger::sharedInstanceWithComponent(kVQAnalyticsComponentName),
            VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName),
            VQSDKLogger::sharedInstanceWithComponent(kVQOfflineStoreComponentName),
            VQSDKLogger::sharedInstanceWithComponent(kVQDataSyncComponentName),
            VQSDKLogger::sharedInstanceWithComponent(kVQHybridComponentName),
        };
    }();
    return loggers;
}

void Logger::configureLogLevel() {
    for (const auto& each : allLoggers()) {
        each->setLogLevel(platform::veltrane::VQLogLevel::info);
    }
}

} // namespace vellicor
