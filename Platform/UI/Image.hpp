#pragma once

#include "Platform/Export.hpp"
#include "Platform/Foundation/Data.hpp"
#include "Platform/UI/Geometry.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ui {

/// An image: a named asset of the app package, a system symbol, or decoded bytes.
/// Pixels are never drawn here; an image is known by where it came from and its size.
class PLATFORM_EXPORT Image {
public:
    enum class Source { named, system, data };
    enum class RenderingMode { automatic, alwaysOriginal, alwaysTemplate };

    /// An image of the main bundle: "<name>.png", "<name>@2x.png", "<name>@3x.png",
    /// "<name>.jpg", "<name>.jpeg", "<name>.gif" or "<name>.pdf" (or the name as
    /// it is, when it has an extension), at the top level or in "Images/"; null
    /// when there is none or its header cannot be read. The size is in points:
    /// an @2x file's pixel size halved, an @3x file's divided by three.
    static std::shared_ptr<Image> named(std::string_view name);
    /// A system symbol by name; null for names that are not symbols (a fixed list).
    static std::shared_ptr<Image> systemNamed(std::string_view name);
    /// Decodes PNG, JPEG or GIF bytes far enough to know the size; null otherwise.
    static std::shared_ptr<Image> fromData(const Data& data);

    Source source() const { return source_; }
    /// The asset or symbol name ("" for decoded bytes).
    const std::string& name() const { return name_; }
    Size size() const { return size_; }
    /// Pixels per point (2 for an "@2x" file).
    double scale() const { return scale_; }
    RenderingMode renderingMode() const { return renderingMode_; }
    /// A copy drawn as a template (tinted) or as it is.
    std::shared_ptr<Image> withRenderingMode(RenderingMode mode) const;
    /// A copy drawn at another size (the app resizes tab icons); none unless
    /// both sides are positive and finite.
    std::shared_ptr<Image> resized(Size size) const;
    /// A short text for screen dumps: "named:x", "system:x" or "data:WxH".
    std::string description() const;

    /// The pixel size in a PNG, JPEG or GIF header; none for other or truncated bytes.
    static std::optional<Size> pixelSize(const Data& bytes);

private:
    Image(Source source, std::string name, Size size) : source_(source), name_(std::move(name)), size_(size) {}
    static std::shared_ptr<Image> make(Source source, std::string name, Size size);
    Source source_;
    std::string name_;
    Size size_;
    double scale_ = 1;
    RenderingMode renderingMode_ = RenderingMode::automatic;
};

} // namespace platform::ui
