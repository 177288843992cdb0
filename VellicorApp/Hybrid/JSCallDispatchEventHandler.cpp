#include "VellicorApp/Hybrid/JSCallDispatchEventHandler.hpp"

#include "VellicorApp/Hybrid/ClientFeatures.hpp"
#include "VellicorApp/Shell/AppContext.hpp"

namespace vellicor {

const std::string& JSCallDispatchEventHandler::clientFeatureCapabilities() {
    // The JSON sits inside a single-quoted script string: feature names and
    // attributes are the app's own and hold no quote or line break.
    static const std::string script = "myvellicor.nativejsapi.clientFeatures = '" +
                                      jsonSerializedString(clientFeaturesDictionary(AppContext::current()->clientFeatures)) + "';";
    return script;
}

} // namespace vellicor
