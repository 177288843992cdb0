#pragma once

#include "Platform/Export.hpp"

namespace platform::ui {
class EventDriver;
}

namespace platform::veltrane {

/// Adds the event command that plays a service-provider app:
///   sp answer   the service provider answers the latest start request of an
///               identity-provider-initiated sign-in (the last URL the app
///               opened with vqidp=idp_init): an sp_login command of its
///               own, with its client, its callback as redirect URI, the
///               request's state and a fresh code challenge, handed to the
///               app as `open-url` would; prints `sp answer: handled` or
///               `not handled`. The state is random, so a script cannot
///               write this answer itself.
PLATFORM_EXPORT void registerIdentityProviderEventCommands(ui::EventDriver& driver);

} // namespace platform::veltrane
