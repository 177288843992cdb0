#include "Platform/UI/ImageView.hpp"

namespace platform::ui {

std::shared_ptr<ImageView> ImageView::create(std::shared_ptr<Image> image, Rect frame) {
    return makeView<ImageView>(std::move(image), frame);
}

ImageView::ImageView(std::shared_ptr<Image> image, Rect frame) : View(frame), image(std::move(image)) {
    isUserInteractionEnabled = false;
    if (frame.size == Size{} && this->image) this->frame.size = this->image->size();
}

void ImageView::describeState(std::vector<std::string>& parts) const {
    const auto& shown = isHighlighted && highlightedImage ? highlightedImage : image;
    if (shown) parts.push_back("image=" + shown->description());
    View::describeState(parts);
}

} // namespace platform::ui
