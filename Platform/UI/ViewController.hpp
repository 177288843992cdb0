#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/Control.hpp"
#include "Platform/UI/Font.hpp"
#include "Platform/UI/Geometry.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/View.hpp"

#include <nlohmann/json.hpp>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

class NavigationController;
class TabBarController;
class Storyboard;
class StoryboardSegue;
class PresentationController;
class ViewControllerTransitioningDelegate;

enum class ModalPresentationStyle { automatic, fullScreen, pageSheet, formSheet, overFullScreen, overCurrentContext, popover, custom };
enum class StatusBarStyle { defaultStyle, lightContent, darkContent };
enum class UserInterfaceSizeClass { unspecified, compact, regular };

/// The traits a controller's layout depends on.
struct PLATFORM_EXPORT TraitCollection {
    UserInterfaceSizeClass horizontalSizeClass = UserInterfaceSizeClass::compact;
    UserInterfaceSizeClass verticalSizeClass = UserInterfaceSizeClass::regular;
    bool operator==(const TraitCollection&) const = default;
};

/// A button of a navigation bar or toolbar.
class PLATFORM_EXPORT BarButtonItem {
public:
    enum class SystemItem { done, cancel, close, add, action, flexibleSpace, refresh };
    /// How a title is drawn in one state.
    struct TitleTextAttributes {
        std::optional<Font> font;
        std::optional<Color> foregroundColor;
        bool operator==(const TitleTextAttributes&) const = default;
    };
    enum class Style { plain, done };
    static std::shared_ptr<BarButtonItem> withTitle(std::string title, Style style, std::function<void()> action);
    static std::shared_ptr<BarButtonItem> withImage(std::shared_ptr<Image> image, Style style, std::function<void()> action);
    static std::shared_ptr<BarButtonItem> withSystemItem(SystemItem item, std::function<void()> action);
    static std::shared_ptr<BarButtonItem> withCustomView(std::shared_ptr<View> view);

    std::string title;
    std::shared_ptr<Image> image;
    std::optional<SystemItem> systemItem;
    std::shared_ptr<View> customView;
    Style style = Style::plain;
    bool isEnabled = true;
    std::optional<Color> tintColor;
    std::string accessibilityIdentifier;
    std::function<void()> action;

    /// The title's look per state (default bar metrics only).
    void setTitleTextAttributes(TitleTextAttributes attributes, ControlState state) {
        titleTextAttributes_[state] = std::move(attributes);
    }
    std::optional<TitleTextAttributes> titleTextAttributes(ControlState state) const {
        const auto found = titleTextAttributes_.find(state);
        return found == titleTextAttributes_.end() ? std::nullopt : std::optional(found->second);
    }
    /// The background image per state (default bar metrics only); none removes it.
    void setBackgroundImage(std::shared_ptr<Image> image, ControlState state) {
        if (image) backgroundImages_[state] = std::move(image);
        else backgroundImages_.erase(state);
    }
    std::shared_ptr<Image> backgroundImage(ControlState state) const {
        const auto found = backgroundImages_.find(state);
        return found == backgroundImages_.end() ? nullptr : found->second;
    }

    /// A tap by a user: runs the action when enabled.
    bool simulateTap();

private:
    std::map<ControlState, TitleTextAttributes> titleTextAttributes_;
    std::map<ControlState, std::shared_ptr<Image>> backgroundImages_;
};

/// The title and buttons a controller shows in a navigation bar.
struct PLATFORM_EXPORT NavigationItem {
    std::string title;
    std::shared_ptr<View> titleView;
    std::vector<std::shared_ptr<BarButtonItem>> leftBarButtonItems;
    std::vector<std::shared_ptr<BarButtonItem>> rightBarButtonItems;
    std::shared_ptr<BarButtonItem> backBarButtonItem;
    bool hidesBackButton = false;
    enum class LargeTitleDisplayMode { automatic, always, never };
    LargeTitleDisplayMode largeTitleDisplayMode = LargeTitleDisplayMode::automatic;
};

/// The entry a controller shows in a tab bar.
class PLATFORM_EXPORT TabBarItem {
public:
    static std::shared_ptr<TabBarItem> create(std::string title = {}, std::shared_ptr<Image> image = nullptr, int tag = 0);
    std::string title;
    std::shared_ptr<Image> image;
    std::shared_ptr<Image> selectedImage;
    int tag = 0;
    std::optional<std::string> badgeValue;
    std::string accessibilityIdentifier;

    /// The title's look per state (normal and selected are the ones a tab bar
    /// draws); none for a state keeps the system's look.
    void setTitleTextAttributes(std::optional<BarButtonItem::TitleTextAttributes> attributes, ControlState state) {
        if (attributes) titleTextAttributes_[state] = std::move(*attributes);
        else titleTextAttributes_.erase(state);
    }
    std::optional<BarButtonItem::TitleTextAttributes> titleTextAttributes(ControlState state) const {
        const auto found = titleTextAttributes_.find(state);
        return found == titleTextAttributes_.end() ? std::nullopt : std::optional(found->second);
    }

private:
    std::map<ControlState, BarButtonItem::TitleTextAttributes> titleTextAttributes_;
};

/// The directions a popover's arrow may point (bits).
namespace PopoverArrowDirection {
inline constexpr unsigned up = 1u << 0;
inline constexpr unsigned down = 1u << 1;
inline constexpr unsigned left = 1u << 2;
inline constexpr unsigned right = 1u << 3;
inline constexpr unsigned any = up | down | left | right;
} // namespace PopoverArrowDirection

/// Where a popover points.
struct PLATFORM_EXPORT PopoverPresentation {
    std::weak_ptr<View> sourceView;
    Rect sourceRect;
    std::shared_ptr<BarButtonItem> barButtonItem;
    unsigned permittedArrowDirections = PopoverArrowDirection::any;
};

/// A screen controller. Its view loads once, on first access; appearance
/// callbacks come in the platform's order as it is shown and hidden by a
/// window, a navigation or tab controller, or a modal presentation.
class PLATFORM_EXPORT ViewController : public std::enable_shared_from_this<ViewController> {
public:
    static std::shared_ptr<ViewController> create();
    virtual ~ViewController();
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // View life cycle ---------------------------------------------------------
    /// The root view, loaded on first access (loadView, then viewDidLoad). The
    /// default loadView makes a plain white view of the screen's size.
    std::shared_ptr<View> view();
    std::shared_ptr<View> viewIfLoaded() const { return view_; }
    bool isViewLoaded() const { return view_ != nullptr; }
    void loadViewIfNeeded();
    /// Replaces the root view (before or instead of loading).
    void setView(std::shared_ptr<View> view);

    virtual void loadView();
    virtual void viewDidLoad() {}
    virtual void viewWillAppear(bool /*animated*/) {}
    virtual void viewDidAppear(bool /*animated*/) {}
    virtual void viewWillDisappear(bool /*animated*/) {}
    virtual void viewDidDisappear(bool /*animated*/) {}
    virtual void viewWillLayoutSubviews() {}
    virtual void viewDidLayoutSubviews() {}
    virtual void traitCollectionDidChange(const TraitCollection& /*previous*/) {}
    /// The screen is about to take another size (a rotation).
    virtual void viewWillTransitionToSize(Size /*size*/) {}
    /// A rotation of the screen to `size`: this controller, its children and
    /// what it presents hear viewWillTransitionToSize, then the traits change
    /// when `traits` is given.
    void transitionToSize(Size size, const std::optional<TraitCollection>& traits = std::nullopt);
    virtual StatusBarStyle preferredStatusBarStyle() const { return StatusBarStyle::defaultStyle; }

    /// Whether the controller is between viewDidAppear and viewWillDisappear.
    bool isVisible() const { return appearance_ == Appearance::appeared; }

    // Identity ------------------------------------------------------------------
    /// The type name used in screen dumps and descriptions.
    virtual std::string typeName() const { return "ViewController"; }
    /// "<TypeName>", or `<TypeName "Title">` when there is a title (platform
    /// warnings and fatal messages name controllers this way).
    std::string description() const;
    std::optional<std::string> title;
    NavigationItem& navigationItem() { return navigationItem_; }
    /// Made on first access, as on the platform.
    std::shared_ptr<TabBarItem> tabBarItem();
    void setTabBarItem(std::shared_ptr<TabBarItem> item) { tabBarItem_ = std::move(item); }
    /// The tab bar item if it has been made or set, without making one.
    std::shared_ptr<TabBarItem> tabBarItemIfMade() const { return tabBarItem_; }
    std::string restorationIdentifier;

    // Traits ----------------------------------------------------------------------
    TraitCollection traitCollection() const;
    /// Changes the traits of this controller and its children (tests, rotation).
    void setTraitCollection(const TraitCollection& traits);

    // Containment -----------------------------------------------------------------
    /// Adds a child controller; as on the platform it calls the child's
    /// willMove(this) itself, and the caller calls didMove(this) once the child's
    /// view is in place. A child added to a shown parent appears when its view
    /// enters the parent's window.
    void addChild(const std::shared_ptr<ViewController>& child);
    /// Removes this controller from its parent and calls didMove(nullptr); the
    /// caller calls willMove(nullptr) first, as on the platform.
    void removeFromParent();
    virtual void willMove(const std::shared_ptr<ViewController>& /*parent*/) {}
    virtual void didMove(const std::shared_ptr<ViewController>& /*parent*/) {}
    const std::vector<std::shared_ptr<ViewController>>& children() const { return children_; }
    std::shared_ptr<ViewController> parent() const { return parent_.lock(); }
    /// The nearest navigation / tab controller among the ancestors.
    std::shared_ptr<NavigationController> navigationController() const;
    std::shared_ptr<TabBarController> tabBarController() const;

    // Modal presentation ------------------------------------------------------------
    /// Presents a controller modally. As on the platform, presenting while this
    /// controller already presents one, or while its view is not in a window,
    /// logs a warning and does nothing (the completion is not called). An
    /// animated presentation finishes after the transition time on the main
    /// queue's clock; otherwise on the next turn of the main queue. Presenting
    /// a controller that has a parent, is presented already or is shown stops
    /// the app.
    ///
    /// The presentation is made by the presentation context: the top-most
    /// ancestor of the controller that calls present(). The presented
    /// controller's view goes into its presentation controller's container view,
    /// a subview of the window in front of everything shown before. A
    /// full-screen presentation takes the context's view out of the window once
    /// it has finished and puts it back when the dismissal begins; the other
    /// styles leave the context on screen, without appearance calls.
    void present(const std::shared_ptr<ViewController>& controller, bool animated,
                 std::function<void()> completion = {});
    /// Dismisses the controller this one presents and everything that one
    /// presents (or, when it presents none, this controller itself if it or an
    /// ancestor is presented). With nothing to dismiss the completion still
    /// runs, on the next turn of the main queue. Dismissing while a presentation
    /// or dismissal is still running waits for it to finish, then dismisses (the
    /// platform warns and may drop the request); presenting while the context's
    /// presented controller is being dismissed likewise waits for the dismissal.
    void dismiss(bool animated, std::function<void()> completion = {});
    /// The controller this one presented (also when its context made the
    /// presentation on its behalf), else none.
    std::shared_ptr<ViewController> presentedViewController() const;
    /// The controller that presented this one or, for a child, one of its ancestors.
    std::shared_ptr<ViewController> presentingViewController() const;
    bool isBeingPresented() const { return beingPresented_; }
    bool isBeingDismissed() const { return beingDismissed_; }

    ModalPresentationStyle modalPresentationStyle = ModalPresentationStyle::automatic;
    bool isModalInPresentation = false;
    Size preferredContentSize;
    /// A custom presentation (half sheets) supplies its presentation controller here.
    std::function<std::shared_ptr<PresentationController>(const std::shared_ptr<ViewController>& presented,
                                                           const std::shared_ptr<ViewController>& presenting)>
        customPresentationControllerFactory;
    std::shared_ptr<PresentationController> presentationController() const { return presentationController_; }
    /// Vends the presentation controller of a custom presentation and the
    /// animator and interaction controller of its dismissal; held weakly.
    std::weak_ptr<ViewControllerTransitioningDelegate> transitioningDelegate;
    /// Set for the popover style. A contained controller answers with the
    /// popover of its presented ancestor.
    PopoverPresentation& popoverPresentation();
    /// The popover the controller (or its presented ancestor) is shown in,
    /// or null when it is not shown in a popover.
    PopoverPresentation* popoverPresentationIfPresented();

    // Storyboards -----------------------------------------------------------------------
    std::shared_ptr<Storyboard> storyboard() const { return storyboard_.lock(); }
    void setStoryboard(const std::shared_ptr<Storyboard>& storyboard) { storyboard_ = storyboard; }
    /// Performs a named segue of this controller's storyboard; an unknown name is fatal.
    void performSegue(const std::string& identifier, const nlohmann::json& sender = nullptr);
    /// The embed segues the storyboard runs while this controller's view loads.
    std::vector<std::string> embedSegueIdentifiers;
    virtual void prepare(StoryboardSegue& /*segue*/, const nlohmann::json& /*sender*/) {}

    /// The transition time of animated pushes, pops, presentations and dismissals.
    static constexpr double kTransitionDuration = 0.35;

protected:
    ViewController();

    /// Containers put the views of the children they show into their own view
    /// here; called when this controller begins to appear, after its
    /// viewWillAppear and before the children are told.
    virtual void prepareChildrenForAppearance() {}
    /// Puts a child's view into this controller's view, filling it, behind
    /// `bar` when given (a container's navigation or tab bar stays in front).
    void installChildView(const std::shared_ptr<ViewController>& child, const std::shared_ptr<View>& bar = nullptr);
    /// Takes a child's view out of this controller's view.
    void removeChildView(const std::shared_ptr<ViewController>& child);
    /// The style a popover presentation of this controller takes in a compact
    /// width (a sheet here; alerts use their own).
    virtual ModalPresentationStyle adaptivePresentationStyle(const TraitCollection& /*traits*/) const {
        return ModalPresentationStyle::pageSheet;
    }

public:
    // Used by containers, windows and presentations; not by app code. -------------------
    enum class Appearance { disappeared, appearing, appeared, disappearing };
    Appearance appearance() const { return appearance_; }
    /// Moves the appearance state and calls the matching callback (and the
    /// children's, for containers that forward appearance).
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();
    /// The controllers whose appearance follows this one's (the visible children).
    virtual std::vector<std::shared_ptr<ViewController>> appearanceChildren() const { return children_; }
    /// Links a presented controller to this one without a transition (state
    /// restoration); clearPresentationLinks undoes it.
    void setPresentationLinks(const std::shared_ptr<ViewController>& presented);
    void clearPresentationLinks();
    /// Called by the view tree when this controller's root view enters or leaves
    /// a window: a child whose parent shows it appears (or disappears) with it.
    void rootViewDidMoveToWindow();
    /// The style of the current presentation of this controller (after the
    /// automatic style and popover adaptation), or none when not presented.
    std::optional<ModalPresentationStyle> presentationStyle() const;
    /// Called by makeController once the controller is owned by its shared_ptr:
    /// containers adopt the children given to their constructors here.
    virtual void didFinishCreation() {}

private:
    friend class PresentationController;
    void dismissPresented(bool animated, std::function<void()> completion);
    void runAfterTransition();
    std::weak_ptr<ViewController> presentedFrom_;
    std::vector<std::function<void()>> afterTransition_;
    bool transitionBusy_ = false;
    bool loadingView_ = false;
    std::shared_ptr<View> view_;
    std::weak_ptr<ViewController> parent_;
    std::vector<std::shared_ptr<ViewController>> children_;
    std::shared_ptr<ViewController> presented_;
    std::weak_ptr<ViewController> presenting_;
    std::shared_ptr<PresentationController> presentationController_;
    std::weak_ptr<Storyboard> storyboard_;
    NavigationItem navigationItem_;
    std::shared_ptr<TabBarItem> tabBarItem_;
    PopoverPresentation popover_;
    std::optional<TraitCollection> traits_;
    Appearance appearance_ = Appearance::disappeared;
    bool appearanceAnimated_ = false;
    bool beingPresented_ = false;
    bool beingDismissed_ = false;
};

/// Makes a controller of a subclass with a shared_ptr (the constructors are protected).
template <class T, class... Args>
std::shared_ptr<T> makeController(Args&&... args) {
    struct Made : T {
        explicit Made(Args&&... a) : T(std::forward<Args>(a)...) {}
    };
    auto made = std::make_shared<Made>(std::forward<Args>(args)...);
    made->didFinishCreation();
    return made;
}

} // namespace platform::ui
