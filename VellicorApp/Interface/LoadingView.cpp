#include "VellicorApp/Interface/LoadingView.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Core/Context.hpp"
#include "VellicorApp/Core/Localization.hpp"
#include "VellicorApp/Interface/ColorBrightness.hpp"

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr const char* kLoadingComment = "Loading label";

struct StageInfo {
    const char* key;
    double delay;
};

constexpr std::array<StageInfo, LoadingView::kStageCount> kStages{{
    {"LOADING_LABEL_1", 5.0},
    {"LOADING_LABEL_2", 15.0},
    {"LOADING_LABEL_3", 30.0},
    {"LOADING_LABEL_4", 45.0},
    {"LOADING_LABEL_5", 75.0},
}};

std::size_t index(LoadingView::ErrorMessage stage) { return static_cast<std::size_t>(stage); }

std::string firstMessage() { return localized(kStages[0].key, kLoadingComment); }

} // namespace

std::string LoadingView::text(ErrorMessage stage) { return localized(kStages[index(stage)].key, kLoadingComment); }

double LoadingView::delay(ErrorMessage stage) { return kStages[index(stage)].delay; }

std::shared_ptr<LoadingView> LoadingView::create(Rect frame) { return makeView<LoadingView>(frame); }

std::shared_ptr<LoadingView> LoadingView::makeStoryboardContent(std::function<void()> retryAction) {
    auto view = makeView<LoadingView>(Rect{{0, 0}, {kScreenSize.width, 200}});
    auto spinner = ActivityIndicatorView::create(ActivityIndicatorView::Style::large);
    spinner->color = Color::systemGray();
    auto label = Label::create();
    label->textColor = Color::secondaryLabel();
    label->numberOfLines = 0;
    label->textAlignment = TextAlignment::center;
    label->accessibilityIdentifier = "LoadingView.status";
    auto button = Button::create(Button::ButtonType::system);
    button->accessibilityIdentifier = "LoadingView.retry";
    button->setTitleColor(Color::systemBlue(), ControlState::normal);
    button->backgroundColor = Color::systemBackground();
    button->layer().borderWidth = 1;
    button->layer().cornerRadius = 8;
    if (retryAction) button->addAction(ControlEvent::touchUpInside, std::move(retryAction));
    for (const std::shared_ptr<View>& subview : std::initializer_list<std::shared_ptr<View>>{spinner, label, button}) {
        subview->translatesAutoresizingMaskIntoConstraints = false;
        view->addSubview(subview);
    }
    using A = LayoutAttribute;
    LayoutConstraint::activate({
        spinner->anchor(A::top).constraint(view->anchor(A::top), 16),
        spinner->anchor(A::centerX).constraint(view->anchor(A::centerX)),
        label->anchor(A::top).constraint(spinner->anchor(A::bottom), 16),
        label->anchor(A::leading).constraint(view->anchor(A::leading), 24),
        label->anchor(A::trailing).constraint(view->anchor(A::trailing), -24),
        button->anchor(A::top).constraint(label->anchor(A::bottom), 16),
        button->anchor(A::centerX).constraint(view->anchor(A::centerX)),
        button->anchor(A::height).constraint(44),
    });
    view->setActivityIndicator(spinner);
    view->setStatusLabel(label);
    view->setRetryButton(button);
    return view;
}

void LoadingView::setActivityIndicator(const std::shared_ptr<ActivityIndicatorView>& indicator) {
    activityIndicator_ = indicator;
    if (!indicator) return;
    if (const auto color = AppContext::current()->navBarColor()) indicator->color = contrastColor(*color);
}

void LoadingView::setStatusLabel(const std::shared_ptr<Label>& label) {
    statusLabel_ = label;
    if (!label) return;
    label->text = firstMessage();
    if (const auto color = AppContext::current()->navBarColor()) label->textColor = contrastColor(*color);
}

void LoadingView::setRetryButton(const std::shared_ptr<Button>& button) {
    retryButton_ = button;
    if (!button) return;
    const auto color = AppContext::current()->navBarColor();
    button->setTitle(localized("RETRY_BUTTON_TITLE", "Retry"), ControlState::normal);
    button->backgroundColor = color;
    if (color) {
        button->setTitleColor(contrastColor(*color), ControlState::normal);
        button->layer().borderColor = contrastColor(*color);
    }
}

void LoadingView::reset(bool animated) {
    cancelDeferredAnimations();
    updatePatienceLabel(firstMessage(), animated);
    std::weak_ptr<LoadingView> weakSelf = std::static_pointer_cast<LoadingView>(shared_from_this());
    auto changes = [weakSelf] {
        auto self = weakSelf.lock();
        if (!self) return;
        if (auto button = self->retryButton()) button->alpha = 0;
        if (auto spinner = self->activityIndicator()) spinner->startAnimating();
    };
    if (animated) {
        View::animate(kFadeDuration, changes);
    } else {
        changes();
    }
}

void LoadingView::show(bool animated, std::function<void()> completion) { fade(1, animated, std::move(completion)); }

void LoadingView::hide(bool animated, std::function<void()> completion) { fade(0, animated, std::move(completion)); }

void LoadingView::fade(double target, bool animated, std::function<void()> completion) {
    if (!animated) {
        alpha = target;
        if (completion) completion();
        return;
    }
    std::weak_ptr<LoadingView> weakSelf = std::static_pointer_cast<LoadingView>(shared_from_this());
    View::animate(
        kShowDuration, 0, AnimationCurve::easeOut,
        [weakSelf, target] {
            if (auto self = weakSelf.lock()) self->alpha = target;
        },
        [completion = std::move(completion)](bool) {
            if (completion) completion();
        });
}

void LoadingView::updatePatienceLabel(const std::string& text, bool animated, std::function<void()> completion) {
    const auto change = ++labelChange_;
    if (!animated) {
        if (auto label = statusLabel()) {
            label->text = text;
            label->alpha = 1;
        }
        if (completion) completion();
        return;
    }
    std::weak_ptr<LoadingView> weakSelf = std::static_pointer_cast<LoadingView>(shared_from_this());
    View::animate(
        kFadeDuration,
        [weakSelf] {
            auto self = weakSelf.lock();
            if (!self) return;
            if (auto label = self->statusLabel()) label->alpha = 0;
        },
        // The text changes when the fade-out ends, finished or not, unless a
        // later change (a reset, the offline state) has come in meanwhile: a
        // stale message, or the retry button of a stale stage, must not land
        // on top of it.
        [weakSelf, change, text, completion = std::move(completion)](bool) {
            auto self = weakSelf.lock();
            if (!self || self->labelChange_ != change) return;
            View::animate(
                kFadeDuration,
                [weakSelf, text] {
                    auto self = weakSelf.lock();
                    if (!self) return;
                    if (auto label = self->statusLabel()) {
                        label->text = text;
                        label->alpha = 1;
                    }
                },
                [weakSelf, change, completion](bool) {
                    auto self = weakSelf.lock();
                    if (!self || self->labelChange_ != change) return;
                    if (completion) completion();
                });
        });
}

void LoadingView::showRetryButton(bool animated) {
    std::weak_ptr<LoadingView> weakSelf = std::static_pointer_cast<LoadingView>(shared_from_this());
    auto changes = [weakSelf] {
        auto self = weakSelf.lock();
        if (!self) return;
        if (auto spinner = self->activityIndicator()) spinner->stopAnimating();
        if (auto button = self->retryButton()) button->alpha = 1;
    };
    if (animated) {
        View::animate(kFadeDuration, changes);
    } else {
        changes();
    }
}

void LoadingView::showNoConnection(bool animated) {
    cancelDeferredAnimations();
    const auto offline = localized("OFFLINE_TEXT", "offline message");
    if (animated) {
        std::weak_ptr<LoadingView> weakSelf = std::static_pointer_cast<LoadingView>(shared_from_this());
        updatePatienceLabel(offline, true, [weakSelf] {
            if (auto self = weakSelf.lock()) self->showRetryButton(true);
        });
        return;
    }
    // The label's alpha is left as it is.
    ++labelChange_;
    if (auto label = statusLabel()) label->text = offline;
    showRetryButton(false);
}

void LoadingView::startDeferredAnimations() {
    std::weak_ptr<LoadingView> weakSelf = std::static_pointer_cast<LoadingView>(shared_from_this());
    for (std::size_t i = 0; i < kStageCount; ++i) {
        const auto stage = static_cast<ErrorMessage>(i);
        auto item = platform::WorkItem::create([weakSelf, stage] {
            if (auto self = weakSelf.lock()) self->runStage(stage);
        });
        platform::MainQueue::asyncAfter(kStages[i].delay, item);
        // A stage already stored is released here, not cancelled.
        stages_[i] = std::move(item);
    }
}

void LoadingView::runStage(ErrorMessage stage) {
    switch (stage) {
    case ErrorMessage::showLoading:
        show(true);
        return;
    case ErrorMessage::showRetryButton: {
        std::weak_ptr<LoadingView> weakSelf = std::static_pointer_cast<LoadingView>(shared_from_this());
        updatePatienceLabel(text(stage), true, [weakSelf] {
            if (auto self = weakSelf.lock()) self->showRetryButton(true);
        });
        return;
    }
    default:
        updatePatienceLabel(text(stage), true);
        return;
    }
}

void LoadingView::cancelDeferredAnimations() {
    for (auto& item : stages_) {
        if (item) item->cancel();
        item.reset();
    }
}

} // namespace vellicor
