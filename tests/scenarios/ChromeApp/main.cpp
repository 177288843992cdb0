// A host app for the native shell chrome: one screen that opens the developer
// menu as a half sheet and shows a fault as a toast. Driven by an event script.

#include "VellicorApp/Core/Fault.hpp"
#include "VellicorApp/Interface/HalfSheetView/HalfSheetTransitioningDelegateListener.hpp"
#include "VellicorApp/Interface/InterfaceResources.hpp"
#include "VellicorApp/Interface/MenuActions/MenuActionsStoryboard.hpp"
#include "VellicorApp/Interface/Toast.hpp"

#include "Platform/UI/ApplicationMain.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"

using namespace platform::ui;

namespace {

class PageFault : public vellicor::Fault {
public:
    std::optional<std::string> description() const override { return "The page could not be loaded."; }
    std::optional<vellicor::FaultAction> action() const override { return vellicor::FaultAction{"Reload", {}}; }
};

class HostViewController : public ViewController {
public:
    std::string typeName() const override { return "HostViewController"; }

protected:
    void viewDidLoad() override {
        title = "Host";
        std::weak_ptr<HostViewController> weakSelf = std::static_pointer_cast<HostViewController>(shared_from_this());
        auto menu = Button::create();
        menu->accessibilityIdentifier = "open-menu";
        menu->setTitle("Open menu");
        menu->addAction(ControlEvent::touchUpInside, [weakSelf] {
            if (auto self = weakSelf.lock()) self->openMenu();
        });
        auto fault = Button::create();
        fault->accessibilityIdentifier = "show-fault";
        fault->setTitle("Show fault");
        fault->addAction(ControlEvent::touchUpInside, [weakSelf] {
            auto self = weakSelf.lock();
            if (!self) return;
            auto toast = vellicor::Toast::loadFromNib();
            toast->configureToast(PageFault{});
            toast->present(self, true);
        });
        view()->addSubview(menu);
        view()->addSubview(fault);
    }

private:
    void openMenu() {
        auto sheet = vellicor::MenuActionsStoryboard::instantiateHalfSheetViewController();
        listener_ = vellicor::HalfSheetTransitioningDelegateListener::create(sheet, shared_from_this(),
                                                                            vellicor::HalfSheetPresentationConfiguration{});
        listener_->attach();
        navigationController()->present(sheet, true);
    }
    // The platform holds the sheet's transitioning delegate only weakly.
    std::shared_ptr<vellicor::HalfSheetTransitioningDelegateListener> listener_;
};

class HostAppDelegate : public ApplicationDelegate {
public:
    std::shared_ptr<Window> window() const override { return window_; }
    void setWindow(std::shared_ptr<Window> window) override { window_ = std::move(window); }
    bool didFinishLaunching(Application&, const nlohmann::json&) override {
        window_->makeKeyAndVisible();
        return true;
    }

private:
    std::shared_ptr<Window> window_;
};

} // namespace

int main(int argc, char** argv) {
    vellicor::registerInterfaceResources();
    Storyboard::registerStoryboard(
        "Main", StoryboardDefinition{[] { return NavigationController::create(makeController<HostViewController>()); },
                                     {},
                                     {}});
    ApplicationMainOptions options;
    options.defaultPackage = "ChromeScenarioApp.package";
    return applicationMain(argc, argv, [] { return std::make_shared<HostAppDelegate>(); }, options);
}
