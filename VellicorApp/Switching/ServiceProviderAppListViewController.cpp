#include "VellicorApp/Switching/ServiceProviderAppListViewController.hpp"

#include "VellicorApp/Interface/NavigationFactory.hpp"
#include "VellicorApp/Core/Localization.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/TabBarController.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {
constexpr const char* kServiceProviderTabImage = "IDPLogin";
} // namespace

std::shared_ptr<ServiceProviderAppListViewController> ServiceProviderAppListViewController::create(
    ServiceProviderAppListView rootView) {
    return makeController<ServiceProviderAppListViewController>(std::move(rootView));
}

std::shared_ptr<ServiceProviderAppListViewController> ServiceProviderAppListViewController::fromArchive() {
    platform::fatalError("init(coder:) has not been implemented");
}

ServiceProviderAppListViewController::ServiceProviderAppListViewController(ServiceProviderAppListView rootView)
    : HostingController([view = rootView] { return view.body(); }), rootView_(std::move(rootView)) {
    title = localized("SUPPORTED_APPS_TITLE", "Title of App List View");
    if (rootView_.viewModel) observe(*rootView_.viewModel);
}

// Declared with the navigation factory, which builds the tab bar below this
// folder and so cannot read this screen's header.
std::shared_ptr<ViewController> NavigationFactory::makeServiceProviderAppListTab(
    const std::vector<ServiceProviderAppInfo>& apps) {
    auto viewModel = ServiceProviderAppListViewModel::create(apps);
    auto tab = ServiceProviderAppListViewController::create(ServiceProviderAppListView{std::move(viewModel)});
    tab->setTabBarItem(TabBarItem::create(localized("LOGIN_BUTTON", "login button text"),
                                          Image::named(kServiceProviderTabImage)));
    return tab;
}

} // namespace vellicor
