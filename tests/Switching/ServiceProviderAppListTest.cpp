#include "VellicorApp/Switching/ServiceProviderAppListViewController.hpp"

#include "VellicorApp/Community/MultiSSOInfoStore.hpp"
#include "VellicorApp/Switching/ServiceProviderAppListViewModel.hpp"
#include "VellicorApp/Switching/ServiceProviderLoadingOverlayView.hpp"
#include "tests/Switching/SwitchingTestSupport.hpp"

#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Controls.hpp"
#include "Platform/UI/Window.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace switchingtest;
using platform::ui::Node;
using platform::veltrane::VQSPLoginError;
using platform::veltrane::VQSPLoginStatus;
using vellicor::KORVAMarkerName;
using vellicor::ServiceProviderAppInfo;
using vellicor::ServiceProviderAppListView;
using vellicor::ServiceProviderAppListViewController;
using vellicor::ServiceProviderAppListViewModel;

ServiceProviderAppInfo app(std::string name, std::string client = "companion-client") {
    return ServiceProviderAppInfo{std::move(name), std::move(client), "companion://auth/success", "companion", ""};
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(ServiceProviderAppListViewModelTest, EqualByAppsInOrderAndByTheFlag) {
    struct Case {
        const char* name;
        std::vector<ServiceProviderAppInfo> apps;
        bool authenticating;
        bool equal;
    };
    const std::vector<ServiceProviderAppInfo> base{app("A"), app("B")};
    const Case cases[] = {
        {"same apps, same flag", base, false, true},
        {"same apps, other flag", base, true, false},
        {"apps in another order", {app("B"), app("A")}, false, false},
        {"one field differs", {app("A"), app("B", "other-client")}, false, false},
        {"fewer apps", {app("A")}, false, false},
    };
    auto reference = ServiceProviderAppListViewModel::create(base);
    EXPECT_FALSE(reference->isAuthenticating.get());
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        auto other = ServiceProviderAppListViewModel::create(item.apps);
        other->isAuthenticating = item.authenticating;
        EXPECT_EQ(*reference == *other, item.equal);
    }
    EXPECT_TRUE(reference->canShowAlert(1).has_value());
    EXPECT_FALSE(reference->canShowAlert(2).has_value());
}

TEST(ServiceProviderLoadingOverlayViewTest, ASpinnerAndTheLineOverADimmedScreen) {
    const auto overlay =
        vellicor::ServiceProviderLoadingOverlayView{"Logging in to a companion app with a long name"}.body();
    EXPECT_EQ(platform::ui::dumpNodes(overlay),
              "ZStack maxHeight=infinity maxWidth=infinity\n"
              "  Spacer background=#000000CC ignoresSafeArea=all\n"
              "  VStack spacing=20 background=#00000000 padding=20,20,20,20\n"
              "    ProgressView style=circular tint=#FFFFFF scale=2\n"
              "    Text \"Logging in to a companion app with a long name\" font=System-14 color=#FFFFFF\n");
    // No line limit: a long text wraps within the margins.
    EXPECT_EQ(overlay.children[1].children[1].lines, 0);
}

class ServiceProviderAppListTest : public SwitchingTest {
protected:
    /// Shows the list of `apps` as the root of a key window.
    void show(std::vector<ServiceProviderAppInfo> apps) {
        model = ServiceProviderAppListViewModel::create(std::move(apps));
        screen = ServiceProviderAppListViewController::create(ServiceProviderAppListView{model});
        window = platform::ui::Window::create();
        window->setRootViewController(screen);
        window->makeKeyAndVisible();
        testsupport::pump();
    }
    std::shared_ptr<platform::ui::AlertController> alert() const {
        return std::dynamic_pointer_cast<platform::ui::AlertController>(screen->presentedViewController());
    }
    std::string nodes() const { return screen->dumpNodes(); }

    std::shared_ptr<ServiceProviderAppListViewModel> model;
    std::shared_ptr<ServiceProviderAppListViewController> screen;
    std::shared_ptr<platform::ui::Window> window;
};

TEST_F(ServiceProviderAppListTest, OneCardPerAppInAScrollingColumn) {
    show({app("Twin"), app("Twin")});
    EXPECT_EQ(screen->title, "Supported Apps");
    const auto tree = nodes();
    EXPECT_TRUE(contains(tree, "ScrollView\n  VStack alignment=leading spacing=16 padding=0,16,0,16\n    ForEach\n"))
        << tree;
    // Two apps of one name are two cards, told apart by their index.
    EXPECT_TRUE(contains(tree, "      VStack #0 alignment=leading")) << tree;
    EXPECT_TRUE(contains(tree, "      VStack #1 alignment=leading")) << tree;
    EXPECT_TRUE(contains(tree, "Text \"Twin\"")) << tree;
    EXPECT_TRUE(contains(tree, "Button id=ServiceProviderAppRowView.login \"Log In\"")) << tree;
    EXPECT_TRUE(contains(tree, "background=#FFFFFF cornerRadius=4 border=#C9C9C9:1")) << tree;
    EXPECT_TRUE(contains(tree, "alert=\"Can't log you in\"")) << tree;
    EXPECT_FALSE(contains(tree, "Image")) << "no icon decodes from an empty text";

    show({});
    EXPECT_EQ(screen->title, "Supported Apps");
    EXPECT_EQ(nodes(), "ScrollView\n  VStack alignment=leading spacing=16 padding=0,16,0,16\n    ForEach\n");
}

TEST_F(ServiceProviderAppListTest, TheOverlayReplacesTheWholeListWhileASignInRuns) {
    show({app("Companion")});
    model->isAuthenticating = true;
    testsupport::pump();
    auto tree = nodes();
    EXPECT_TRUE(tree.starts_with("ZStack")) << tree;
    EXPECT_TRUE(contains(tree, "Text \"Logging in...\"")) << tree;
    EXPECT_FALSE(contains(tree, "Log In")) << tree;
    EXPECT_FALSE(screen->tap("Log In"));

    auto scroll = std::dynamic_pointer_cast<platform::ui::ScrollView>(screen->renderedView());
    model->isAuthenticating = false;
    testsupport::pump();
    tree = nodes();
    EXPECT_TRUE(tree.starts_with("ScrollView")) << tree;
    auto rebuilt = std::dynamic_pointer_cast<platform::ui::ScrollView>(screen->renderedView());
    ASSERT_NE(rebuilt, nullptr);
    EXPECT_NE(rebuilt, scroll);
    EXPECT_EQ(rebuilt->contentOffset().y, 0) << "built again, at its top";
}

TEST_F(ServiceProviderAppListTest, ASignInThatStopsBringsTheListBackWithTheCardsAlert) {
    signIn();
    show({app("Companion")});
    ASSERT_TRUE(screen->tap("Log In"));
    testsupport::pump();
    EXPECT_TRUE(model->isAuthenticating.get());
    EXPECT_TRUE(contains(nodes(), "Logging in...")) << nodes();
    ASSERT_EQ(accounts->flowCount(), 1u);

    // The cards are gone behind the overlay; the sign-in still reaches the list.
    accounts->flow().status(VQSPLoginStatus::authCodeRequested);
    accounts->flow().failure(VQSPLoginError::authCodeRequestFailed);
    testsupport::pump();
    EXPECT_FALSE(model->isAuthenticating.get());
    EXPECT_TRUE(contains(nodes(), "Button id=ServiceProviderAppRowView.login \"Log In\"")) << nodes();
    auto shown = alert();
    ASSERT_NE(shown, nullptr) << "the rebuilt card shows the alert";
    EXPECT_EQ(shown->title, "Can't log you in");
    EXPECT_EQ(shown->message, "Something went wrong while logging you in to this app. Try again.");
    ASSERT_EQ(shown->actions().size(), 1u);
    EXPECT_EQ(shown->actions()[0]->title(), "Got it");
    EXPECT_EQ(markers->names(), (std::vector<KORVAMarkerName>{KORVAMarkerName::multiSSOLoginRequestSent,
                                                              KORVAMarkerName::multiSSOServerErrorRecieved}));

    // Dismissed, it can show again at the next failure.
    ASSERT_TRUE(shown->simulateTapAction("Got it"));
    testsupport::advance(1);
    testsupport::pump();
    EXPECT_EQ(alert(), nullptr);
    EXPECT_FALSE(model->canShowAlert(0)->get());
    accounts->dropFlows();
    ASSERT_TRUE(screen->tap("Log In"));
    testsupport::pump();
    accounts->flow().failure(VQSPLoginError::serviceProviderUnavailable);
    testsupport::pump();
    EXPECT_NE(alert(), nullptr);
}

TEST_F(ServiceProviderAppListTest, ASignInThatFinishesBringsTheListBackWithoutAnAlert) {
    signIn();
    show({app("Companion")});
    ASSERT_TRUE(screen->tap("Log In"));
    testsupport::pump();
    accounts->flow().status(VQSPLoginStatus::serviceProviderOpened);
    enterBackground();
    testsupport::pump();
    EXPECT_FALSE(model->isAuthenticating.get());
    EXPECT_TRUE(contains(nodes(), "Button id=ServiceProviderAppRowView.login \"Log In\"")) << nodes();
    EXPECT_EQ(alert(), nullptr);
    EXPECT_EQ(markers->names(), (std::vector<KORVAMarkerName>{KORVAMarkerName::multiSSOLoginRequestSent,
                                                              KORVAMarkerName::multiSSOAuthCodeSent}));
}

TEST_F(ServiceProviderAppListTest, WithoutAnAccessGroupTheAlertShowsAndTheListStays) {
    withoutIdentifierPrefix();
    show({app("Companion")});
    ASSERT_TRUE(screen->tap("Log In"));
    testsupport::pump();
    EXPECT_FALSE(model->isAuthenticating.get());
    EXPECT_FALSE(contains(nodes(), "Logging in...")) << nodes();
    ASSERT_NE(alert(), nullptr);
    EXPECT_EQ(alert()->title, "Can't log you in");
    EXPECT_TRUE(markers->names().empty());
    EXPECT_EQ(accounts->flowCount(), 0u);
}

TEST_F(ServiceProviderAppListTest, TheControllerIsNotMadeFromAnArchive) {
    EXPECT_DEATH(ServiceProviderAppListViewController::fromArchive(), "init\\(coder:\\) has not been implemented");
}

} // namespace
