#include "VellicorApp/Interface/HalfSheetView/HalfSheetPresentationConfiguration.hpp"

namespace vellicor {

double rawValue(HalfSheetPresentationSize size) {
    switch (size) {
    case HalfSheetPresentationSize::zero: return 0.0;
    case HalfSheetPresentationSize::half: return 0.58;
    case HalfSheetPresentationSize::full: return 1.0;
    }
    return 0.0;
}

std::optional<HalfSheetPresentationSize> halfSheetPresentationSize(double value) {
    for (auto size : {HalfSheetPresentationSize::zero, HalfSheetPresentationSize::half, HalfSheetPresentationSize::full}) {
        if (rawValue(size) == value) return size;
    }
    return std::nullopt;
}

platform::ui::Rect frame(HalfSheetPresentationSize size, const platform::ui::Rect& containerFrame) {
    if (size == HalfSheetPresentationSize::zero) return {};
    const double width = containerFrame.width();
    const double height = containerFrame.height();
    return platform::ui::Rect{{0, height - height * rawValue(size)}, {width, height}};
}

double rawValue(HalfSheetPresentationCornerStyle style) {
    return style == HalfSheetPresentationCornerStyle::rounded ? 8.0 : 0.0;
}

} // namespace vellicor
