// A native plug-in as a plug-in library would write it, linked against the
// installed packages: it registers its bundle, answers an enablement check
// on the platform's global queue and reports a task to the instrumentation
// logger, whose event must reach the SDK's event store.

#include "TarnixKORVAInstrumentation/TarnixKORVALogger.hpp"
#include "TarnixPlatformClient/TarnixLoggerUtils.hpp"
#include "TarnixPlatformClient/TarnixNativeService.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/PropertyList.hpp"
#include "Platform/SDKs/Veltrane/VQSDKVeltraneAnalyticsManager.hpp"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

int failures = 0;

void expect(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

class ScannerService : public tarnix::TarnixNativeService {
public:
    std::string pluginId() const override { return std::string(tarnix::TarnixLoggerUtils::PluginIdMap::barcodeScannerId); }
    std::string pluginVersion() const override { return tarnix::TarnixLoggerUtils::getPluginVersion("ConsumerScanner"); }
    EnablementCheck enablementCheck() const override { return check_; }
    void setEnablementCheck(EnablementCheck check) override { check_ = std::move(check); }
    std::shared_ptr<tarnix::TarnixLogger> loggerDelegate() const override { return logger_; }
    void setLoggerDelegate(std::shared_ptr<tarnix::TarnixLogger> logger) override { logger_ = std::move(logger); }

private:
    EnablementCheck check_;
    std::shared_ptr<tarnix::TarnixLogger> logger_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <sandbox folder>\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path sandbox = argv[1];
    fs::create_directories(sandbox);
    platform::Sandbox::setRoot(sandbox);
    platform::MainQueue::bindToCurrentThread();

    const fs::path bundle = sandbox / "ConsumerScanner.framework";
    fs::create_directories(bundle);
    expect(platform::PropertyList::write(bundle / "Info.plist", {{"CFBundleShortVersionString", "3.1"}}).has_value(),
           "the plug-in's Info.plist is written");
    platform::Bundle::registerBundle("ConsumerScanner", bundle);

    ScannerService service;
    expect(service.pluginVersion() == "3.1", "the plug-in version comes from its registered bundle");

    service.setEnablementCheck([](const std::optional<platform::Json>&, auto completion) {
        if (platform::DispatchQueue::global()->isCurrent()) {
            completion(tarnix::EnablementCheckResult::success());
        } else {
            completion(tarnix::EnablementCheckResult::failure("not on the global queue"));
        }
        completion(tarnix::EnablementCheckResult::failure("second answer"));
    });
    expect(service.serviceIsEnabled(std::nullopt).enabled(), "the check answers on the global queue, first answer wins");

    auto manager = platform::veltrane::VQSDKVeltraneAnalyticsManager::sharedUnauthenticatedInstance();
    std::shared_ptr<tarnix::TarnixLogger> logger = tarnix::TarnixKORVALogger::create(manager, tarnix::TarnixLogLevel::INFO);
    expect(dynamic_cast<tarnix::TarnixKORVALogger*>(logger.get()) != nullptr,
           "the logger's type is the same on both sides of the library boundary");
    service.setLoggerDelegate(logger);

    service.tarnixTaskStarted("scan");
    service.tarnixTaskEnded("scan", platform::Json{{"barcode_type", "EAN-13"}}, nullptr);

    const auto store = manager->eventStoreManager();
    expect(platform::MainQueue::runUntil([&] { return store->numberOfEvents() == 1; }, 20.0),
           "the finished task is stored");
    if (auto events = store->fetchAllEvents(); events && events->size() == 1) {
        const auto& event = *events->front();
        expect(event.name == "BarcodeScanner", "the event is named by the plug-in");
        expect(event.attributes && event.attributes->value("plugin_version", "") == "3.1",
               "the event carries the plug-in version");
        expect(event.attributes && event.attributes->value("barcode_type", "") == "EAN-13",
               "the event carries the barcode type");
    } else {
        expect(false, "the stored event can be read back");
    }

    if (failures != 0) return 1;
    std::printf("plug-in libraries work across the installed boundary\n");
    return 0;
}
