#pragma once

#include "Platform/Export.hpp"
#include "Platform/UI/Button.hpp"

#include <functional>
#include <memory>

namespace platform::materialcomponents {

/// A round floating button of the material components kit: a button whose
/// image floats over the content, which can collapse to nothing and expand
/// again. Main thread only.
class PLATFORM_EXPORT MDCFloatingButton : public platform::ui::Button {
public:
    enum class Shape { defaultShape, mini };
    /// The collapse and expand animations, in seconds.
    static constexpr double kCollapseDuration = 0.2;

    static std::shared_ptr<MDCFloatingButton> floatingButtonWithShape(Shape shape = Shape::defaultShape);

    Shape shape() const { return shape_; }
    /// Shrinks the button to nothing (scale 0), animated or at once, then
    /// calls the completion (after the animation; on the next turn of the
    /// main queue without one).
    void collapse(bool animated, std::function<void()> completion = {});
    /// Grows it back to its size.
    void expand(bool animated, std::function<void()> completion = {});
    bool isCollapsed() const { return collapsed_; }

    std::string typeName() const override { return "FloatingButton"; }
    /// "collapsed" while collapsed, then the button's parts.
    void describeState(std::vector<std::string>& parts) const override;

protected:
    explicit MDCFloatingButton(Shape shape);

private:
    void animateScale(double scale, bool animated, std::function<void()> completion);
    Shape shape_;
    bool collapsed_ = false;
};

} // namespace platform::materialcomponents
