#pragma once

#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"

#include <memory>
#include <optional>
#include <string>

namespace vellicor {

/// Large titles on the controller's navigation controller (if any) with the
/// given large-title text attributes, then the controller's own title.
void configNavbarLargeTitle(platform::ui::ViewController& controller, const std::string& title,
                            const platform::ui::TitleTextAttributes& attributes);

/// Shows the navigation bar of the controller's navigation controller when
/// the controller, on top of that stack, has something to show in it (a
/// title, a title view, bar buttons, or a back button: a controller above the
/// root that does not hide it), and hides the bar otherwise. Screens that sit
/// in a navigation stack call it as they appear; nothing happens outside one.
void hideNavigationBarWhenEmpty(platform::ui::ViewController& controller, bool animated);

/// Lays `underlay` over the status bar area of the controller's view: leading,
/// width and top with the view, bottom at the top of the safe area; it takes
/// the current context's navigation-bar colour when one is configured.
void configureStatusBarUnderlayView(platform::ui::ViewController& controller,
                                    const std::shared_ptr<platform::ui::View>& underlay);

/// The first window of the application's shown windows that is key; none
/// when no window is key.
std::shared_ptr<platform::ui::Window> keyWindow();

/// Layer colours set from interface files: setting none keeps the colour.
std::optional<platform::ui::Color> shadowColorIB(const platform::ui::Layer& layer);
void setShadowColorIB(platform::ui::Layer& layer, const std::optional<platform::ui::Color>& color);
std::optional<platform::ui::Color> borderColorIB(const platform::ui::Layer& layer);
void setBorderColorIB(platform::ui::Layer& layer, const std::optional<platform::ui::Color>& color);

} // namespace vellicor
