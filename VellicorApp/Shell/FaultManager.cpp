#include "VellicorApp/Shell/FaultManager.hpp"

#include "VellicorApp/Shell/ErrorMessages.hpp"
#include "VellicorApp/Community/NetworkService.hpp"
#include "VellicorApp/Interface/Toast.hpp"
#include "VellicorApp/Shell/AppConstants.hpp"
#include "VellicorApp/Shell/AppContext.hpp"
#include "VellicorApp/Shell/Faults.hpp"
#include "VellicorApp/Shell/Logger.hpp"

#include "Platform/Foundation/Dispatch.hpp"
#include "Platform/SDKs/Veltrane/VQRestRequest.hpp"

#include <algorithm>

namespace vellicor {

namespace {
constexpr const char* kLogType = "FaultManager";
constexpr long kForbidden = 403;
} // namespace

std::shared_ptr<FaultManager> FaultManager::create() { return std::shared_ptr<FaultManager>(new FaultManager()); }

void FaultManager::addFault(std::shared_ptr<const Fault> fault) {
    if (fault) faults_.push_back(std::move(fault));
}

std::shared_ptr<const Fault> FaultManager::presentFault(const std::shared_ptr<platform::ui::ViewController>& viewController) {
    std::ranges::stable_sort(faults_, [](const auto& a, const auto& b) {
        return static_cast<int>(a->priority()) > static_cast<int>(b->priority());
    });
    if (faults_.empty()) return nullptr;
    auto shown = faults_.front();
    auto toast = Toast::loadFromNib();
    toast->configureToast(*shown);
    toast->present(viewController, true);
    // Faults that were not shown are dropped, not kept for a later screen.
    faults_.clear();
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
