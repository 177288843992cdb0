#pragma once

#include "Platform/UI/ViewController.hpp"

#include <memory>
#include <string>

namespace platform::tarnixbridge {

/// A screen a plug-in shows while it works (the scanner, the contact
/// picker): a plain screen named for screen dumps.
class PluginScreen : public ui::ViewController {
public:
    static std::shared_ptr<PluginScreen> make(std::string typeName) {
        return ui::makeController<PluginScreen>(std::move(typeName));
    }
    std::string typeName() const override { return typeName_; }

protected:
    explicit PluginScreen(std::string typeName) : typeName_(std::move(typeName)) {}

private:
    std::string typeName_;
};

} // namespace platform::tarnixbridge
