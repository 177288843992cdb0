#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace platform::ui {

/// A named transition of a storyboard: how it shows its destination, and the
/// identifier of the destination controller in the same storyboard.
struct PLATFORM_EXPORT SegueDefinition {
    /// push: onto the source's navigation controller; present: modally; show:
    /// pushed when the source is in a navigation controller, else presented.
    /// A push without a navigation controller is presented as well.
    /// embed: run while the source's view loads (before its viewDidLoad), when
    /// added with Storyboard::addEmbedSegue: the destination becomes a child
    /// whose view fills the source's container subview (the root view without one).
    enum class Kind { push, present, show, embed };
    Kind kind = Kind::show;
    std::string destination;
};

/// What the app registers for a storyboard: its controllers by identifier, the
/// initial one, and its segues by identifier.
struct PLATFORM_EXPORT StoryboardDefinition {
    using Factory = std::function<std::shared_ptr<ViewController>()>;
    /// The initial controller's factory; empty when the storyboard has none.
    Factory initial;
    std::map<std::string, Factory> controllers;
    std::map<std::string, SegueDefinition> segues;
};

/// A storyboard: a process-wide registry entry from which controllers are made.
/// Each controller made here knows its storyboard, so it can perform segues.
class PLATFORM_EXPORT Storyboard : public std::enable_shared_from_this<Storyboard> {
public:
    /// Registers (or replaces) a storyboard.
    static void registerStoryboard(std::string name, StoryboardDefinition definition);
    /// The registered storyboard; an unknown name stops the app, as on the platform.
    static std::shared_ptr<Storyboard> named(const std::string& name);
    /// Whether a storyboard of that name is registered.
    static bool exists(const std::string& name);
    /// Forgets every storyboard and nib (tests).
    static void resetRegistry();

    const std::string& name() const { return name_; }
    /// A new initial controller, or none when the storyboard has no initial controller.
    std::shared_ptr<ViewController> instantiateInitialViewController();
    /// A new controller of the identifier; an unknown identifier stops the app.
    std::shared_ptr<ViewController> instantiateViewController(const std::string& identifier);
    /// The segue of the identifier, or null.
    const SegueDefinition* segue(const std::string& identifier) const;
    /// Runs the embed segue (of this storyboard) while the view of each
    /// controller of `controllerIdentifier` ("" for the initial one) loads; its
    /// destination's view fills the subview with the accessibility identifier
    /// `container` ("" for the root view). Segues run in the order added.
    void addEmbedSegue(const std::string& controllerIdentifier, std::string segueIdentifier,
                       std::string container = {});
    /// The identifier of the subview an embed segue fills ("" for the root view).
    std::string embedContainer(const std::string& segueIdentifier) const;

private:
    Storyboard(std::string name, StoryboardDefinition definition);
    std::shared_ptr<ViewController> adopt(std::shared_ptr<ViewController> controller);
    std::vector<std::string> embedSegues(const std::string& controllerIdentifier) const;
    std::string name_;
    StoryboardDefinition definition_;
    std::map<std::string, std::vector<std::string>> embedSegues_;
    std::map<std::string, std::string> embedContainers_;
};

/// A segue being performed, as prepare(segue, sender) sees it.
class PLATFORM_EXPORT StoryboardSegue {
public:
    StoryboardSegue(std::string identifier, std::shared_ptr<ViewController> source,
                    std::shared_ptr<ViewController> destination)
        : identifier_(std::move(identifier)), source_(std::move(source)), destination_(std::move(destination)) {}

    const std::string& identifier() const { return identifier_; }
    const std::shared_ptr<ViewController>& source() const { return source_; }
    const std::shared_ptr<ViewController>& destination() const { return destination_; }

private:
    std::string identifier_;
    std::shared_ptr<ViewController> source_;
    std::shared_ptr<ViewController> destination_;
};

/// Nibs: named view factories the app registers.
class PLATFORM_EXPORT Nib {
public:
    using Factory = std::function<std::shared_ptr<View>()>;
    static void registerNib(std::string name, Factory factory);
    /// A new view of the nib; an unknown name stops the app, as on the platform.
    static std::shared_ptr<View> instantiate(const std::string& name);
    static bool exists(const std::string& name);
    static void resetRegistry();
};

} // namespace platform::ui
