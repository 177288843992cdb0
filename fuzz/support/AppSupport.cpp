#include "fuzz/support/FuzzSupport.hpp"

#include "VellicorApp/SampleResources.hpp"
#include "VellicorApp/Core/AppContext.hpp"

#include "Platform/Foundation/Bundle.hpp"

namespace fuzzsupport {

std::shared_ptr<vellicor::Context> setUpApp() {
    static const auto context = [] {
        setUpPlatform();
        // The app's own context over the sample package, as made at launch.
        platform::Bundle::setMainBundlePath(vellicor::sampleResourcesDirectory());
        return vellicor::AppContext::current();
    }();
    return context;
}

} // namespace fuzzsupport
