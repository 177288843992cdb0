#include "VellicorApp/Hybrid/JSEventsCoordinator.hpp"

#include "VellicorApp/Community/FilesFetcher.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Hybrid/ExternalURLEventHandler.hpp"
#include "VellicorApp/Hybrid/FilesEventHandler.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"

#include <algorithm>

namespace vellicor {

namespace {

KORVAMarkerName markerName(NativeEventType type) {
    switch (type) {
    case NativeEventType::downloadFile: return KORVAMarkerName::fileDownload;
    case NativeEventType::navigateToExternalURL: return KORVAMarkerName::externalURL;
    }
    return KORVAMarkerName::externalURL;
}

} // namespace

std::shared_ptr<JSEventsCoordinator> JSEventsCoordinator::create(std::weak_ptr<CommunityViewControllable> viewController) {
    return std::shared_ptr<JSEventsCoordinator>(new JSEventsCoordinator(std::move(viewController)));
}

void JSEventsCoordinator::shouldHandleNativeEvent(InvokeNativeEventMessageHandler& /*handler*/, const NativeEvent& event,
                                                  NativeEventCompletion completion) {
    handleNativeEvent(event, std::move(completion));
}

void JSEventsCoordinator::handleNativeEvent(const NativeEvent& event, NativeEventCompletion completion) {
    if (const auto center = AppContext::current()->korvaMarkerCenter) {
        center->logInteraction(markerName(event.type), std::nullopt);
    }
    executeHandler(makeHandler(event.type), event, std::move(completion));
}

std::shared_ptr<EventHandling> JSEventsCoordinator::makeHandler(NativeEventType type) const {
    switch (type) {
    case NativeEventType::downloadFile: return FilesEventHandler::create(viewController_, FilesFetcher::create());
    case NativeEventType::navigateToExternalURL: return ExternalURLEventHandler::create(viewController_);
    }
    return ExternalURLEventHandler::create(viewController_);
}

void JSEventsCoordinator::executeHandler(const std::shared_ptr<EventHandling>& handler, const NativeEvent& event,
                                         NativeEventCompletion completion) {
    addHandler(handler);
    // The list keeps the handler alive; the completion names it only by
    // identity, so that a handler that never answers is not kept by itself.
    const EventHandling* identity = handler.get();
    handler->handle(event, [weakSelf = weak_from_this(), identity, completion = std::move(completion)](
                               NativeEventResult result) {
        if (auto self = weakSelf.lock()) self->removeHandler(identity);
        completion(std::move(result));
    });
}

void JSEventsCoordinator::addHandler(std::shared_ptr<EventHandling> handler) { handlers_.push_back(std::move(handler)); }

void JSEventsCoordinator::removeHandler(const EventHandling* handler) {
    const auto found = std::ranges::find_if(handlers_, [handler](const auto& running) { return running.get() == handler; });
    if (found == handlers_.end()) return;
    // Released after the list is consistent again: its destructor may reach back.
    auto removed = std::move(*found);
    handlers_.erase(found);
}

} // namespace vellicor
