#pragma once

#include "Platform/Foundation/Json.hpp"

#include <memory>
#include <string>
#include <vector>

namespace vellicor {

/// A capability of the app that pages learn of (through the client-feature
/// script injected into every page).
class FeatureTrackable {
public:
    virtual ~FeatureTrackable() = default;

    /// The key the page finds the feature under.
    virtual std::string name() const = 0;
    /// True unless a feature says otherwise.
    virtual bool isEnabled() const { return true; }
    /// What the page receives for the feature: {"enabled": isEnabled()}.
    platform::Json attributes() const;
};

/// The app can force the user to update it from the App Store.
class ForceAppUpdateFeature : public FeatureTrackable {
public:
    std::string name() const override { return "forceAppUpdate"; }
};

/// The features the app reports to pages: one ForceAppUpdateFeature.
std::vector<std::shared_ptr<const FeatureTrackable>> makeClientFeatures();

/// The features as one JSON object: each feature's attributes under its name.
platform::Json clientFeaturesDictionary(const std::vector<std::shared_ptr<const FeatureTrackable>>& features);

/// The JSON text of a dictionary as the platform's JSON writer makes it
/// (compact, keys sorted, "/" escaped); "{}" when it cannot be written (a
/// number that is not finite, or a value that is no dictionary or array).
std::string jsonSerializedString(const platform::Json& dictionary);

} // namespace vellicor
