#pragma once

#include "VellicorApp/Interface/ConstraintOutlet.hpp"

#include "Platform/UI/ImageView.hpp"
#include "Platform/UI/ScrollView.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/VisualEffectView.hpp"

#include <memory>
#include <optional>

namespace vellicor {

/// The header of the preview edition's site form: an image under a blur and
/// a welcome text. As the form scrolls, the header collapses down to the
/// welcome text; pulling past the top enlarges the image. Its content comes
/// from the nib "ParallaxHeaderView"; it exists only inside interface files
/// (made by fromInterfaceFile). Main thread only.
class ParallaxHeaderView : public platform::ui::View {
public:
    static constexpr const char* kNibName = "ParallaxHeaderView";

    /// The header with the nib's content filling its bounds; stops the app
    /// with "Failed to find ParallaxHeaderView xib" when the nib has no view.
    static std::shared_ptr<ParallaxHeaderView> fromInterfaceFile(platform::ui::Rect frame);
    /// The nib's content (the factory registered under kNibName).
    static std::shared_ptr<platform::ui::View> makeNibContent();

    /// One parallax step, on every scroll of the form: scales the image and
    /// blur, sets the blur's alpha and moves the scroll view's height
    /// constraint between full height and the welcome text. Returns the
    /// collapse range; 0 (and no change) without a superview of the scroll
    /// view or a height constraint of its own.
    double transform(platform::ui::ScrollView& scrollView);

    std::string typeName() const override { return "ParallaxHeaderView"; }

    std::shared_ptr<platform::ui::ImageView> backgroundImageView() const { return backgroundImageView_.lock(); }
    std::shared_ptr<platform::ui::VisualEffectView> blurView() const { return blurView_.lock(); }

protected:
    explicit ParallaxHeaderView(platform::ui::Rect frame) : View(frame) {}

private:
    double titleTextViewHeight() const;
    platform::ui::LayoutConstraint* heightConstraint(platform::ui::ScrollView& scrollView);

    std::weak_ptr<platform::ui::ImageView> backgroundImageView_;
    std::weak_ptr<platform::ui::VisualEffectView> blurView_;
    ConstraintOutlet welcomeTextTopConstraint_;
    ConstraintOutlet welcomeTextBottomConstraint_;
    ConstraintOutlet welcomeTextHeightConstraint_;
    /// The scroll view's height constraint, by its place among that view's constraints.
    std::weak_ptr<platform::ui::View> heightHolder_;
    std::optional<std::size_t> heightIndex_;
};

} // namespace vellicor
