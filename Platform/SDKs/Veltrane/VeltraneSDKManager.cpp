#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/SDKs/Veltrane/UIDevice.hpp"
#include "Platform/SDKs/Veltrane/VQSDKDevSupportViewController.hpp"
#include "Platform/SDKs/Veltrane/VQSDKDeviceAppAttributes.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLogger.hpp"

#include <fmt/format.h>

namespace platform::veltrane {

namespace {

struct Shared {
    std::mutex mutex;
    std::shared_ptr<VeltraneSDKManager> manager;
    bool initialized = false;
    std::optional<std::string> appName;
    std::optional<std::string> korvaAppName;
    VQSDKAccountActions accountActions;
};

Shared& shared() {
    static auto* s = new Shared;
    return *s;
}

std::shared_ptr<VQSDKLogger> coreLogger() { return VQSDKLogger::sharedInstanceWithComponent(kVQCoreComponentName); }

std::optional<std::string> infoString(const char* key) {
    auto value = Bundle::main()->objectForInfoDictionaryKey(key);
    if (!value) return std::nullopt;
    auto text = asString(*value);
    if (!text || text->empty()) return std::nullopt;
    return text;
}

const char* yesNo(bool value) { return value ? "YES" : "NO"; }

} // namespace

std::shared_ptr<VeltraneSDKManager> VeltraneSDKManager::create() {
    return std::shared_ptr<VeltraneSDKManager>(new VeltraneSDKManager());
}

VeltraneSDKManager::~VeltraneSDKManager() = default;

bool VeltraneSDKManager::initializeSDK(const Factory& factory) {
    auto& s = shared();
    std::unique_lock lock(s.mutex);
    if (s.initialized) {
        lock.unlock();
        coreLogger()->w("VeltraneSDKManager", "The SDK is already initialized; ignoring another initialization.");
        return false;
    }
    auto manager = factory ? factory() : nullptr;
    if (!manager) {
        lock.unlock();
        coreLogger()->e("VeltraneSDKManager", "The SDK manager class made no manager.");
        return false;
    }
    s.manager = std::move(manager);
    s.initialized = true;
    const std::string type = s.manager->appType();
    lock.unlock();
    coreLogger()->i("VeltraneSDKManager", fmt::format("SDK {} initialized ({} app).", kVeltraneSDKVersion, type));
    return true;
}

bool VeltraneSDKManager::isInitialized() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    return s.initialized;
}

std::shared_ptr<VeltraneSDKManager> VeltraneSDKManager::sharedManager() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    if (!s.manager) s.manager = create();
    return s.manager;
}

std::shared_ptr<VeltraneSDKManager> VeltraneSDKManager::sharedManagerIfAny() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    return s.manager;
}

void VeltraneSDKManager::resetForTesting() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.manager.reset();
    s.initialized = false;
    s.appName.reset();
    s.korvaAppName.reset();
    s.accountActions = {};
}

void VeltraneSDKManager::setAppName(std::string name) {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.appName = std::move(name);
}

std::string VeltraneSDKManager::appName() {
    {
        auto& s = shared();
        std::lock_guard lock(s.mutex);
        if (s.appName) return *s.appName;
    }
    return infoString("CFBundleName").value_or("");
}

void VeltraneSDKManager::setKorvaAppName(std::string name) {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.korvaAppName = std::move(name);
}

std::string VeltraneSDKManager::korvaAppName() {
    {
        auto& s = shared();
        std::lock_guard lock(s.mutex);
        if (s.korvaAppName) return *s.korvaAppName;
    }
    return appName();
}

void VeltraneSDKManager::setAccountActions(VQSDKAccountActions actions) {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    s.accountActions = std::move(actions);
}

VQSDKAccountActions VeltraneSDKManager::accountActions() {
    auto& s = shared();
    std::lock_guard lock(s.mutex);
    return s.accountActions;
}

std::string VeltraneSDKManager::appDisplayName() const {
    if (auto name = infoString("CFBundleDisplayName")) return *name;
    if (auto name = infoString("CFBundleName")) return *name;
    return appName();
}

std::shared_ptr<VQHybridViewConfig> VeltraneSDKManager::appConfig() const {
    std::lock_guard lock(mutex_);
    if (!configLoaded_) {
        appConfig_ = VQHybridViewConfig::fromDefaultConfigFile();
        configLoaded_ = true;
    }
    return appConfig_;
}

void VeltraneSDKManager::setAppConfig(std::shared_ptr<VQHybridViewConfig> config) {
    std::lock_guard lock(mutex_);
    appConfig_ = std::move(config);
    configLoaded_ = true;
}

bool VeltraneSDKManager::useSnapshotView() const {
    std::lock_guard lock(mutex_);
    return useSnapshotView_;
}

void VeltraneSDKManager::setUseSnapshotView(bool value) {
    std::lock_guard lock(mutex_);
    useSnapshotView_ = value;
}

bool VeltraneSDKManager::isIdentityProvider() const {
    std::lock_guard lock(mutex_);
    return isIdentityProvider_;
}

void VeltraneSDKManager::setIsIdentityProvider(bool value) {
    std::lock_guard lock(mutex_);
    isIdentityProvider_ = value;
}

bool VeltraneSDKManager::useWebServerAuthentication() const {
    std::lock_guard lock(mutex_);
    return useWebServerAuthentication_;
}

void VeltraneSDKManager::setUseWebServerAuthentication(bool value) {
    std::lock_guard lock(mutex_);
    useWebServerAuthentication_ = value;
}

VeltraneSDKManager::UserAgentGenerator VeltraneSDKManager::userAgentString() const {
    {
        std::lock_guard lock(mutex_);
        if (userAgentGenerator_) return userAgentGenerator_;
    }
    std::weak_ptr<const VeltraneSDKManager> weak = weak_from_this();
    return [weak](const std::string& qualifier) -> std::string {
        auto self = weak.lock();
        return self ? self->defaultUserAgent(qualifier) : std::string{};
    };
}

void VeltraneSDKManager::setUserAgentString(UserAgentGenerator generator) {
    std::lock_guard lock(mutex_);
    userAgentGenerator_ = std::move(generator);
}

std::string VeltraneSDKManager::userAgent(const std::string& qualifier) const {
    UserAgentGenerator generator;
    {
        std::lock_guard lock(mutex_);
        generator = userAgentGenerator_;
    }
    return generator ? generator(qualifier) : defaultUserAgent(qualifier);
}

std::string VeltraneSDKManager::defaultUserAgent(const std::string& qualifier) const {
    const auto bundle = Bundle::main();
    return fmt::format("VeltraneMobileSDK/{} ({}; {} {}) {}/{}({}) {}{} device/{}", kVeltraneSDKVersion,
                       UIDevice::platformString(), UIDevice::systemName(), UIDevice::systemVersion(), appName(),
                       bundle->shortVersion().value_or("0"), bundle->buildVersion().value_or("0"), appType(),
                       qualifier, VQSDKDeviceAppAttributes::installDeviceId());
}

std::vector<std::string> VeltraneSDKManager::getDevSupportInfos() {
    std::vector<std::string> infos = {
        "SDK Version",
        kVeltraneSDKVersion,
        "App Type",
        appType(),
        "User Agent",
        userAgent(),
        "Use Web Server Authentication",
        yesNo(useWebServerAuthentication()),
        "Identity Provider",
        yesNo(isIdentityProvider()),
    };
    const auto actions = accountActions();
    if (actions.currentUserDescription) {
        infos.push_back("Current User");
        infos.push_back(actions.currentUserDescription().value_or("none"));
    }
    return infos;
}

std::string VeltraneSDKManager::devInfoTitleString() { return "Veltrane Dev Support"; }

std::vector<std::shared_ptr<VQSDKDevAction>> VeltraneSDKManager::getDevActions(
    const std::shared_ptr<platform::ui::ViewController>& presentedViewController) {
    std::vector<std::shared_ptr<VQSDKDevAction>> actions;
    std::weak_ptr<VeltraneSDKManager> weak = weak_from_this();
    actions.push_back(VQSDKDevAction::create("Show dev info", [weak] {
        auto self = weak.lock();
        if (!self) return;
        const auto title = self->devInfoTitleString();
        const auto infos = self->getDevSupportInfos();
        NotificationCenter::defaultCenter()->post(kVQSDKDevInfoWillShowNotification, self.get(),
                                                  Json{{"title", title}, {"infos", infos}});
        if (!VQSDKDevSupportViewController::showDevInfo(title, infos)) {
            coreLogger()->w("VeltraneSDKManager", "No screen to show the developer information over.");
        }
    }));
    const auto account = accountActions();
    if (account.hasCurrentUser && account.hasCurrentUser()) {
        if (account.logout) actions.push_back(VQSDKDevAction::create("Logout", account.logout));
        if (account.switchUser) {
            std::weak_ptr<platform::ui::ViewController> presenter = presentedViewController;
            actions.push_back(VQSDKDevAction::create("Switch user", [switchUser = account.switchUser, presenter] {
                switchUser(presenter.lock());
            }));
        }
    }
    return actions;
}

} // namespace platform::veltrane
