#include "VellicorApp/Interface/ParallaxHeaderView.hpp"

#include "Platform/Foundation/Error.hpp"
#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/Storyboard.hpp"

#include <algorithm>
#include <cmath>

namespace vellicor {

using namespace platform::ui;

namespace {

constexpr const char* kBackgroundImageIdentifier = "ParallaxHeaderView.background";
constexpr const char* kBlurIdentifier = "ParallaxHeaderView.blur";
constexpr const char* kWelcomeTextIdentifier = "ParallaxHeaderView.welcome";
constexpr const char* kWelcomeTopIdentifier = "ParallaxHeaderView.welcomeTop";
constexpr const char* kWelcomeBottomIdentifier = "ParallaxHeaderView.welcomeBottom";
constexpr const char* kWelcomeHeightIdentifier = "ParallaxHeaderView.welcomeHeight";

/// A finite number, else the fallback.
double finiteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }

} // namespace

std::shared_ptr<View> ParallaxHeaderView::makeNibContent() {
    auto content = View::create(Rect{{0, 0}, {kScreenSize.width, 300}});
    auto image = ImageView::create(Image::named("ParallaxHeaderBackground"));
    image->accessibilityIdentifier = kBackgroundImageIdentifier;
    image->contentMode = ContentMode::scaleAspectFill;
    auto blur = VisualEffectView::create(VisualEffectView::BlurStyle::regular);
    blur->accessibilityIdentifier = kBlurIdentifier;
    blur->alpha = 0;
    auto welcome = Label::create("Welcome");
    welcome->accessibilityIdentifier = kWelcomeTextIdentifier;
    for (const std::shared_ptr<View>& view : std::initializer_list<std::shared_ptr<View>>{image, blur, welcome}) {
        view->translatesAutoresizingMaskIntoConstraints = false;
        content->addSubview(view);
    }
    using A = LayoutAttribute;
    auto top = welcome->anchor(A::top).constraint(content->anchor(A::top), 24);
    top.identifier = kWelcomeTopIdentifier;
    auto bottom = content->anchor(A::bottom).constraint(welcome->anchor(A::bottom), 24);
    bottom.identifier = kWelcomeBottomIdentifier;
    auto height = welcome->anchor(A::height).constraint(48);
    height.identifier = kWelcomeHeightIdentifier;
    LayoutConstraint::activate({top, bottom, height});
    return content;
}

std::shared_ptr<ParallaxHeaderView> ParallaxHeaderView::fromInterfaceFile(Rect frame) {
    auto header = makeView<ParallaxHeaderView>(frame);
    auto content = Nib::exists(kNibName) ? Nib::instantiate(kNibName) : nullptr;
    if (!content) platform::fatalError("Failed to find ParallaxHeaderView xib");
    content->frame = header->bounds();
    header->addSubview(content);
    // The nib's owner outlets, found by their identifiers.
    header->backgroundImageView_ =
        std::dynamic_pointer_cast<ImageView>(content->viewWithAccessibilityIdentifier(kBackgroundImageIdentifier));
    header->blurView_ =
        std::dynamic_pointer_cast<VisualEffectView>(content->viewWithAccessibilityIdentifier(kBlurIdentifier));
    auto welcome = content->viewWithAccessibilityIdentifier(kWelcomeTextIdentifier);
    if (welcome) {
        header->welcomeTextTopConstraint_ = ConstraintOutlet(welcome, kWelcomeTopIdentifier);
        header->welcomeTextBottomConstraint_ = ConstraintOutlet(welcome, kWelcomeBottomIdentifier);
        header->welcomeTextHeightConstraint_ = ConstraintOutlet(welcome, kWelcomeHeightIdentifier);
    }
    return header;
}

double ParallaxHeaderView::titleTextViewHeight() const {
    return welcomeTextTopConstraint_.constant() + welcomeTextHeightConstraint_.constant() +
           welcomeTextBottomConstraint_.constant();
}

LayoutConstraint* ParallaxHeaderView::heightConstraint(ScrollView& scrollView) {
    // The scroll view owns its constraints as values and offers them read-only;
    // the header changes its height constraint's constant in place, as the
    // form's layout expects (the view itself is not const).
    auto& constraints = const_cast<std::vector<LayoutConstraint>&>(scrollView.constraints());
    const auto isHeight = [&](const LayoutConstraint& c) {
        return c.first.view.lock().get() == &scrollView && c.first.attribute == LayoutAttribute::height;
    };
    if (heightHolder_.lock().get() == &scrollView && heightIndex_ && *heightIndex_ < constraints.size() &&
        isHeight(constraints[*heightIndex_])) {
        return &constraints[*heightIndex_];
    }
    // Found on first use and kept; a search that finds nothing is repeated next time.
    heightIndex_.reset();
    auto it = std::find_if(constraints.begin(), constraints.end(), isHeight);
    if (it == constraints.end()) return nullptr;
    heightHolder_ = scrollView.shared_from_this();
    heightIndex_ = static_cast<std::size_t>(it - constraints.begin());
    return &*it;
}

double ParallaxHeaderView::transform(ScrollView& scrollView) {
    auto container = scrollView.superview();
    if (!container) return 0;
    auto* height = heightConstraint(scrollView);
    if (!height) return 0;

    const auto& insets = container->safeAreaInsets;
    const double safeHeight = container->frame.height() - insets.top - insets.bottom;
    const double fullHeight = safeHeight * height->multiplier;
    const double collapseRange = fullHeight - titleTextViewHeight();
    const double offsetY = scrollView.contentOffset().y;

    // A container of no height or an empty range would give no finite number:
    // the image then keeps its size and the blur stays clear.
    const double scale =
        std::max(1.0, finiteOr(std::abs(offsetY / container->frame.height()) + 1, 1.0));
    const auto transform = AffineTransform::scale(scale, scale);
    if (auto image = backgroundImageView()) image->transform = transform;
    if (auto blur = blurView()) {
        blur->transform = transform;
        blur->alpha = finiteOr(std::abs(height->constant / collapseRange), 0.0);
    }

    const double translation = scrollView.panGestureRecognizer()->translation(container.get()).y;
    double constant = height->constant - offsetY;
    constant = translation > 0 ? std::min(constant, 0.0) : std::max(constant, -collapseRange);
    height->constant = constant;
    return collapseRange;
}

} // namespace vellicor
