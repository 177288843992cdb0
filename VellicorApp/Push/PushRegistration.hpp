#pragma once

#include "VellicorApp/Core/BundleType.hpp"

namespace vellicor {

/// Whether the app may ask for the push permission and register with the
/// marketing push service now; the same rule for every configuration of the
/// app (`bundle`), read with the running context's sign-in and defaults.
bool shouldRegisterForPushNotifications(const BundleType& bundle);

} // namespace vellicor
