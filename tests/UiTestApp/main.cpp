// A small app on the platform's application main, used to test the main, the
// event driver and the screen dump end to end. It is not the Vellicor app.

#include "Platform/Foundation/LogSink.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/ApplicationMain.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/TextField.hpp"

using namespace platform::ui;

namespace {

void log(const std::string& line) { platform::LogSink::write("TestApp", platform::LogLevel::info, line); }

class DetailViewController : public ViewController {
public:
    std::string typeName() const override { return "DetailViewController"; }

protected:
    void viewDidLoad() override {
        title = "Detail";
        auto field = TextField::create();
        field->accessibilityIdentifier = "name";
        field->placeholder = "Name";
        auto echo = Label::create();
        echo->accessibilityIdentifier = "echo";
        std::weak_ptr<TextField> weakField = field;
        std::weak_ptr<Label> weakEcho = echo;
        field->addAction(ControlEvent::editingChanged, [weakField, weakEcho] {
            auto f = weakField.lock();
            auto e = weakEcho.lock();
            if (f && e) e->text = "Hello, " + f->text;
        });
        view()->addSubview(field);
        view()->addSubview(echo);
    }
};

class HomeViewController : public ViewController {
public:
    std::string typeName() const override { return "HomeViewController"; }

protected:
    void viewDidLoad() override {
        title = "Home";
        log("Home loaded");
        auto greeting = Label::create("Welcome");
        greeting->accessibilityIdentifier = "greeting";
        view()->addSubview(greeting);

        auto next = Button::create();
        next->accessibilityIdentifier = "next";
        next->setTitle("Next");
        std::weak_ptr<ViewController> weakSelf = weak_from_this();
        next->addAction(ControlEvent::touchUpInside, [weakSelf] {
            if (auto self = weakSelf.lock()) {
                self->navigationController()->push(makeController<DetailViewController>(), true);
            }
        });
        view()->addSubview(next);

        auto alert = Button::create();
        alert->setTitle("Show alert");
        alert->addAction(ControlEvent::touchUpInside, [weakSelf] {
            auto self = weakSelf.lock();
            if (!self) return;
            auto controller = AlertController::create("Careful", "Are you sure?", AlertController::Style::alert);
            controller->addAction(AlertAction::create("Cancel", AlertAction::Style::cancel, [] { log("Cancel tapped"); }));
            controller->addAction(AlertAction::create("OK", AlertAction::Style::defaultStyle, [] { log("OK tapped"); }));
            self->present(controller, true);
        });
        view()->addSubview(alert);
    }
};

class TestAppDelegate : public ApplicationDelegate {
public:
    std::shared_ptr<Window> window() const override { return window_; }
    void setWindow(std::shared_ptr<Window> window) override { window_ = std::move(window); }

    bool didFinishLaunching(Application&, const nlohmann::json&) override {
        log("didFinishLaunching");
        window_->makeKeyAndVisible();
        return true;
    }
    void didBecomeActive(Application&) override { log("didBecomeActive"); }
    void willResignActive(Application&) override { log("willResignActive"); }
    void didEnterBackground(Application&) override { log("didEnterBackground"); }
    void willEnterForeground(Application&) override { log("willEnterForeground"); }
    void willTerminate(Application&) override { log("willTerminate"); }
    bool continueUserActivity(Application&, const UserActivity& activity,
                              std::function<void(std::vector<std::string>)>) override {
        if (activity.activityType != kUserActivityTypeBrowsingWeb || !activity.webpageURL) return false;
        log("continueUserActivity " + activity.webpageURL->absoluteString());
        return true;
    }
    bool openURL(Application&, const platform::Url& url, const nlohmann::json&) override {
        log("openURL " + url.absoluteString());
        return url.scheme() == "testapp";
    }
    void performActionForShortcutItem(Application&, const ShortcutItem& item,
                                      std::function<void(bool)> completion) override {
        completion(item.type == "com.example.testapp.hello");
    }

private:
    std::shared_ptr<Window> window_;
};

} // namespace

int main(int argc, char** argv) {
    Storyboard::registerStoryboard(
        "Main", StoryboardDefinition{[] { return NavigationController::create(makeController<HomeViewController>()); },
                                     {},
                                     {}});
    ApplicationMainOptions options;
    options.defaultPackage = "UiTestApp.package";
    return applicationMain(argc, argv, [] { return std::make_shared<TestAppDelegate>(); }, options);
}
