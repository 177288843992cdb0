#pragma once

#include "Platform/Web/ScriptMessage.hpp"

namespace vellicor {

/// Whether a script message comes from the signed-in community's own page:
/// posted by the main frame of an https page whose host (in any case) is the
/// host of the account manager's login host, or, with a user signed in, the
/// host of the user's community URL, API instance URL or instance URL.
///
/// Links the rules do not know stay in the web view, so any site can end up
/// posting to the app's handlers; only community senders may read the tokens,
/// start a sign-in or describe the native navigation. Reads the current
/// context. Main thread.
bool isCommunitySender(const platform::web::ScriptMessage& message);

} // namespace vellicor
