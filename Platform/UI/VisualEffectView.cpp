#include "Platform/UI/VisualEffectView.hpp"

namespace platform::ui {

std::shared_ptr<VisualEffectView> VisualEffectView::create(std::optional<BlurStyle> effect, Rect frame) {
    auto view = makeView<VisualEffectView>(effect, frame);
    view->contentView_ = View::create(view->bounds());
    view->addSubview(view->contentView_);
    return view;
}

} // namespace platform::ui
