#include "Platform/SDKs/Zentari/ZentariTypes.hpp"

namespace platform::zentari {

std::string description(ModuleStatus status) {
    switch (status) {
    case ModuleStatus::notInitialized: return "ModuleStatus.notInitialized";
    case ModuleStatus::operational: return "ModuleStatus.operational";
    case ModuleStatus::disabled: return "ModuleStatus.disabled";
    case ModuleStatus::failed: return "ModuleStatus.failed";
    case ModuleStatus::initializing: return "ModuleStatus.initializing";
    }
    return "ModuleStatus.unknown";
}

std::string description(OperationResult result) {
    switch (result) {
    case OperationResult::success: return "OperationResult.success";
    case OperationResult::error: return "OperationResult.error";
    case OperationResult::cancelled: return "OperationResult.cancelled";
    case OperationResult::timeout: return "OperationResult.timeout";
    }
    return "OperationResult.unknown";
}

std::string description(BackgroundFetchResult result) {
    switch (result) {
    case BackgroundFetchResult::newData: return "BackgroundFetchResult.newData";
    case BackgroundFetchResult::noData: return "BackgroundFetchResult.noData";
    case BackgroundFetchResult::failed: return "BackgroundFetchResult.failed";
    }
    return "BackgroundFetchResult.unknown";
}

} // namespace platform::zentari
