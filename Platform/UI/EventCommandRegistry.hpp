#pragma once

#include "Platform/Export.hpp"

#include <functional>
#include <string>
#include <vector>

namespace platform::ui {

class EventDriver;

/// The event commands of the areas of the platform, composed in one place so
/// that the application main need not know the areas. Each area adds its own
/// table once, when the library loads, with a static `Area` in its command
/// file; the application main puts every table into its driver. The areas
/// are applied in the order of their names.
class PLATFORM_EXPORT EventCommandRegistry {
public:
    using Registrar = std::function<void(EventDriver&)>;

    /// Adds (or replaces) the table of an area.
    static void add(const std::string& area, Registrar registrar);
    /// Registers the commands of every area with the driver.
    static void registerAll(EventDriver& driver);
    /// The names of the areas added.
    static std::vector<std::string> areas();

    /// Adds an area's table while the library loads: `const EventCommandRegistry::Area
    /// kArea{"web", registerEventCommands};` at namespace scope.
    struct PLATFORM_EXPORT Area {
        Area(const std::string& name, Registrar registrar) { add(name, std::move(registrar)); }
    };
};

} // namespace platform::ui
