#pragma once

#include "VellicorApp/Shell/FlowCoordinatorError.hpp"

#include <functional>
#include <optional>

namespace vellicor {

/// One step of a flow: started with a completion that learns how it ended.
class FlowCoordinator {
public:
    /// Called with the step's error, or none when it ended without one. An
    /// empty function is no completion.
    using Completion = std::function<void(const std::optional<FlowCoordinatorError>&)>;

    virtual ~FlowCoordinator() = default;

    virtual void start(Completion completion) = 0;
};

} // namespace vellicor
