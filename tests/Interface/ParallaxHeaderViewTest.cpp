#include "VellicorApp/Interface/ParallaxHeaderView.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace platform::ui;
using vellicor::ParallaxHeaderView;

namespace {

class ParallaxHeaderViewTest : public interfacetest::InterfaceTest {
protected:
    /// A form: a container with a scroll view whose height is a share of the safe area.
    void makeForm(double containerHeight, EdgeInsets insets, double multiplier) {
        container = View::create(Rect{{0, 0}, {390, containerHeight}});
        container->safeAreaInsets = insets;
        scroll = ScrollView::create(container->bounds());
        container->addSubview(scroll);
        auto height = scroll->anchor(LayoutAttribute::height).constraint(0);
        height.multiplier = multiplier;
        LayoutConstraint::activate({height});
        header = ParallaxHeaderView::fromInterfaceFile(Rect{{0, 0}, {390, 300}});
    }
    /// A finger's drag (its last step sets the pan's translation), then the offset.
    void scrollTo(double offset, double fingerStep) {
        scroll->simulatePan({fingerStep});
        scroll->setContentOffset(Point{0, offset});
    }
    double heightConstant() const { return scroll->constraints().front().constant; }

    std::shared_ptr<View> container;
    std::shared_ptr<ScrollView> scroll;
    std::shared_ptr<ParallaxHeaderView> header;
};

TEST_F(ParallaxHeaderViewTest, CollapsesToTheWelcomeTextAndNeverGrowsPastFull) {
    // Safe height 763, half of it is the full header: 381.5; the welcome text takes 96.
    makeForm(844, EdgeInsets{47, 0, 34, 0}, 0.5);
    const double range = 381.5 - 96;
    struct Step {
        const char* name;
        double offset;
        double finger;
        double constant;
        double scale;
    };
    const Step steps[] = {
        {"scroll up a little", 100, -10, -100, 1 + 100.0 / 844},
        {"scroll up past the range", 300, -10, -range, 1 + 300.0 / 844},
        {"pull down", -50, 20, -range + 50, 1 + 50.0 / 844},
        {"pull down past full", -300, 20, 0, 1 + 300.0 / 844},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        const double alphaBefore = std::abs(heightConstant() / range);
        scrollTo(s.offset, s.finger);
        EXPECT_DOUBLE_EQ(header->transform(*scroll), range);
        EXPECT_DOUBLE_EQ(heightConstant(), s.constant);
        EXPECT_DOUBLE_EQ(header->backgroundImageView()->transform.a, s.scale);
        EXPECT_EQ(header->blurView()->transform, header->backgroundImageView()->transform);
        EXPECT_DOUBLE_EQ(header->blurView()->alpha, alphaBefore);
    }
}

TEST_F(ParallaxHeaderViewTest, GuardsLeaveEverythingAsItWas) {
    makeForm(844, EdgeInsets{}, 0.5);
    auto loose = ScrollView::create();
    EXPECT_EQ(header->transform(*loose), 0);
    scroll->removeAllConstraints();
    EXPECT_EQ(header->transform(*scroll), 0);
    EXPECT_EQ(header->backgroundImageView()->transform, AffineTransform::identity());
}

TEST_F(ParallaxHeaderViewTest, DegenerateSizesGiveFiniteValues) {
    struct Case {
        const char* name;
        double containerHeight;
    };
    // A container of no height; a full height equal to the welcome text (no range).
    for (const auto& c : {Case{"no height", 0}, Case{"no range", 96}}) {
        SCOPED_TRACE(c.name);
        makeForm(c.containerHeight, EdgeInsets{}, 1);
        scrollTo(0, -1);
        header->transform(*scroll);
        EXPECT_TRUE(std::isfinite(header->backgroundImageView()->transform.a));
        EXPECT_GE(header->backgroundImageView()->transform.a, 1);
        EXPECT_TRUE(std::isfinite(header->blurView()->alpha));
        EXPECT_TRUE(std::isfinite(heightConstant()));
    }
}

TEST(ParallaxHeaderNibTest, TheNibMustHoldAView) {
    platform::ui::Storyboard::resetRegistry();
    EXPECT_DEATH(ParallaxHeaderView::fromInterfaceFile(Rect{}), "Failed to find ParallaxHeaderView xib");
}

} // namespace
