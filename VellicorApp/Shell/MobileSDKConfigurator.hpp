#pragma once

#include <string>
#include <string_view>

namespace vellicor {

/// The text with only its ASCII characters: each user-perceived character
/// that is a single scalar below U+0080, and each CR LF pair; a letter joined
/// with a combining mark is dropped whole.
std::string asciiFiltered(std::string_view text);

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
