#include "Platform/UI/Storyboard.hpp"

#include "Platform/Foundation/Error.hpp"

#include <map>
#include <vector>

namespace platform::ui {

namespace {

// Main thread only, like the rest of the interface layer.
struct Registry {
    std::map<std::string, std::shared_ptr<Storyboard>> storyboards;
    std::map<std::string, Nib::Factory> nibs;
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

} // namespace

// Storyboard -------------------------------------------------------------------

Storyboard::Storyboard(std::string name, StoryboardDefinition definition)
    : name_(std::move(name)), definition_(std::move(definition)) {}

void Storyboard::registerStoryboard(std::string name, StoryboardDefinition definition) {
    std::shared_ptr<Storyboard> board(new Storyboard(name, std::move(definition)));
    registry().storyboards[std::move(name)] = std::move(board);
}

std::shared_ptr<Storyboard> Storyboard::named(const std::string& name) {
    auto& boards = registry().storyboards;
    auto it = boards.find(name);
    if (it == boards.end()) {
        fatalError("Could not find a storyboard named '" + name + "' in bundle NSBundle <main>");
    }
    return it->second;
}

bool Storyboard::exists(const std::string& name) { return registry().storyboards.count(name) != 0; }

void Storyboard::resetRegistry() {
    auto& r = registry();
    r.storyboards.clear();
    r.nibs.clear();
}

std::shared_ptr<ViewController> Storyboard::adopt(std::shared_ptr<ViewController> controller) {
    // The controller and the children its factory gave it (a navigation
    // controller's root) come from this storyboard.
    auto self = shared_from_this();
    std::vector<std::shared_ptr<ViewController>> pending;
    if (controller) pending.push_back(controller);
    while (!pending.empty()) {
        auto next = std::move(pending.back());
        pending.pop_back();
        if (!next->storyboard()) next->setStoryboard(self);
        for (const auto& child : next->children()) pending.push_back(child);
    }
    return controller;
}

std::shared_ptr<ViewController> Storyboard::instantiateInitialViewController() {
    if (!definition_.initial) return nullptr;
    auto controller = adopt(definition_.initial());
    if (controller) controller->embedSegueIdentifiers = embedSegues("");
    return controller;
}

std::shared_ptr<ViewController> Storyboard::instantiateViewController(const std::string& identifier) {
    auto it = definition_.controllers.find(identifier);
    if (it == definition_.controllers.end() || !it->second) {
        fatalError("Storyboard (<Storyboard " + name_ + ">) doesn't contain a view controller with identifier '" +
                   identifier + "'");
    }
    auto controller = adopt(it->second());
    if (controller) controller->embedSegueIdentifiers = embedSegues(identifier);
    return controller;
}

void Storyboard::addEmbedSegue(const std::string& controllerIdentifier, std::string segueIdentifier,
                               std::string container) {
    embedContainers_[segueIdentifier] = std::move(container);
    embedSegues_[controllerIdentifier].push_back(std::move(segueIdentifier));
}

std::vector<std::string> Storyboard::embedSegues(const std::string& controllerIdentifier) const {
    auto it = embedSegues_.find(controllerIdentifier);
    return it == embedSegues_.end() ? std::vector<std::string>{} : it->second;
}

std::string Storyboard::embedContainer(const std::string& segueIdentifier) const {
    auto it = embedContainers_.find(segueIdentifier);
    return it == embedContainers_.end() ? std::string{} : it->second;
}

const SegueDefinition* Storyboard::segue(const std::string& identifier) const {
    auto it = definition_.segues.find(identifier);
    return it == definition_.segues.end() ? nullptr : &it->second;
}

// Nib ----------------------------------------------------------------------------

void Nib::registerNib(std::string name, Factory factory) { registry().nibs[std::move(name)] = std::move(factory); }

std::shared_ptr<View> Nib::instantiate(const std::string& name) {
    auto& nibs = registry().nibs;
    auto it = nibs.find(name);
    if (it == nibs.end() || !it->second) {
        fatalError("Could not load NIB in bundle: 'NSBundle <main>' with name '" + name + "'");
    }
    return it->second();
}

bool Nib::exists(const std::string& name) { return registry().nibs.count(name) != 0; }

void Nib::resetRegistry() { registry().nibs.clear(); }

} // namespace platform::ui
