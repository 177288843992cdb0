#include "VellicorApp/Shell/ShellResources.hpp"

#include "VellicorApp/Shell/Biometrics/BiometricsValidationViewController.hpp"
#include "VellicorApp/Shell/EULA/EULAViewController.hpp"

#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

void registerShellResources() {
    StoryboardDefinition biometrics;
    biometrics.controllers[BiometricsValidationViewController::kIdentifier] = [] {
        return BiometricsValidationViewController::makeStoryboardContent();
    };
    Storyboard::registerStoryboard(BiometricsValidationViewController::kStoryboardName, std::move(biometrics));

    StoryboardDefinition eula;
    eula.controllers[EULAViewController::kIdentifier] = [] { return EULAViewController::makeStoryboardContent(); };
    Storyboard::registerStoryboard(EULAViewController::kStoryboardName, std::move(eula));
}

} // namespace vellicor
