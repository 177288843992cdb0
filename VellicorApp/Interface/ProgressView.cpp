#include "VellicorApp/Interface/ProgressView.hpp"

#include "VellicorApp/Core/Localization.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Storyboard.hpp"

namespace vellicor {

using namespace platform::ui;

std::shared_ptr<ProgressView> ProgressView::loadFromNib() {
    auto view = std::dynamic_pointer_cast<ProgressView>(Nib::instantiate(kNibName));
    if (!view) platform::fatalError("Failed to find FileDownloadProgressView xib");
    return view;
}

std::shared_ptr<ProgressView> ProgressView::makeNibContent() {
    auto view = makeView<ProgressView>(Rect{{0, 0}, kScreenSize});
    view->backgroundColor = Color::rgba(0, 0, 0, 0.5);
    auto spinner = ActivityIndicatorView::create(ActivityIndicatorView::Style::large);
    spinner->color = Color::white();
    spinner->startAnimating();
    auto label = Label::create();
    label->textColor = Color::white();
    label->numberOfLines = 0;
    label->accessibilityIdentifier = "ProgressView.message";
    // Shown once it has a message: the community screen's spinner has none.
    label->isHidden = true;
    auto checkmark = ImageView::create(Image::systemNamed("checkmark.circle"));
    checkmark->alpha = 0;
    for (const std::shared_ptr<View>& subview : std::initializer_list<std::shared_ptr<View>>{spinner, label, checkmark}) {
        subview->translatesAutoresizingMaskIntoConstraints = false;
        view->addSubview(subview);
    }
    view->activityIndicator_ = spinner;
    view->progressLabel_ = label;
    view->checkmarkImage_ = checkmark;
    return view;
}

void ProgressView::setMessageText(std::optional<std::string> text) {
    messageText_ = std::move(text);
    if (auto label = progressLabel()) {
        label->text = messageText_.value_or(std::string{});
        label->isHidden = label->text.empty();
    }
}

void ProgressView::show(View& view) {
    auto self = shared_from_this();
    frame = view.frame;
    view.addSubview(self);
    translatesAutoresizingMaskIntoConstraints = false;
    auto container = view.shared_from_this();
    using A = LayoutAttribute;
    LayoutConstraint::activate({
        anchor(A::leading).constraint(container->anchor(A::leading)),
        anchor(A::trailing).constraint(container->anchor(A::trailing)),
        anchor(A::top).constraint(container->anchor(A::top)),
        anchor(A::bottom).constraint(container->anchor(A::bottom)),
    });
    view.bringSubviewToFront(self);
}

void ProgressView::hide() { removeFromSuperview(); }

void ProgressView::finishProgress(bool shouldHide, std::function<void()> completion) {
    std::weak_ptr<ProgressView> weakSelf = std::static_pointer_cast<ProgressView>(shared_from_this());
    View::animate(
        kFadeDuration,
        [weakSelf] {
            auto self = weakSelf.lock();
            if (!self) return;
            if (auto spinner = self->activityIndicator()) spinner->alpha = 0;
            if (auto label = self->progressLabel()) label->alpha = 0;
        },
        [weakSelf, shouldHide, completion = std::move(completion)](bool) {
            if (auto self = weakSelf.lock()) {
                if (auto spinner = self->activityIndicator()) spinner->stopAnimating();
                if (auto label = self->progressLabel()) {
                    label->text = localized("ACTION_COMPLETED", "action completed text");
                    label->isHidden = false;
                }
            }
            View::animate(
                kFadeDuration,
                [weakSelf] {
                    auto self = weakSelf.lock();
                    if (!self) return;
                    if (auto checkmark = self->checkmarkImage()) checkmark->alpha = 1;
                    if (auto label = self->progressLabel()) label->alpha = 1;
                },
                [weakSelf, shouldHide, completion](bool) {
                    if (completion) completion();
                    auto self = weakSelf.lock();
                    if (shouldHide && self) self->hide();
                });
        });
}

} // namespace vellicor
