#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/ViewController.hpp"

#include <string>
#include <vector>

namespace platform::ui {

/// Appends the controller tree under `root` as text, one line per controller,
/// two spaces of indent per level, starting at `indent` levels:
///
///   NavigationController
///     LoadingViewController "Loading"
///     SettingsViewController "Settings" [top]
///   presented: AlertController "Signed out" style=custom
///
/// A line is the controller's typeName(), then its title in double quotes when
/// it has one. A navigation controller lists its stack, the top marked
/// `[top]`; a tab bar controller lists its tabs as `tab="<item title>"`, the
/// shown one marked `[selected]`, the ones beyond the fourth (when there are
/// more than five) marked `[more]`, and the More list as `More [selected]`
/// while it shows; other containers list their children. Each is followed by
/// its own children, one level deeper. A controller that presents another is
/// followed, at its own level, by `presented: <line> style=<style>` and the
/// presented controller's tree. Deterministic: no addresses.
PLATFORM_EXPORT void dumpControllers(const ViewController& root, int indent, std::vector<std::string>& lines);

/// The name of a presentation style as dumps write it ("fullScreen", "pageSheet", ...).
PLATFORM_EXPORT std::string presentationStyleName(ModalPresentationStyle style);

} // namespace platform::ui
