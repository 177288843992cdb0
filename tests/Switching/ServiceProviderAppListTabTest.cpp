#include "VellicorApp/Community/MultiSSOInfoStore.hpp"
#include "VellicorApp/Interface/NavigationFactory.hpp"
#include "VellicorApp/Switching/ServiceProviderAppListViewController.hpp"
#include "tests/Interface/TabBarTestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>

namespace {

using vellicor::NavigationFactory;
using vellicor::ServiceProviderAppListViewController;

class ServiceProviderAppListTabTest : public tabbartest::TabBarTest {};

TEST_F(ServiceProviderAppListTabTest, TheLastTabIsTheListOfTheConfiguredApps) {
    configure(true);
    auto start = tabbartest::FakeTab::make("https://community.example.test/s/", "Start");
    vellicor::TabBarModel model;
    for (const char* name : {"Home", "Guides"}) {
        model.tabs.push_back(vellicor::TabModel{
            .id = 0,
            .name = name,
            .icon = std::nullopt,
            .targetURL = platform::Url::parse(std::string("https://community.example.test/s/") + name).value(),
            .position = 0});
    }
    auto tabBar = NavigationFactory(*start, model).tabBarController();
    ASSERT_NE(tabBar, nullptr);
    const auto& tabs = tabBar->viewControllers();
    ASSERT_EQ(tabs.size(), 3u);
    auto list = std::dynamic_pointer_cast<ServiceProviderAppListViewController>(tabs.back());
    ASSERT_NE(list, nullptr);
    const auto& viewModel = list->rootView().viewModel;
    ASSERT_NE(viewModel, nullptr);
    EXPECT_EQ(viewModel->appInfos(), vellicor::MultiSSOInfoStore().serviceProviderAppInfo());
    EXPECT_EQ(viewModel->appInfos().size(), 1u);
    EXPECT_FALSE(viewModel->isAuthenticating.get());
    EXPECT_EQ(list->title, "Supported Apps");
    auto item = list->tabBarItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->title, "Log In");
    ASSERT_NE(item->image, nullptr);
    EXPECT_EQ(item->image->description(), "named:IDPLogin");
    EXPECT_EQ(item->selectedImage, nullptr);

    // The tab shows the sample's app with its icon.
    list->loadViewIfNeeded();
    const auto tree = list->dumpNodes();
    EXPECT_NE(tree.find("Image image=data:1x1"), std::string::npos) << tree;
    EXPECT_NE(tree.find("Text \"Vellicor Companion\""), std::string::npos) << tree;
}

} // namespace
