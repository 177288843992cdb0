#include "VellicorApp/Shell/AppContext.hpp"

#include "VellicorApp/Community/ConfigFileCache.hpp"
#include "VellicorApp/Community/FileCache.hpp"
#include "VellicorApp/Community/FileDownloads.hpp"
#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Hybrid/WebsiteDataStoreCookies.hpp"
#include "VellicorApp/Push/PushNotificationManager.hpp"
#include "VellicorApp/Push/ZentariPushManager.hpp"
#include "VellicorApp/Shell/Biometrics/BiometricsManager.hpp"
#include "VellicorApp/Shell/FaultManager.hpp"
#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/SDKs/Veltrane/VQRestAPI.hpp"
#include "Platform/Foundation/Uuid.hpp"

#include <mutex>
#include <optional>

namespace vellicor {

namespace {

constexpr const char* kLogType = "AppContext";

struct Stack {
    std::mutex mutex;
    std::optional<std::vector<std::shared_ptr<Context>>> contexts;
    AppContext::ContextMaker maker;
};

Stack& stack() {
    static Stack instance;
    return instance;
}

} // namespace

namespace {

/// The last context of a built stack; none, with the maker to build it,
/// while the stack is not built.
std::optional<std::shared_ptr<Context>> lastContext(AppContext::ContextMaker& maker) {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    if (!s.contexts) {
        maker = s.maker;
        return std::nullopt;
    }
    return s.contexts->empty() ? nullptr : s.contexts->back();
}

} // namespace

std::shared_ptr<Context> AppContext::current() {
    ContextMaker maker;
    auto last = lastContext(maker);
    if (!last) {
        // Built outside the guard: making the default context reaches the
        // SDK's shared objects, which may take locks of their own or touch
        // the stack. When two threads build at once, the first stack set wins.
        auto built = maker ? maker() : Context::makeDefault();
        auto& s = stack();
        std::lock_guard lock(s.mutex);
        if (!s.contexts) s.contexts = std::vector<std::shared_ptr<Context>>{std::move(built)};
        last = s.contexts->empty() ? nullptr : s.contexts->back();
    }
    if (!*last) platform::fatalError("There must be at least 1 context!");
    return *last;
}

void AppContext::updateCurrentContextSessionID() { current()->setSessionID(platform::Uuid().uuidString()); }

void AppContext::setDefaultContextMaker(ContextMaker maker) {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    std::swap(s.maker, maker);
}

void AppContext::updateWithCurrentUser() {
    const auto context = current();
    const auto user = context->userAccount();
    if (!user) {
        Logger::info("No user found, not updating current context with user!", kLogType);
        return;
    }
    context->setBiometricsManager(BiometricsManager::create(user));
    context->setPushNotificationManager(PushNotificationManager::create(user));
    context->setNetworkService(NetworkService::create(platform::veltrane::VQRestAPI::sharedInstance()));
    context->faultManager->performAPIAccessCheck();
    if (const auto marketing = context->mktPushManager()) marketing->setContactKey(user);
}

void AppContext::cleanupWithUserLogout() {
    const auto context = current();
    if (!context->isUserLoggedIn()) {
        Logger::error("No user found, failed to perform user cleanup!", kLogType);
        return;
    }
    context->setBiometricsManager(nullptr);
    // Released here: it recounts the badge and may unregister from remote notifications.
    context->setPushNotificationManager(nullptr);
    clearCookies(context->webDataStore);
    // Downloads under way end first, so that none lands after the wipe.
    FileDownloads::shared().endSession();
    FileCache(platform::FileManager::defaultManager()).clear();
    ConfigFileCache(platform::FileManager::defaultManager(), "NativeNavigation").clear();
    context->setNetworkService(NetworkService::create(platform::veltrane::VQRestAPI::sharedGlobalInstance()));
    // Back to the stored guest key.
    if (const auto marketing = context->mktPushManager()) marketing->setContactKey();
}

void AppContext::setStackForTesting(std::vector<std::shared_ptr<Context>> contexts) {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    s.contexts = std::move(contexts);
}

void AppContext::resetForTesting() {
    auto& s = stack();
    std::lock_guard lock(s.mutex);
    s.contexts.reset();
}

} // namespace vellicor
