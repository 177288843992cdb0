#include "VellicorApp/Hybrid/ClientFeatures.hpp"

#include "Platform/SDKs/Veltrane/DictionaryAdditions.hpp"

namespace vellicor {

platform::Json FeatureTrackable::attributes() const { return platform::Json{{"enabled", isEnabled()}}; }

std::vector<std::shared_ptr<const FeatureTrackable>> makeClientFeatures() {
    return {std::make_shared<const ForceAppUpdateFeature>()};
}

platform::Json clientFeaturesDictionary(const std::vector<std::shared_ptr<const FeatureTrackable>>& features) {
    auto dictionary = platform::Json::object();
    for (const auto& feature : features) {
        if (feature) dictionary[feature->name()] = feature->attributes();
    }
    return dictionary;
}

std::string jsonSerializedString(const platform::Json& dictionary) {
    return platform::veltrane::jsonStringFromDictionary(dictionary).value_or("{}");
}

} // namespace vellicor
