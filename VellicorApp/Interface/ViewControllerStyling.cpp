#include "VellicorApp/Interface/ViewControllerStyling.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"

namespace vellicor {

using namespace platform::ui;

void hideNavigationBarWhenEmpty(ViewController& controller, bool animated) {
    const auto navigation = controller.navigationController();
    if (!navigation || controller.parent() != navigation) return;
    const auto& item = controller.navigationItem();
    const auto& stack = navigation->viewControllers();
    const bool showsBackButton = !stack.empty() && stack.front().get() != &controller && !item.hidesBackButton;
    const bool hasContent = !item.title.empty() || !controller.title.value_or("").empty() || item.titleView ||
                            !item.leftBarButtonItems.empty() || !item.rightBarButtonItems.empty() || showsBackButton;
    navigation->setNavigationBarHidden(!hasContent, animated);
}

void configNavbarLargeTitle(ViewController& controller, const std::string& title,
                            const TitleTextAttributes& attributes) {
    if (auto navigation = controller.navigationController()) {
        navigation->navigationItem().largeTitleDisplayMode = NavigationItem::LargeTitleDisplayMode::always;
        auto bar = navigation->navigationBar();
        bar->prefersLargeTitles = true;
        bar->largeTitleTextAttributes = attributes;
    }
    controller.navigationItem().title = title;
}

void configureStatusBarUnderlayView(ViewController& controller, const std::shared_ptr<View>& underlay) {
    if (!underlay) return;
    auto view = controller.view();
    view->addSubview(underlay);
    LayoutConstraint::activate({
        underlay->anchor(LayoutAttribute::leading).constraint(view->anchor(LayoutAttribute::leading)),
        underlay->anchor(LayoutAttribute::width).constraint(view->anchor(LayoutAttribute::width)),
        underlay->anchor(LayoutAttribute::top).constraint(view->anchor(LayoutAttribute::top)),
        underlay->anchor(LayoutAttribute::bottom).constraint(view->safeAreaAnchor(LayoutAttribute::top)),
    });
    if (auto color = AppContext::current()->navBarTrueColor()) underlay->backgroundColor = *color;
}

std::shared_ptr<Window> keyWindow() {
    for (const auto& window : Window::visibleWindows()) {
        if (window->isKeyWindow()) return window;
    }
    return nullptr;
}

std::optional<Color> shadowColorIB(const Layer& layer) { return layer.shadowColor; }

void setShadowColorIB(Layer& layer, const std::optional<Color>& color) {
    if (color) layer.shadowColor = *color;
}

std::optional<Color> borderColorIB(const Layer& layer) { return layer.borderColor; }

void setBorderColorIB(Layer& layer, const std::optional<Color>& color) {
    if (color) layer.borderColor = *color;
}

} // namespace vellicor
