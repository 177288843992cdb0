#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Color.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <optional>
#include <string>

namespace platform::ui {

/// A bar of controls along the edge of a screen. Its controls are subviews;
/// the bar's own colour is `barTintColor` (none: the system's).
class PLATFORM_EXPORT Toolbar : public View {
public:
    static std::shared_ptr<Toolbar> create(Rect frame = {});

    std::optional<Color> barTintColor;

    std::string typeName() const override { return "Toolbar"; }

protected:
    explicit Toolbar(Rect frame) : View(frame) {}
};

} // namespace platform::ui
