#pragma once

namespace platform::ui {
class EventDriver;
}

namespace vellicor {

/// The app program's own event commands: short forms of what a user of the
/// demo community (the loopback community server, tools/community-server)
/// does to sign in and out, and one printed line whenever a sign-in or a
/// sign-out completes, however it was started.
///
///   sign-in USER [PASSWORD]  submits the community's login form, shown on
///                            the login screen, as USER. A demo user's name
///                            ("alice") stands for the demo's user name and
///                            password; any other USER is a full user name
///                            and needs its PASSWORD.
///   sign-out                 the community page shown asks the app to sign
///                            the user out, as its log-out link does.
///
/// Printed: "signed in: USERNAME" once the SDK has signed a user in, and
/// "signed out" once it has signed one out. The lines print on the main
/// thread, within the event that led to them.
void registerDemoCommunityEventCommands(platform::ui::EventDriver& driver);

} // namespace vellicor
