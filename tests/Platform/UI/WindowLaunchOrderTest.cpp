#include "Platform/Foundation/NotificationCenter.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

using Log = std::vector<std::string>;

// The first screen of an app: records its life cycle and whether its view
// was in a window when it was told it will appear.
class FirstScreen : public ViewController {
public:
    explicit FirstScreen(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    void viewDidLoad() override { log_->push_back("didLoad"); }
    void viewWillAppear(bool) override {
        log_->push_back(view()->window() ? "willAppear(in window)" : "willAppear(no window)");
    }
    void viewDidAppear(bool) override { log_->push_back("didAppear"); }

private:
    std::shared_ptr<Log> log_;
};

// A screen that starts observing the key window in viewWillAppear hears
// nothing of the launch's makeKeyAndVisible: the window becomes key at once,
// and its root's view is installed (and appears) only in the next turn of
// the main queue.
TEST(WindowLaunchOrderTest, KeyWindowIsPostedBeforeTheRootLoadsAndAppears) {
    auto log = std::make_shared<Log>();
    auto screen = makeController<FirstScreen>(log);
    auto window = Window::create();
    window->setRootViewController(NavigationController::create(screen));
    const auto token = platform::NotificationCenter::defaultCenter()->addObserver(
        kWindowDidBecomeKeyNotification, window.get(), [log](const platform::Notification&) { log->push_back("becameKey"); });

    window->makeKeyAndVisible();
    log->push_back("returned");
    testsupport::pump();

    EXPECT_EQ(*log, (Log{"becameKey", "returned", "didLoad", "willAppear(in window)", "didAppear"}));
    platform::NotificationCenter::defaultCenter()->removeObserver(token);
}

} // namespace
