#pragma once

#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

#include <string>

namespace vellicor {

// What marketing push and notification taps ask of the app's shell, which
// builds on this folder. Declared here and defined with the shell's launch
// actions and app delegate. Main thread.

/// Queues a link action that opens `url` inside the app with the running
/// context's app coordinator; does nothing without a coordinator.
void launchURLLinkAction(const platform::Url& url);

/// Queues the deep-link action of a community platform notification's payload
/// with the app coordinator (over its navigation controller). False, having
/// done nothing, when the application's delegate is not the app's own or the
/// context has no coordinator.
bool launchDeeplinkAction(const platform::Json& userInfo);

/// How the app delegate's session tracker last launched the app: "coldStart",
/// "warmStart" for any other state, "N/A" without a tracker.
std::string lastLaunchStateText();

} // namespace vellicor
