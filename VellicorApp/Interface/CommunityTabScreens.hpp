#pragma once

#include "Platform/Foundation/Url.hpp"
#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"
#include "Platform/SDKs/Veltrane/VQUserAccountManager.hpp"

#include <memory>
#include <optional>

namespace platform::ui {
class ViewController;
}

namespace vellicor {

// What the tab bar and the navigation factory do with the community screens
// they hold. The community screen is built above this folder; these are
// defined beside it (Hybrid/CommunityTabScreens.cpp).

/// A new community screen over `config` (see makeCommunityScreen): a screen
/// that is a CommunityViewControllable, without a delegate, that loads its
/// start page when its view loads.
std::shared_ptr<platform::ui::ViewController> makeCommunityTabScreen(
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> config);

/// Shows the close button of a community screen: the user's only way back
/// from one presented over the tab bar. Does nothing for another screen.
void showCommunityScreenCloseButton(platform::ui::ViewController& screen);

/// Refreshes the signed-in user's credentials through the community screen
/// `screen` (its navigations are held back until the SDK answers; the
/// completion gets the SDK's result once, on the main queue). False, with
/// nothing done and no completion, when `screen` is no community screen
/// that can refresh its session.
bool refreshCommunityCredentials(platform::ui::ViewController& screen,
                                 std::shared_ptr<platform::veltrane::VQOAuthCredentials> credentials,
                                 platform::veltrane::VQAuthCompletion completion);

/// Loads the session a refresh brought into the community screen `screen`:
/// the request its model makes of `result`, for the page the screen would
/// return to (`pageURL` when given). Does nothing for another screen, or
/// when the screen has no web view yet.
void reloadWithRefreshedSession(platform::ui::ViewController& screen, const std::optional<platform::Url>& pageURL,
                                const platform::veltrane::VQAuthResult& result);

} // namespace vellicor
