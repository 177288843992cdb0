#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {

/// A blur (or vibrancy) behind its content view.
class PLATFORM_EXPORT VisualEffectView : public View {
public:
    enum class BlurStyle { extraLight, light, dark, regular, prominent, systemMaterial, systemThinMaterial, systemUltraThinMaterial, systemThickMaterial, systemChromeMaterial };

    static std::shared_ptr<VisualEffectView> create(std::optional<BlurStyle> effect = BlurStyle::regular, Rect frame = {});

    /// None: no effect (the view shows only its content).
    std::optional<BlurStyle> effect;
    /// Where the content goes; a subview filling the effect view.
    std::shared_ptr<View> contentView() const { return contentView_; }

    std::string typeName() const override { return "VisualEffectView"; }

protected:
    VisualEffectView(std::optional<BlurStyle> effect, Rect frame) : View(frame), effect(effect) {}

private:
    std::shared_ptr<View> contentView_;
};

} // namespace platform::ui
