#pragma once

#include "Platform/Export.hpp"
#include "Platform/SDKs/Veltrane/VQSDKInstrumentationEvent.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// An instrumentation event store: events wait in it, in the order they were
/// stored, until they are deleted.
class PLATFORM_EXPORT VQSDKEventStoreManaging {
public:
    virtual ~VQSDKEventStoreManaging() = default;

    /// Keeps one event; a null event is ignored.
    virtual void storeEvent(std::shared_ptr<const VQSDKInstrumentationEvent> event) = 0;
    /// Keeps the events in their order, as storeEvent does for each; a store
    /// may write them together.
    virtual void storeEvents(std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>> events) {
        for (auto& event : events) storeEvent(std::move(event));
    }
    /// Every stored event, oldest first; none when the store cannot be read.
    virtual std::optional<std::vector<std::shared_ptr<const VQSDKInstrumentationEvent>>> fetchAllEvents() = 0;
    /// Deletes the events with these ids; unknown ids and none are ignored.
    virtual void deleteEvents(const std::optional<std::vector<std::string>>& eventIds) = 0;
    virtual void deleteAllEvents() = 0;
};

} // namespace platform::veltrane
