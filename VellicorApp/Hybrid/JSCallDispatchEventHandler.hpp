#pragma once

#include <string>

namespace vellicor {

/// Calls from the app into the page's script interface under
/// `myvellicor.nativejsapi`.
class JSCallDispatchEventHandler {
public:
    /// The page script that tells the page which client features the app has:
    /// "myvellicor.nativejsapi.clientFeatures = '<JSON>';", the JSON holding
    /// each feature's attributes under its name. The page reads it as a string.
    /// Made once, from the current context's features, at the first use.
    static const std::string& clientFeatureCapabilities();
};

} // namespace vellicor
