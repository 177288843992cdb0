#pragma once

#include "VellicorApp/Hybrid/EventHandling.hpp"

#include <memory>

namespace vellicor {

class CommunityViewControllable;

/// Carries out "navigateToExternalURL": hands the absolute URL in the
/// attribute "url" to the community screen's openURL, which opens it the way
/// the URL rules say, and answers an empty dictionary. Without such a URL the
/// page gets NetworkError::transport(missingRequiredAttributes); when the
/// screen is gone, NetworkError::transport(). Completes before handle
/// returns. Main thread.
class ExternalURLEventHandler : public EventHandling {
public:
    /// The screen is held weakly.
    static std::shared_ptr<ExternalURLEventHandler> create(std::weak_ptr<CommunityViewControllable> communityViewController);

    void handle(const NativeEvent& event, NativeEventCompletion completion) override;

private:
    explicit ExternalURLEventHandler(std::weak_ptr<CommunityViewControllable> communityViewController)
        : communityViewController_(std::move(communityViewController)) {}

    std::weak_ptr<CommunityViewControllable> communityViewController_;
};

} // namespace vellicor
