#include "VellicorApp/Core/BaseFlowCoordinator.hpp"

#include "VellicorApp/Core/Logger.hpp"

#include "Platform/Foundation/Error.hpp"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

namespace vellicor {

namespace {

/// "vellicor::EULACoordinator" → "EULACoordinator".
std::string unqualifiedTypeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = (status == 0 && demangled != nullptr) ? demangled : type.name();
    std::free(demangled);
    if (const auto colons = name.rfind("::"); colons != std::string::npos) name.erase(0, colons + 2);
    return name;
}

} // namespace

std::string BaseFlowCoordinator::stepName() const { return unqualifiedTypeName(typeid(*this)); }

void BaseFlowCoordinator::start(Completion completion) {
    Logger::info("[" + stepName() + "] Started.", kLogType);
    completion_ = std::move(completion);
    // A step that completes at once may be dropped by its owner inside the
    // completion; keep it alive until execute() has returned.
    const auto keepAlive = weak_from_this().lock();
    execute();
}

void BaseFlowCoordinator::execute() { platform::fatalError("Children should implement `execute`."); }

void BaseFlowCoordinator::cancel() { delayedWork_.cancelAll(); }

void BaseFlowCoordinator::complete(std::optional<FlowCoordinatorError> error) {
    Logger::info("[" + stepName() + "] Completed. Error: " + (error ? localizedDescription(*error) : std::string("N/A")),
                 kLogType);
    // What the step left waiting belongs to the step that has now ended.
    cancel();
    // Call a copy: the owner may destroy this step, and with it the kept
    // completion, while the completion runs.
    if (auto completion = completion_) completion(error);
}

} // namespace vellicor
