#pragma once

namespace vellicor {

/// Ends and logs the application delegate's cold-start marker, for the code
/// that sees the first community page arrive (with whether it came right
/// after a sign-in). Only the first call counts; without the app's own
/// delegate nothing happens. Main thread.
void endApplicationColdStartMarker(bool redirectedFromLogin);

} // namespace vellicor
