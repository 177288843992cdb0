#pragma once

#include "Platform/Export.hpp"

#include <memory>
#include <optional>
#include <string>

namespace platform::web {

/// A namespace that page scripts, user scripts and script message handlers run
/// in: the page's own world, the app's default client world, or a named one.
/// Worlds are shared objects: asking twice for the same one gives the same object.
class PLATFORM_EXPORT ContentWorld {
public:
    /// The world of the page's own scripts.
    static std::shared_ptr<ContentWorld> page();
    /// The app's default world, separate from the page's.
    static std::shared_ptr<ContentWorld> defaultClient();
    /// A named world of the app (the same object for the same name).
    static std::shared_ptr<ContentWorld> world(const std::string& name);

    /// None for the page and the default client world.
    const std::optional<std::string>& name() const { return name_; }
    /// "page", "defaultClient" or the name: how journals and messages print the world.
    std::string description() const;

private:
    enum class Kind { page, defaultClient, named };
    ContentWorld(Kind kind, std::optional<std::string> name) : kind_(kind), name_(std::move(name)) {}
    Kind kind_;
    std::optional<std::string> name_;
};

} // namespace platform::web
