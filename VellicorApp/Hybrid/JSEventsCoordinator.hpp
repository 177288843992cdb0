#pragma once

#include "VellicorApp/Hybrid/EventHandling.hpp"
#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"

#include <memory>
#include <vector>

namespace vellicor {

class CommunityViewControllable;

/// Carries out the native events of one community screen: logs the event's
/// interaction marker, makes its handler object and keeps it until it has
/// answered, then passes the answer on. Handlers run side by side (two
/// downloads at once) and each leaves the list when it answers, in any
/// order. Main thread.
class JSEventsCoordinator : public InvokeNativeEventMessageHandlerDelegate,
                            public std::enable_shared_from_this<JSEventsCoordinator> {
public:
    /// The screen the events act on, held weakly.
    static std::shared_ptr<JSEventsCoordinator> create(std::weak_ptr<CommunityViewControllable> viewController);

    void shouldHandleNativeEvent(InvokeNativeEventMessageHandler& handler, const NativeEvent& event,
                                 NativeEventCompletion completion) override;
    void handleNativeEvent(const NativeEvent& event, NativeEventCompletion completion);

    /// The handlers that have started and not yet answered.
    const std::vector<std::shared_ptr<EventHandling>>& handlers() const { return handlers_; }

private:
    explicit JSEventsCoordinator(std::weak_ptr<CommunityViewControllable> viewController)
        : viewController_(std::move(viewController)) {}

    std::shared_ptr<EventHandling> makeHandler(NativeEventType type) const;
    void executeHandler(const std::shared_ptr<EventHandling>& handler, const NativeEvent& event,
                        NativeEventCompletion completion);
    void addHandler(std::shared_ptr<EventHandling> handler);
    void removeHandler(const EventHandling* handler);

    std::weak_ptr<CommunityViewControllable> viewController_;
    std::vector<std::shared_ptr<EventHandling>> handlers_;
};

} // namespace vellicor
