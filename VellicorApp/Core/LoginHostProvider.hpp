#pragma once

namespace platform::veltrane {
struct VQSDKLoginHost;
} // namespace platform::veltrane

namespace vellicor {

/// The app's operations on the list of login hosts the SDK offers.
class LoginHostProvider {
public:
    virtual ~LoginHostProvider() = default;
    /// Empties the list.
    virtual void removeAllLoginHosts() = 0;
    /// Puts the app's own hosts in place of the SDK's built-in ones (see the
    /// storage adapter for the exact rule).
    virtual void resetDefaultLoginHosts() = 0;
    /// Appends a host.
    virtual void add(const platform::veltrane::VQSDKLoginHost& loginHost) = 0;
    /// Appends the configured sandbox host, when there is one.
    virtual void addSandboxLoginHost() = 0;
};

} // namespace vellicor
