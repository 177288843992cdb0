#pragma once

namespace vellicor {

/// Configures the vendor's mobile SDK once at start, before anything else
/// talks to it: keychain accessibility, SDK start, the sign-in switches of
/// the SDK manager and the application name the SDK and the instrumentation
/// report the app under.
class MobileSDKConfigurator {
public:
    MobileSDKConfigurator() = delete;

    /// Called once, while the app delegate is created. Its first use of
    /// AppContext::current() builds the app's context.
    static void configure();
};

} // namespace vellicor
