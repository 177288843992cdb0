#include "VellicorApp/Interface/NavigationFactory.hpp"

#include "VellicorApp/Community/MultiSSOInfoStore.hpp"
#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/AppModeCommunity.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Instrumentation/KORVAMarkerManaging.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"
#include "VellicorApp/Interface/CommunityTabBarController.hpp"
#include "VellicorApp/Interface/CommunityTabScreens.hpp"
#include "VellicorApp/Interface/ImageResizing.hpp"

#include "Platform/UI/TableView.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {

/// Tab images are scaled to fit inside this box, aspect ratio kept.
constexpr Size kTabIconSize{30, 30};
constexpr const char* kServiceProviderTabImage = "IDPLogin";

std::optional<BarButtonItem::TitleTextAttributes> foreground(const std::optional<Color>& color) {
    if (!color) return std::nullopt;
    return BarButtonItem::TitleTextAttributes{.font = std::nullopt, .foregroundColor = *color};
}

} // namespace

NavigationFactory::NavigationFactory(CommunityViewControllable& defaultViewController, TabBarModel tabBarModel)
    : defaultViewController_(defaultViewController), tabBarModel_(std::move(tabBarModel)) {}

std::shared_ptr<TabBarController> NavigationFactory::tabBarController() const {
    auto tabBarController = CommunityTabBarController::create();
    auto controllers = generateTabControllers();
    if (controllers.empty()) return nullptr;

    // The start-up screen keeps its page, title and bar buttons; it takes only
    // the first tab's item. The controller made for that tab goes.
    auto& first = defaultViewController_.viewController();
    first.setTabBarItem(controllers.front()->tabBarItem());
    controllers.front() = first.shared_from_this();

    const auto& metadata = tabBarModel_.metadata;
    auto bar = tabBarController->tabBar();
    bar->backgroundColor = metadata.barTintColor;
    bar->barTintColor = metadata.barTintColor;
    bar->tintColor = metadata.iconTintColor;
    bar->unselectedItemTintColor = metadata.iconTintColorUnselected;
    bar->isTranslucent = metadata.barTransparency;

    const auto tabCount = controllers.size();
    tabBarController->setViewControllers(std::move(controllers));
    // The user cannot rearrange the tabs from the More screen.
    tabBarController->customizableViewControllers.reset();
    configureMoreTabNavigation(*tabBarController->moreNavigationController());

    AppContext::current()->korvaMarkerCenter->logInteraction(
        KORVAMarkerName::nativeTabNavigation,
        platform::Json{{"tabCount", tabCount},
                       {"tabBarColorSpecified", metadata.barTintColor.has_value()},
                       {"tabFontColorSpecified", metadata.textColor.has_value()},
                       {"tabChangedSinceLastSession", tabBarModel_.changedSinceLastSession}});
    return tabBarController;
}

std::shared_ptr<ViewController> NavigationFactory::makeServiceProviderAppListTab(
    const std::vector<ServiceProviderAppInfo>& /*apps*/) {
    auto tab = ViewController::create();
    tab->setTabBarItem(TabBarItem::create(localized("LOGIN_BUTTON", "login button text"),
                                          Image::named(kServiceProviderTabImage)));
    return tab;
}

std::vector<std::shared_ptr<ViewController>> NavigationFactory::generateTabControllers() const {
    auto controllers = generateCommunityViewControllers();
    const auto apps = MultiSSOInfoStore().serviceProviderAppInfo();
    // Set on every build: the app acts as identity provider exactly while
    // its configuration names apps to sign in to.
    AppContext::current()->veltraneSDKManager->setIsIdentityProvider(!apps.empty());
    if (apps.empty()) return controllers;
    // Always the last tab.
    controllers.push_back(makeServiceProviderAppListTab(apps));
    return controllers;
}

std::vector<std::shared_ptr<ViewController>> NavigationFactory::generateCommunityViewControllers() const {
    const auto context = AppContext::current();
    const auto& metadata = tabBarModel_.metadata;
    std::vector<std::shared_ptr<ViewController>> screens;
    for (const auto& tab : tabBarModel_.tabs) {
        // A new configuration for each tab: each screen keeps its own start page.
        auto config = appConfig(context->appMode());
        if (!config) continue;
        config->setUnauthenticatedStartPage(tab.targetURL.absoluteString());
        config->setStartPage(tab.targetURL.absoluteString());

        auto screen = makeCommunityTabScreen(std::move(config));
        screen->title = tab.name;
        auto& leftItems = screen->navigationItem().leftBarButtonItems;
        if (const auto navBarColor = context->navBarTrueColor(); navBarColor && !leftItems.empty()) {
            leftItems.front()->tintColor = contrastColor(*navBarColor);
        }

        const auto icon = loadTabBarIcon(tab.icon ? std::optional(tab.icon->payload) : std::nullopt);
        auto item = TabBarItem::create(tab.name, icon ? resize(*icon, kTabIconSize) : nullptr);
        item->setTitleTextAttributes(foreground(metadata.textColorUnselected), ControlState::normal);
        item->setTitleTextAttributes(foreground(metadata.textColor), ControlState::selected);
        screen->setTabBarItem(std::move(item));
        screens.push_back(std::move(screen));
    }
    return screens;
}

void NavigationFactory::configureMoreTabNavigation(NavigationController& navigationController) const {
    if (const auto navBarColor = AppContext::current()->navBarTrueColor()) {
        auto bar = navigationController.navigationBar();
        bar->barTintColor = *navBarColor;
        bar->titleTextAttributes = TitleTextAttributes{.font = std::nullopt, .foregroundColor = contrastColor(*navBarColor)};
    }
    // The system list of the tabs that do not fit in the bar.
    if (auto top = navigationController.topViewController()) {
        if (auto table = std::dynamic_pointer_cast<TableView>(top->view())) {
            table->tintColor = tabBarModel_.metadata.iconTintColorUnselected.value_or(Color::systemGray());
        }
    }
}

} // namespace vellicor
