#pragma once

#include "Platform/Export.hpp"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::veltrane {

/// A host users may sign in at, as the login-host list shows it.
struct PLATFORM_EXPORT VQSDKLoginHost {
    VQSDKLoginHost() = default;
    VQSDKLoginHost(std::string name, std::string host, bool isDeletable)
        : name(std::move(name)), host(std::move(host)), isDeletable(isDeletable) {}

    /// The name users see ("Production").
    std::string name;
    /// The host, without scheme ("login.veltrane.example", "community.example.test/site").
    std::string host;
    /// Whether users may remove it from the list.
    bool isDeletable = false;

    bool operator==(const VQSDKLoginHost&) const = default;
};

/// The ordered list of login hosts, kept in the app's standard defaults
/// (kDefaultsKey) across launches. Until the list is first changed it holds
/// the SDK's built-in hosts: production, then sandbox (neither deletable).
/// Their host names come from the app configuration's "VQSDKProductionLoginHost"
/// and "VQSDKSandboxLoginHost" when set. Thread-safe.
class PLATFORM_EXPORT VQSDKLoginHostStorage {
public:
    static constexpr const char* kDefaultsKey = "VQSDKLoginHostList";
    static constexpr const char* kDefaultProductionLoginHost = "login.veltrane.example";
    static constexpr const char* kDefaultSandboxLoginHost = "test.veltrane.example";

    static std::shared_ptr<VQSDKLoginHostStorage> sharedInstance();

    /// The built-in hosts.
    static std::string productionLoginHost();
    static std::string sandboxLoginHost();
    static std::vector<VQSDKLoginHost> builtInLoginHosts();

    std::size_t numberOfLoginHosts() const;
    /// The host at an index; none past the end.
    std::optional<VQSDKLoginHost> loginHostAtIndex(std::size_t index) const;
    /// The first host whose host name is `host` (compared without case).
    std::optional<VQSDKLoginHost> loginHostForHostAddress(const std::string& host) const;
    std::vector<VQSDKLoginHost> loginHosts() const;
    /// Appends a host.
    void addLoginHost(const VQSDKLoginHost& host);
    /// Inserts a host at an index (appends past the end).
    void insertLoginHost(const VQSDKLoginHost& host, std::size_t index);
    /// Removes the host at an index; false past the end.
    bool removeLoginHostAtIndex(std::size_t index);

private:
    VQSDKLoginHostStorage() = default;
    std::vector<VQSDKLoginHost> read() const;
    void write(const std::vector<VQSDKLoginHost>& hosts) const;

    mutable std::mutex mutex_; // orders read-modify-write of the stored list
};

} // namespace platform::veltrane
