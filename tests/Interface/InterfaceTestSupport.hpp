#pragma once

// Support for the tests of the native shell chrome: a running context over
// the sample package, the interface files registered, and a key window whose
// root is a navigation controller with one screen.

#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include "Platform/SDKs/Veltrane/VQSDKWindowManager.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"

#include <memory>

namespace interfacetest {

/// A plain screen with a name in dumps.
class Screen : public platform::ui::ViewController {
public:
    std::string typeName() const override { return "Screen"; }
};

/// Constraints a view holds that refer to `item`.
inline std::size_t constraintsTo(const platform::ui::View& holder, const platform::ui::View& item) {
    std::size_t count = 0;
    for (const auto& c : holder.constraints()) {
        if (c.first.view.lock().get() == &item || (c.second && c.second->view.lock().get() == &item)) ++count;
    }
    return count;
}

class InterfaceTest : public apptest::AppTest {
protected:
    void SetUp() override {
        context = apptest::installContext(editInfo());
        platform::ui::Storyboard::resetRegistry();
        vellicor::registerInterfaceResources(managedURLsScreen());
        platform::ui::View::clearAnimationRecords();
        screen = platform::ui::makeController<Screen>();
        navigation = platform::ui::NavigationController::create(screen);
        window = platform::ui::Window::create();
        window->safeAreaInsets = platform::ui::EdgeInsets{47, 0, 34, 0};
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();
    }

    void TearDown() override {
        platform::ui::Storyboard::resetRegistry();
        platform::veltrane::VQSDKWindowManager::resetForTesting();
        apptest::AppTest::TearDown();
    }

    /// Changes to the sample Info.plist (none by default).
    virtual std::function<void(platform::Json&)> editInfo() { return {}; }
    /// The URL-rule screen the menu opens (none by default).
    virtual platform::ui::StoryboardDefinition::Factory managedURLsScreen() { return {}; }

    /// Runs the main queue for `seconds` of the manual clock.
    static void run(double seconds) {
        testsupport::pump();
        testsupport::advance(seconds);
        testsupport::pump();
    }

    std::shared_ptr<vellicor::Context> context;
    std::shared_ptr<Screen> screen;
    std::shared_ptr<platform::ui::NavigationController> navigation;
    std::shared_ptr<platform::ui::Window> window;
};

} // namespace interfacetest
