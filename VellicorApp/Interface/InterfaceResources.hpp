#pragma once

#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

/// Registers the interface files of the native shell chrome: the nibs
/// "Toast", "ProgressView" and "ParallaxHeaderView" and the storyboards
/// "RequiredLoginOverlay", "MenuActions" and "Main" (the loading screen in
/// its navigation controller). The URL-rule screen the menu's
/// list opens is given by its owner; without it the list has no such segue.
void registerInterfaceResources(platform::ui::StoryboardDefinition::Factory managedURLsViewController = {});

} // namespace vellicor
