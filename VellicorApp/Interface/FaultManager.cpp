#include "VellicorApp/Core/FaultManager.hpp"

#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Core/AppConstants.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/ErrorMessages.hpp"
#include "VellicorApp/Core/Faults.hpp"
#include "VellicorApp/Core/Logger.hpp"
#include "VellicorApp/Interface/Toast.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"

#include <algorithm>

namespace vellicor {

namespace {
constexpr const char* kLogType = "FaultManager";
constexpr long kForbidden = 403;
} // namespace

std::shared_ptr<FaultManager> FaultManager::create() { return std::shared_ptr<FaultManager>(new FaultManager()); }

std::vector<std::shared_ptr<const Fault>> FaultManager::faults() const {
    std::vector<std::shared_ptr<const Fault>> queued;
    queued.reserve(faults_.size());
    for (const auto& entry : faults_) queued.push_back(entry.fault);
    return queued;
}

void FaultManager::addFault(std::shared_ptr<const Fault> fault) { addFault(std::move(fault), nullptr); }

void FaultManager::addFault(std::shared_ptr<const Fault> fault,
                            const std::shared_ptr<const platform::ui::ViewController>& screen) {
    if (!fault) return;
    QueuedFault entry{std::move(fault), std::nullopt};
    if (screen) entry.screen = screen;
    faults_.push_back(std::move(entry));
}

std::shared_ptr<const Fault> FaultManager::presentFault(const std::shared_ptr<platform::ui::ViewController>& viewController) {
    return present(viewController, nullptr);
}

std::shared_ptr<const Fault> FaultManager::presentFault(const std::shared_ptr<platform::ui::ViewController>& viewController,
                                                        const platform::ui::ViewController& appeared) {
    return present(viewController, &appeared);
}

std::shared_ptr<const Fault> FaultManager::present(const std::shared_ptr<platform::ui::ViewController>& viewController,
                                                   const platform::ui::ViewController* appeared) {
    // A fault of a screen that is gone has nobody left to show it to.
    std::erase_if(faults_, [](const QueuedFault& entry) { return entry.screen && entry.screen->expired(); });
    std::ranges::stable_sort(faults_, [](const QueuedFault& a, const QueuedFault& b) {
        return static_cast<int>(a.fault->priority()) > static_cast<int>(b.fault->priority());
    });
    // The faults this appearance decides on: all of them, or those of the
    // screen that appeared and of no screen.
    const auto concerns = [appeared](const QueuedFault& entry) {
        return !appeared || !entry.screen || entry.screen->lock().get() == appeared;
    };
    const auto first = std::ranges::find_if(faults_, concerns);
    if (first == faults_.end()) return nullptr;
    auto shown = first->fault;
    auto toast = Toast::loadFromNib();
    toast->configureToast(*shown);
    toast->present(viewController, true);
    // Faults that were not shown are dropped, not kept for a later screen;
    // those of another screen wait for that screen.
    std::erase_if(faults_, concerns);
    return shown;
}

void FaultManager::performAPIAccessCheck() {
    const auto context = AppContext::current();
    if (!context->isUserLoggedIn()) return;
    const auto service = context->networkService();
    if (!service) return;
    const auto request = platform::veltrane::VQRestRequest::requestWithMethod(
        platform::veltrane::VQRestMethod::GET, "/" + RestAPI::version() + "/records", platform::Json::object());
    service->executeRequest(request, [weakSelf = weak_from_this()](std::expected<platform::Json, platform::Error> result,
                                                                   std::optional<platform::HttpResponse>) {
        if (result) {
            Logger::info("API enabled check successful.", kLogType);
            return;
        }
        Logger::error("API enabled check failed with error: " + messageString(result.error()), kLogType);
        if (result.error().code != kForbidden) return;
        // The answer may arrive on a worker thread; the queue belongs to the
        // main thread, so the fault is appended there.
        platform::MainQueue::async([weakSelf] {
            if (auto self = weakSelf.lock()) self->addFault(std::make_shared<AccessAPIFault>());
        });
    });
}

} // namespace vellicor
