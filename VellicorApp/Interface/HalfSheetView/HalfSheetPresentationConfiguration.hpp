#pragma once

#include "Platform/UI/Geometry.hpp"

#include <optional>

namespace vellicor {

/// How much of a half sheet shows, as a fraction of the container's height.
enum class HalfSheetPresentationSize { zero, half, full };

/// The fraction: 0, 0.58 or 1.
double rawValue(HalfSheetPresentationSize size);
/// The size of exactly that fraction; none for any other number.
std::optional<HalfSheetPresentationSize> halfSheetPresentationSize(double rawValue);
/// The sheet's frame in a container rectangle of width W and height H: the
/// zero rectangle for `zero`; otherwise x 0, y H − H × fraction, W × H (the
/// sheet is as tall as the container and pushed down; the container's origin
/// is not added).
platform::ui::Rect frame(HalfSheetPresentationSize size, const platform::ui::Rect& containerFrame);

/// The sheet content's corner radius.
enum class HalfSheetPresentationCornerStyle { square, rounded };
double rawValue(HalfSheetPresentationCornerStyle style);

/// Whether the area around the sheet is dimmed.
enum class HalfSheetPresentationBackgroundStyle { normal, dimmed };

/// How a half sheet is shown: half height, rounded corners, dimmed surround.
struct HalfSheetPresentationConfiguration {
    HalfSheetPresentationSize size = HalfSheetPresentationSize::half;
    HalfSheetPresentationCornerStyle cornerStyle = HalfSheetPresentationCornerStyle::rounded;
    HalfSheetPresentationBackgroundStyle backgroundStyle = HalfSheetPresentationBackgroundStyle::dimmed;
};

enum class TransitionType { present, dismiss };

} // namespace vellicor
