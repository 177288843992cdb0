// The one way to present: over the controller a user sees on top, with a
// refusal reported to the caller; and a window that covers the screen keeps
// taps from the windows behind it.

#include "Platform/UI/Button.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Presenting.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/TabBarController.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

class Named : public ViewController {
public:
    explicit Named(std::string name) { title = std::move(name); }
    std::string typeName() const override { return "Named"; }
};

class Browser : public Named {
public:
    Browser() : Named("browser") {}
};

std::shared_ptr<Named> named(const std::string& name) { return makeController<Named>(name); }

class PresentingTest : public ::testing::Test {
public:
    void SetUp() override {
        first = named("first");
        second = named("second");
        tabs = TabBarController::create();
        tabs->setViewControllers({first, second});
        navigation = NavigationController::create(named("root"));
        navigation->push(tabs, false);
        window = Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();
    }
    void TearDown() override { Window::resetAll(); }

    static void settle() {
        testsupport::pump();
        testsupport::advance(1.5);
        testsupport::pump();
    }

    /// Presents and lets the presentation finish; the result, once.
    static std::vector<PresentationResult> presentAndSettle(const std::shared_ptr<ViewController>& anchor,
                                                            const std::shared_ptr<ViewController>& controller,
                                                            std::function<bool(const ViewController&)> replaces = {}) {
        std::vector<PresentationResult> results;
        presentOnTop(anchor, controller, true, [&](PresentationResult result) { results.push_back(result); },
                     std::move(replaces));
        settle();
        return results;
    }

    std::shared_ptr<Named> first, second;
    std::shared_ptr<TabBarController> tabs;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<Window> window;
};

TEST_F(PresentingTest, TheTopMostControllerIsWhatAUserSees) {
    struct Case {
        const char* name;
        std::function<void(PresentingTest&)> arrange;
        const char* expected;
    };
    const Case cases[] = {
        {"the selected tab", [](PresentingTest&) {}, "first"},
        {"another tab selected", [](PresentingTest& t) { t.tabs->setSelectedIndex(1); }, "second"},
        {"a browser pushed over the tab bar",
         [](PresentingTest& t) { t.navigation->push(named("pushed browser"), false); },
         "pushed browser"},
        {"a sheet the navigation presents",
         [](PresentingTest& t) { t.navigation->present(named("sheet"), false); },
         "sheet"},
        {"a browser presented over that sheet",
         [](PresentingTest& t) {
             const auto sheet = named("sheet");
             t.navigation->present(sheet, false);
             testsupport::pump();
             sheet->present(named("browser over sheet"), false);
         },
         "browser over sheet"},
        {"a sheet on its way out",
         [](PresentingTest& t) {
             t.navigation->present(named("leaving"), false);
             testsupport::pump();
             t.navigation->dismiss(true);
         },
         "first"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.arrange(*this);
        testsupport::pump();
        // From any controller of the tree, the same answer.
        for (const auto& from : std::vector<std::shared_ptr<ViewController>>{navigation, second}) {
            const auto top = topMostController(from);
            ASSERT_TRUE(top);
            EXPECT_EQ(top->title, std::optional<std::string>(c.expected));
        }
    }
    EXPECT_EQ(topMostController(nullptr), nullptr);
}

TEST_F(PresentingTest, PresentsOverASheetThatWouldRefuseTheTab) {
    const auto sheet = named("sheet");
    navigation->present(sheet, false);
    settle();

    const auto browser = named("browser");
    EXPECT_EQ(presentAndSettle(first, browser).size(), 1u);
    EXPECT_EQ(sheet->presentedViewController(), browser);
    EXPECT_TRUE(browser->isVisible());
}

TEST_F(PresentingTest, ReplacesAControllerOfTheSameKindOnTop) {
    const auto isBrowser = [](const ViewController& top) { return dynamic_cast<const Browser*>(&top) != nullptr; };
    const auto old = makeController<Browser>();
    ASSERT_EQ(presentAndSettle(first, old, isBrowser).size(), 1u);
    const auto replacement = makeController<Browser>();

    const auto results = presentAndSettle(first, replacement, isBrowser);

    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results.front().has_value());
    EXPECT_EQ(navigation->presentedViewController(), replacement) << "in place of the old one, not over it";
    EXPECT_EQ(old->presentingViewController(), nullptr);
}

TEST_F(PresentingTest, WaitsForADismissalStillRunningOnTop) {
    const auto sheet = named("sheet");
    navigation->present(sheet, false);
    settle();
    navigation->dismiss(true);

    const auto next = named("next");
    const auto results = presentAndSettle(first, next);

    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results.front().has_value());
    EXPECT_EQ(navigation->presentedViewController(), next);
}

TEST_F(PresentingTest, ARefusalIsReportedOnceAndNothingIsShown) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<ViewController>(PresentingTest&)> anchor;
        PresentationRefusal refusal;
    };
    const Case cases[] = {
        {"no anchor", [](PresentingTest&) { return std::shared_ptr<ViewController>(); },
         PresentationRefusal::noPresenter},
        {"a tree in no window", [](PresentingTest&) { return std::static_pointer_cast<ViewController>(named("alone")); },
         PresentationRefusal::notInWindow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto controller = named("refused");
        const auto results = presentAndSettle(c.anchor(*this), controller);
        ASSERT_EQ(results.size(), 1u);
        ASSERT_FALSE(results.front().has_value());
        EXPECT_EQ(results.front().error(), c.refusal);
        EXPECT_FALSE(localizedDescription(c.refusal).empty());
        EXPECT_EQ(controller->presentingViewController(), nullptr);
    }
}

TEST_F(PresentingTest, AWindowThatCoversTheScreenKeepsTapsFromTheWindowsBehind) {
    int taps = 0;
    const auto button = Button::create();
    button->accessibilityIdentifier = "below";
    button->addAction(ControlEvent::touchUpInside, [&] { ++taps; });
    first->view()->addSubview(button);
    ASSERT_TRUE(ScreenDump::tap("below").has_value());
    ASSERT_EQ(taps, 1);

    auto gate = Window::create();
    gate->windowLevel = 1;
    gate->setRootViewController(named("gate"));
    gate->makeKeyAndVisible();
    testsupport::pump();
    EXPECT_FALSE(ScreenDump::tap("below").has_value()) << "the covering window takes the touch";
    EXPECT_FALSE(ScreenDump::selectTab(1).has_value());
    EXPECT_EQ(taps, 1);

    // A window that does not cover the screen lets touches through around it.
    gate->frame = Rect{{0, 0}, {100, 100}};
    EXPECT_TRUE(ScreenDump::tap("below").has_value());
    EXPECT_EQ(taps, 2);

    gate->setHidden(true);
    EXPECT_TRUE(ScreenDump::selectTab(1).has_value());
}

} // namespace
