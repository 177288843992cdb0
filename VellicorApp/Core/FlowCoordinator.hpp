#pragma once

#include "VellicorApp/Core/FlowCoordinatorError.hpp"

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
    /// Its owner replaced or dropped the step: work the step scheduled for
    /// later is called off, so nothing of it shows over whatever runs next.
    /// The step does not complete because of it. Steps with no such work
    /// need not override it.
    virtual void cancel() {}
};

} // namespace vellicor
