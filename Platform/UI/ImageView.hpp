#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/View.hpp"

#include <memory>
#include <string>
#include <vector>

namespace platform::ui {

/// Shows an image.
class PLATFORM_EXPORT ImageView : public View {
public:
    static std::shared_ptr<ImageView> create(std::shared_ptr<Image> image = nullptr, Rect frame = {});

    std::shared_ptr<Image> image;
    std::shared_ptr<Image> highlightedImage;
    bool isHighlighted = false;

    std::string typeName() const override { return "ImageView"; }
    /// "image=<description>" when there is an image, then the view's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    ImageView(std::shared_ptr<Image> image, Rect frame);
};

} // namespace platform::ui
