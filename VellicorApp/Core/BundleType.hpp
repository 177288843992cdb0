#pragma once

#include "Platform/Foundation/Bundle.hpp"
#include "Platform/Foundation/Json.hpp"
#include "Platform/Foundation/Url.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// The app's configuration: the application bundle and its Info.plist.
class BundleType {
public:
    virtual ~BundleType() = default;

    /// The Info.plist value of a key, with its own type; none when absent.
    virtual std::optional<platform::Json> objectForInfoDictionaryKey(const std::string& key) const = 0;
    /// The path of a resource of the package; none when there is no such resource.
    virtual std::optional<std::string> pathForResource(const std::optional<std::string>& name,
                                                       const std::optional<std::string>& type) const = 0;
    virtual std::optional<std::string> bundleIdentifier() const = 0;
    /// Whether this install came from the store's beta channel.
    virtual bool isTestFlightBuild() const = 0;
    /// How long, in seconds, the community screen waits for the web app to bootstrap.
    virtual double webAppBootstrapTimeout() const = 0;
    virtual std::optional<platform::Url> resourceURL() const = 0;
};

/// The application bundle as the app's configuration.
class ApplicationBundle : public BundleType {
public:
    /// The type name the bundle's log lines report under.
    static constexpr const char* kLogType = "NSBundle";
    /// The time-out when "NativeWebAppBootstrapTimeout" gives none.
    static constexpr double kDefaultWebAppBootstrapTimeout = 60.0;

    static std::shared_ptr<ApplicationBundle> create(std::shared_ptr<platform::Bundle> bundle);
    /// The app's main bundle.
    static std::shared_ptr<ApplicationBundle> main();

    std::optional<platform::Json> objectForInfoDictionaryKey(const std::string& key) const override;
    std::optional<std::string> pathForResource(const std::optional<std::string>& name,
                                               const std::optional<std::string>& type) const override;
    std::optional<std::string> bundleIdentifier() const override;
    bool isTestFlightBuild() const override;
    double webAppBootstrapTimeout() const override;
    std::optional<platform::Url> resourceURL() const override;

    const std::shared_ptr<platform::Bundle>& bundle() const { return bundle_; }

private:
    explicit ApplicationBundle(std::shared_ptr<platform::Bundle> bundle) : bundle_(std::move(bundle)) {}

    std::shared_ptr<platform::Bundle> bundle_;
};

} // namespace vellicor
