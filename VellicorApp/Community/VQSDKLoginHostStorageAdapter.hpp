#pragma once

#include "VellicorApp/Core/LoginHostProvider.hpp"

#include <memory>

namespace platform::veltrane {
class VQSDKLoginHostStorage;
} // namespace platform::veltrane

namespace vellicor {

/// The SDK's login host storage as LoginHostProvider.
class VQSDKLoginHostStorageAdapter : public LoginHostProvider {
public:
    static std::shared_ptr<VQSDKLoginHostStorageAdapter> create(
        std::shared_ptr<platform::veltrane::VQSDKLoginHostStorage> storage);

    /// Removes the first entry as many times as the list was long.
    void removeAllLoginHosts() override;
    /// In order, each test looking at the entry now first and removing at most
    /// that one: the SDK's production host, the SDK's sandbox host, the normal
    /// edition's login host. Then appends the current mode's login host and
    /// the configured sandbox host, each only when no entry has that host
    /// already: the list is kept across launches, so a plain append would add
    /// them again on every start.
    void resetDefaultLoginHosts() override;
    void add(const platform::veltrane::VQSDKLoginHost& loginHost) override;
    /// Appends "SANDBOX_LOGIN_HOST" for the Info.plist "SandboxLoginHost"
    /// (not deletable) when it is set; a plain append.
    void addSandboxLoginHost() override;

    const std::shared_ptr<platform::veltrane::VQSDKLoginHostStorage>& storage() const { return storage_; }

private:
    explicit VQSDKLoginHostStorageAdapter(std::shared_ptr<platform::veltrane::VQSDKLoginHostStorage> storage)
        : storage_(std::move(storage)) {}

    std::shared_ptr<platform::veltrane::VQSDKLoginHostStorage> storage_;
};

} // namespace vellicor
