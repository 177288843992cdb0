#pragma once

#include "VellicorApp/Core/AppMode.hpp"

#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"
#include "Platform/SDKs/Veltrane/VQSDKLoginHostStorage.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

// Each of these is computed afresh at every call, from the selected community
// and boot configuration in the given mode's files (read anew each time) and
// the running context. They read the community's stores, so they are defined
// with them (Community/AppModeCommunity.cpp).

/// The selected community's login host; without one, the Info.plist login
/// host in the normal edition and none in the preview edition.
std::optional<std::string> loginHost(AppMode mode);
/// The selected community's web-runtime flag; without one, the Info.plist
/// flag in the normal edition and false in the preview edition.
bool isPlexaCommunity(AppMode mode);
/// The SDK login host of loginHost(): named with the localised
/// "PRODUCTION_LOGIN_HOST", not deletable; none without a login host.
std::optional<platform::veltrane::VQSDKLoginHost> vqLoginHost(AppMode mode);
/// The boot configuration stored for the mode, else the package's default,
/// set not to sign in first; none when there is neither.
std::shared_ptr<platform::veltrane::VQHybridViewConfig> appConfig(AppMode mode);
/// Whether the boot configuration's unauthenticated start page ends in
/// "/s/"; true when there is no configuration or no start page.
bool isSlashSCommunity(AppMode mode);

} // namespace vellicor
