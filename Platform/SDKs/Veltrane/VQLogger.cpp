#include "Platform/SDKs/Veltrane/VQLogger.hpp"

#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <map>
#include <mutex>

namespace platform::veltrane {

namespace {

struct Registry {
    std::mutex mutex;
    VQLogger::InstanceFactory factory;
    std::map<std::string, std::shared_ptr<VQSDKLogger>, std::less<>> loggers;
};

// Never destroyed: loggers may be used from static destructors and other threads at exit.
Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

} // namespace

void VQLogger::setInstanceClass(InstanceFactory factory) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.factory = std::move(factory);
}

std::shared_ptr<VQSDKLogger> VQLogger::sharedInstance() { return sharedInstanceWithComponent(kVQDefaultComponentName); }

std::shared_ptr<VQSDKLogger> VQLogger::sharedInstanceWithComponent(const std::string& componentName) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    if (auto it = r.loggers.find(componentName); it != r.loggers.end()) return it->second;
    std::shared_ptr<VQSDKLogger> logger = r.factory ? r.factory(componentName) : nullptr;
    // A factory that gives nothing, or a logger of another name, is not trusted.
    if (!logger || logger->componentName() != componentName) logger = VQSDKLogger::create(componentName);
    r.loggers.emplace(componentName, logger);
    return logger;
}

std::vector<std::string> VQLogger::componentNames() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> names;
    for (const auto& [name, logger] : r.loggers) names.push_back(name);
    return names;
}

} // namespace platform::veltrane
