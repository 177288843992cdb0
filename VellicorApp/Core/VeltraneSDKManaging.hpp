#pragma once

#include "Platform/SDKs/Veltrane/VQHybridViewConfig.hpp"
#include "Platform/SDKs/Veltrane/VeltraneSDKManager.hpp"

#include <functional>
#include <memory>
#include <string>

namespace vellicor {

/// The app's narrow view of the SDK manager.
class VeltraneSDKManaging {
public:
    using UserAgentGenerator = std::function<std::string(const std::string& qualifier)>;

    virtual ~VeltraneSDKManaging() = default;

    virtual bool usesSnapshotView() const = 0;
    virtual void setUsesSnapshotView(bool value) = 0;
    /// Makes the user agent for a qualifier.
    virtual UserAgentGenerator userAgentGenerator() const = 0;
    virtual std::shared_ptr<platform::veltrane::VQHybridViewConfig> bootConfig() const = 0;
    virtual void setBootConfig(std::shared_ptr<platform::veltrane::VQHybridViewConfig> config) = 0;
    virtual bool isIdentityProvider() const = 0;
    virtual void setIsIdentityProvider(bool value) = 0;
    virtual bool useWebServerAuthentication() const = 0;
    virtual void setUseWebServerAuthentication(bool value) = 0;
};

/// The SDK's manager as VeltraneSDKManaging: each member forwards to the
/// manager's own.
class VeltraneSDKManagerAdapter : public VeltraneSDKManaging {
public:
    static std::shared_ptr<VeltraneSDKManagerAdapter> create(std::shared_ptr<platform::veltrane::VeltraneSDKManager> manager);

    bool usesSnapshotView() const override;
    void setUsesSnapshotView(bool value) override;
    UserAgentGenerator userAgentGenerator() const override;
    std::shared_ptr<platform::veltrane::VQHybridViewConfig> bootConfig() const override;
    void setBootConfig(std::shared_ptr<platform::veltrane::VQHybridViewConfig> config) override;
    bool isIdentityProvider() const override;
    void setIsIdentityProvider(bool value) override;
    bool useWebServerAuthentication() const override;
    void setUseWebServerAuthentication(bool value) override;

    const std::shared_ptr<platform::veltrane::VeltraneSDKManager>& manager() const { return manager_; }

private:
    explicit VeltraneSDKManagerAdapter(std::shared_ptr<platform::veltrane::VeltraneSDKManager> manager)
        : manager_(std::move(manager)) {}

    std::shared_ptr<platform::veltrane::VeltraneSDKManager> manager_;
};

} // namespace vellicor
