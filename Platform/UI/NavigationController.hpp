#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/Font.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class NavigationController;

/// The text attributes of a navigation bar's titles.
struct PLATFORM_EXPORT TitleTextAttributes {
    std::optional<Font> font;
    std::optional<Color> foregroundColor;
    bool operator==(const TitleTextAttributes&) const = default;
};

/// A button of a navigation bar as the screen shows it: a bar button item, or
/// the back button. A tap runs the item's action (the back button pops).
class PLATFORM_EXPORT BarButtonView : public View {
public:
    /// The item shown, or null for the back button.
    std::shared_ptr<BarButtonItem> item() const { return item_; }

    std::string typeName() const override { return "BarButton"; }
    std::string displayedText() const override;
    void describeState(std::vector<std::string>& parts) const override;
    bool simulateTap() override;
    bool acceptsTaps() const override;

protected:
    BarButtonView(std::shared_ptr<BarButtonItem> item, std::string backTitle, std::function<void()> backAction);

private:
    std::shared_ptr<BarButtonItem> item_;
    std::string backTitle_;
    std::function<void()> backAction_;
};

/// The bar at the top of a navigation controller. It shows the top
/// controller's navigation item: its title (or the controller's title), its
/// title view and buttons, and a back button (labelled "Back" for accessibility)
/// when there is a controller below.
class PLATFORM_EXPORT NavigationBar : public View {
public:
    std::optional<Color> barTintColor;
    TitleTextAttributes titleTextAttributes;
    TitleTextAttributes largeTitleTextAttributes;
    bool isTranslucent = true;
    bool prefersLargeTitles = false;

    /// The top controller's item, and the item of the controller below it (null when none).
    NavigationItem* topItem() const;
    NavigationItem* backItem() const;
    /// The title of the back button: the back item's back button title, else
    /// the title of the controller below, else "Back"; empty without one.
    std::string backButtonTitle() const;

    /// Rebuilds the button and title views from the top item; the navigation
    /// controller calls it when its stack changes, code that changes the top
    /// item's buttons later calls it too.
    void reload();

    std::string typeName() const override { return "NavigationBar"; }
    /// The top item's title, else the top controller's title.
    std::string displayedText() const override;
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit NavigationBar(Rect frame) : View(frame) {}

private:
    friend class NavigationController;
    std::weak_ptr<NavigationController> navigation_;
};

/// A stack of controllers, the top one shown under a navigation bar.
///
/// Pushes and pops change viewControllers() at once; the shown controller
/// follows with a transition: the old top's viewWillDisappear and the new
/// top's viewWillAppear at once, their viewDidDisappear and viewDidAppear when
/// the transition ends (after kTransitionDuration on the main queue's clock
/// when animated, on the next turn of the main queue otherwise). A change made
/// while a transition runs waits for it: the next transition then goes from the
/// controller shown to the new top, and a controller pushed and popped again in
/// between is never shown. Completions run when their transition has ended. A
/// navigation controller that is not on screen changes its stack without
/// appearance calls and runs the completions on the next turn.
///
/// The stack's controllers are children: a pushed controller's willMove(this)
/// comes at the push, its didMove(this) when the transition ends; a popped
/// one's willMove(nullptr) at the pop and didMove(nullptr) when it is gone.
class PLATFORM_EXPORT NavigationController : public ViewController {
public:
    static std::shared_ptr<NavigationController> create(std::shared_ptr<ViewController> root = nullptr);

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    /// Replaces the stack. The same controller twice, or a navigation
    /// controller, stops the app.
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated = false,
                            std::function<void()> completion = {});
    /// Pushes a controller. A controller already on the stack, or a navigation
    /// controller, stops the app as on the platform.
    void push(const std::shared_ptr<ViewController>& controller, bool animated, std::function<void()> completion = {});
    /// Pops the top controller and returns it; none (and no change) with one controller or fewer.
    std::shared_ptr<ViewController> pop(bool animated, std::function<void()> completion = {});
    /// Pops everything above the root; returns the popped controllers.
    std::vector<std::shared_ptr<ViewController>> popToRoot(bool animated, std::function<void()> completion = {});
    /// Pops everything above `controller`, which must be on the stack.
    std::vector<std::shared_ptr<ViewController>> popTo(const std::shared_ptr<ViewController>& controller, bool animated,
                                                       std::function<void()> completion = {});

    std::shared_ptr<ViewController> topViewController() const;
    /// The controller presented by this one, if any, else the top controller.
    std::shared_ptr<ViewController> visibleViewController() const;
    /// Whether a push or pop transition is running.
    bool isTransitioning() const { return transitioning_; }

    std::shared_ptr<NavigationBar> navigationBar();
    bool isNavigationBarHidden() const { return bar_->isHidden; }
    /// Shows or hides the bar (the value changes at once either way).
    void setNavigationBarHidden(bool hidden, bool animated);

    /// A user's tap on the back button: pops (animated) when the back button is
    /// shown. False when there is nothing to go back to or the back button is hidden.
    bool simulateBackTap();

    /// Told before and after the navigation controller shows a controller.
    std::function<void(NavigationController&, const std::shared_ptr<ViewController>&, bool animated)> willShow;
    std::function<void(NavigationController&, const std::shared_ptr<ViewController>&, bool animated)> didShow;

    std::string typeName() const override { return "NavigationController"; }
    std::vector<std::shared_ptr<ViewController>> appearanceChildren() const override;
    void didFinishCreation() override;

protected:
    explicit NavigationController(std::shared_ptr<ViewController> root = nullptr);
    void loadView() override;
    void prepareChildrenForAppearance() override;

private:
    std::shared_ptr<NavigationController> self();
    void attachInitialRoot();
    void changeStack(std::vector<std::shared_ptr<ViewController>> stack, bool animated,
                     std::function<void()> completion);
    void updateDisplay();
    void finishTransition(const std::shared_ptr<ViewController>& from, const std::shared_ptr<ViewController>& to,
                          bool animated);
    void settle(bool afterTransition);
    void runCompletionsFor(const std::shared_ptr<ViewController>& shown);
    void reloadBar();

    std::shared_ptr<ViewController> initialRoot_;
    std::vector<std::shared_ptr<ViewController>> stack_;
    /// The controller whose view is shown (during a transition: the one coming in).
    std::shared_ptr<ViewController> displayed_;
    /// Pushed controllers not yet told didMove(this).
    std::vector<std::shared_ptr<ViewController>> arriving_;
    /// Popped controllers not yet removed from the children.
    std::vector<std::shared_ptr<ViewController>> leaving_;
    std::vector<std::pair<std::weak_ptr<ViewController>, std::function<void()>>> completions_;
    bool transitioning_ = false;
    bool nextAnimated_ = false;
    std::shared_ptr<NavigationBar> bar_;
};

} // namespace platform::ui
