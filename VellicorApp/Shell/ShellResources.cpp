#include "VellicorApp/Shell/ShellResources.hpp"

#include "VellicorApp/Shell/Biometrics/BiometricsValidationViewController.hpp"

#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

void registerShellResources() {
    StoryboardDefinition biometrics;
    biometrics.controllers[BiometricsValidationViewController::kIdentifier] = [] {
        return BiometricsValidationViewController::makeStoryboardContent();
    };
    Storyboard::registerStoryboard(BiometricsValidationViewController::kStoryboardName, std::move(biometrics));
}

} // namespace vellicor
