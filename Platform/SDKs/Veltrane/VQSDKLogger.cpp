#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include "Platform/Foundation/LogSink.hpp"

namespace platform::veltrane {

namespace {

LogLevel sinkLevel(VQLogFlag flag) {
    switch (flag) {
    case VQLogFlag::error: return LogLevel::error;
    case VQLogFlag::warning: return LogLevel::warning;
    case VQLogFlag::info: return LogLevel::info;
    case VQLogFlag::debug: return LogLevel::debug;
    case VQLogFlag::verbose: return LogLevel::verbose;
    }
    return LogLevel::info;
}

} // namespace

std::optional<std::string> VQSDKFileLogger::readFile() const { return LogSink::readAll(componentName_); }

std::filesystem::path VQSDKFileLogger::logFilePath() const { return LogSink::fileFor(componentName_); }

VQSDKLogger::VQSDKLogger(std::string componentName)
    : componentName_(std::move(componentName)), fileLogger_(std::make_shared<VQSDKFileLogger>(componentName_)) {}

VQSDKLogger::~VQSDKLogger() = default;

std::shared_ptr<VQSDKLogger> VQSDKLogger::create(const std::string& componentName) {
    return std::shared_ptr<VQSDKLogger>(new VQSDKLogger(componentName));
}

std::shared_ptr<VQSDKLogger> VQSDKLogger::sharedInstance() { return VQLogger::sharedInstance(); }

std::shared_ptr<VQSDKLogger> VQSDKLogger::sharedInstanceWithComponent(const std::string& componentName) {
    return VQLogger::sharedInstanceWithComponent(componentName);
}

void VQSDKLogger::log(VQLogFlag flag, std::string_view className, std::string_view message) {
    if (!passes(flag)) return;
    writeLine(flag, className, message);
}

void VQSDKLogger::writeLine(VQLogFlag flag, std::string_view className, std::string_view message) {
    std::string line;
    line.reserve(className.size() + message.size() + 3);
    line.append("[").append(className).append("] ").append(message);
    LogSink::write(componentName_, sinkLevel(flag), line);
}

} // namespace platform::veltrane
