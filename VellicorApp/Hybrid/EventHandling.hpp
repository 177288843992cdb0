#pragma once

#include "VellicorApp/Core/NetworkError.hpp"
#include "VellicorApp/Hybrid/NativeEvent.hpp"

#include "Platform/Foundation/Json.hpp"

#include <expected>
#include <functional>

namespace vellicor {

/// What an event handler answers the page: a result dictionary or an error.
using NativeEventResult = std::expected<platform::Json, NetworkError>;
using NativeEventCompletion = std::function<void(NativeEventResult)>;

/// The handler object of one native event. Main thread.
class EventHandling {
public:
    virtual ~EventHandling() = default;
    /// Acts on the event and calls the completion exactly once, on the main
    /// thread, now or later. The completion may release the handler.
    virtual void handle(const NativeEvent& event, NativeEventCompletion completion) = 0;
};

} // namespace vellicor
