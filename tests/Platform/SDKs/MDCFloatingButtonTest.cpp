#include "Platform/SDKs/FloatingButton/MDCFloatingButton.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

using platform::materialcomponents::MDCFloatingButton;

namespace {

TEST(MDCFloatingButtonTest, CollapseShrinksThenCompletes) {
    for (const bool animated : {true, false}) {
        SCOPED_TRACE(animated ? "animated" : "at once");
        auto button = MDCFloatingButton::floatingButtonWithShape();
        bool done = false;
        button->collapse(animated, [&] { done = true; });
        EXPECT_TRUE(button->isCollapsed());
        EXPECT_EQ(button->transform, platform::ui::AffineTransform::scale(0, 0));
        EXPECT_FALSE(done);
        testsupport::pump();
        testsupport::advance(MDCFloatingButton::kCollapseDuration);
        testsupport::pump();
        EXPECT_TRUE(done);
        button->expand(false);
        EXPECT_FALSE(button->isCollapsed());
        EXPECT_EQ(button->transform, platform::ui::AffineTransform::identity());
    }
}

} // namespace
