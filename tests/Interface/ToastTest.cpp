#include "VellicorApp/Interface/Toast.hpp"
#include "tests/Interface/InterfaceTestSupport.hpp"

#include <gtest/gtest.h>

using namespace platform::ui;
using vellicor::Fault;
using vellicor::FaultAction;
using vellicor::Toast;

namespace {

class TestFault : public Fault {
public:
    TestFault(std::optional<std::string> text, bool ignorable, std::optional<FaultAction> action = std::nullopt)
        : text_(std::move(text)), ignorable_(ignorable), action_(std::move(action)) {}
    std::optional<std::string> description() const override { return text_; }
    bool canIgnore() const override { return ignorable_; }
    std::optional<FaultAction> action() const override { return action_; }

private:
    std::optional<std::string> text_;
    bool ignorable_;
    std::optional<FaultAction> action_;
};

/// The toasts on a view, in subview order.
std::vector<std::shared_ptr<Toast>> toastsOn(const View& view) {
    std::vector<std::shared_ptr<Toast>> toasts;
    for (const auto& subview : view.subviews()) {
        if (auto toast = std::dynamic_pointer_cast<Toast>(subview)) toasts.push_back(toast);
    }
    return toasts;
}

class ToastTest : public interfacetest::InterfaceTest {};

TEST_F(ToastTest, FaultsLayTheToastOut) {
    struct Case {
        const char* name;
        bool canIgnore;
        bool hasAction;
        double dismissWidth;
        double actionHeight;
        double actionTopSpace;
    };
    const Case cases[] = {
        {"ignorable without action", true, false, 36, 0, 0},
        {"ignorable with action", true, true, 36, 44, 15},
        {"kept up without action", false, false, 0, 0, 0},
        {"kept up with action", false, true, 0, 44, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto toast = Toast::loadFromNib();
        int taps = 0;
        std::optional<FaultAction> action;
        if (c.hasAction) action = FaultAction{"Go back", [&taps] { ++taps; }};
        toast->configureToast(TestFault{"Something failed", c.canIgnore, action});

        EXPECT_TRUE(toast->iconImage()->isHidden);
        EXPECT_EQ(toast->iconImageWidth().constant(), 0);
        EXPECT_EQ(toast->iconImageLeadingSpace().constant(), 0);
        EXPECT_EQ(toast->dismissButton()->isHidden, !c.canIgnore);
        EXPECT_EQ(toast->dismissButtonWidth().constant(), c.dismissWidth);
        EXPECT_EQ(toast->actionButton()->isHidden, !c.hasAction);
        EXPECT_EQ(toast->actionButtonHeight().constant(), c.actionHeight);
        EXPECT_EQ(toast->actionButtonTopSpace().constant(), c.actionTopSpace);
        EXPECT_EQ(toast->descriptionLabel()->text, "Something failed");
        EXPECT_EQ(toast->actionButton()->title(ControlState::normal).value_or(""), c.hasAction ? "Go back" : "");

        toast->present(screen, false);
        if (c.hasAction) {
            EXPECT_TRUE(toast->actionButton()->simulateTap());
            EXPECT_EQ(taps, 1);
        }
        // The action leaves the toast up; only the dismiss button takes it away.
        EXPECT_EQ(toast->superview(), screen->view());
        if (c.canIgnore) {
            EXPECT_TRUE(toast->dismissButton()->simulateTap());
            EXPECT_EQ(toast->superview(), nullptr);
        }
        toast->removeFromSuperview();
    }
}

TEST_F(ToastTest, AFaultWithoutTextOrActionKeepsWhatTheToastHad) {
    auto toast = Toast::loadFromNib();
    toast->setAction(vellicor::ToastAction{"Retry", {}});
    toast->configureToast(TestFault{std::nullopt, true});
    EXPECT_EQ(toast->descriptionLabel()->text, "");
    ASSERT_TRUE(toast->action().has_value());
    EXPECT_EQ(toast->action()->title, "Retry");
    toast->setDescriptionText(std::string{});
    EXPECT_EQ(toast->descriptionLabel()->text, "");
}

TEST_F(ToastTest, AMessageOfSuccessHasNoWarningSignAndLeavesOnItsOwn) {
    auto toast = Toast::loadFromNib();
    toast->setAction(vellicor::ToastAction{"Retry", {}});
    toast->configureMessage("The community has loaded.");
    EXPECT_TRUE(toast->iconImage()->isHidden);
    EXPECT_EQ(toast->iconImageWidth().constant(), 0);
    EXPECT_EQ(toast->iconImageLeadingSpace().constant(), 0);
    EXPECT_FALSE(toast->dismissButton()->isHidden);
    EXPECT_TRUE(toast->actionButton()->isHidden);
    EXPECT_FALSE(toast->action().has_value());
    EXPECT_EQ(toast->descriptionLabel()->text, "The community has loaded.");
    EXPECT_EQ(toast->displayDuration(), Toast::kMessageDuration);
    EXPECT_GE(Toast::kMessageDuration, 2);
    EXPECT_LE(Toast::kMessageDuration, 5);

    // Each step: let time pass, then maybe present again or dismiss; where the toast is then.
    enum class Then { nothing, present, dismiss };
    struct Step {
        const char* name;
        double after;
        Then then;
        bool shown;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const double d = Toast::kMessageDuration;
    const Case cases[] = {
        {"stays its time, then leaves",
         {{"just before", d - 0.1, Then::nothing, true}, {"due", 0.1, Then::nothing, false}}},
        {"presented again: counts again",
         {{"halfway", d / 2, Then::present, true},
          {"past the first due time", d / 2 + 0.1, Then::nothing, true},
          {"due from the second", d / 2 - 0.1, Then::nothing, false}}},
        {"dismissed and shown again: the first count is gone",
         {{"dismissed", 1, Then::dismiss, false},
          {"shown again", 1, Then::present, true},
          {"past the first due time", d - 1, Then::nothing, true},
          {"due from the second", 1, Then::nothing, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        toast->present(screen, true);
        for (const auto& step : c.steps) {
            SCOPED_TRACE(step.name);
            run(step.after);
            if (step.then == Then::present) toast->present(screen, true);
            if (step.then == Then::dismiss) toast->dismiss();
            testsupport::pump();
            EXPECT_EQ(toast->superview() == screen->view(), step.shown);
        }
        toast->dismiss();
    }
}

TEST_F(ToastTest, AFaultStaysUntilTheUserDismissesIt) {
    auto toast = Toast::loadFromNib();
    toast->configureToast(TestFault{"Something failed", true});
    EXPECT_FALSE(toast->displayDuration().has_value());
    toast->present(screen, true);
    run(600);
    EXPECT_EQ(toast->superview(), screen->view());
}

TEST_F(ToastTest, PaddingFollowsTheHorizontalSizeClass) {
    struct Case {
        UserInterfaceSizeClass sizeClass;
        double padding;
    };
    for (const auto& c : {Case{UserInterfaceSizeClass::compact, 20}, Case{UserInterfaceSizeClass::regular, 150},
                          Case{UserInterfaceSizeClass::unspecified, 20}}) {
        SCOPED_TRACE(c.padding);
        screen->setTraitCollection(TraitCollection{c.sizeClass, UserInterfaceSizeClass::regular});
        auto toast = Toast::loadFromNib();
        toast->present(screen, false);
        EXPECT_EQ(toast->leadingConstraint().constant(), c.padding);
        EXPECT_EQ(toast->trailingConstraint().constant(), -c.padding);
        EXPECT_EQ(toast->widthConstraint().constant(), screen->view()->frame.width() - 2 * c.padding);
        EXPECT_EQ(toast->bottomConstraint().constant(), -20);
        EXPECT_TRUE(toast->bottomConstraint().get()->second->safeArea);
        toast->removeFromSuperview();
    }
}

TEST_F(ToastTest, ARotationMovesTheInsetsButKeepsTheFirstWidth) {
    auto toast = Toast::loadFromNib();
    toast->present(screen, false);
    navigation->setTraitCollection(TraitCollection{UserInterfaceSizeClass::regular, UserInterfaceSizeClass::compact});
    EXPECT_EQ(toast->leadingConstraint().constant(), 150);
    EXPECT_EQ(toast->trailingConstraint().constant(), -150);
    EXPECT_EQ(toast->widthConstraint().constant(), 350);
}

TEST_F(ToastTest, AnAnimatedEntryRisesFromBelowWithASpring) {
    auto toast = Toast::loadFromNib();
    toast->present(screen, true);
    ASSERT_EQ(View::animationRecords().size(), 1u);
    const auto& rise = View::animationRecords().front();
    EXPECT_EQ(rise.duration, 0.7);
    EXPECT_EQ(rise.delay, 0);
    EXPECT_EQ(rise.springDamping, 0.5);
    EXPECT_EQ(rise.initialSpringVelocity, 0.7);
    EXPECT_EQ(rise.options, AnimationOptions::curveLinear);
    EXPECT_EQ(toast->bottomConstraint().constant(), -20);
}

TEST_F(ToastTest, ReplacingTheLastToastOfTheView) {
    for (const bool animated : {false, true}) {
        SCOPED_TRACE(animated ? "animated" : "at once");
        auto first = Toast::loadFromNib();
        auto older = Toast::loadFromNib();
        first->present(screen, false);
        // A second toast further back in the view (as a screen may keep one).
        screen->view()->insertSubview(older, 0);
        View::clearAnimationRecords();

        auto next = Toast::loadFromNib();
        next->present(screen, animated);
        if (animated) {
            ASSERT_EQ(View::animationRecords().size(), 1u);
            EXPECT_EQ(View::animationRecords().front().duration, 0.4);
            // The old toast slides out to the right; the new one sits at the padding.
            EXPECT_EQ(first->leadingConstraint().constant(), 390);
            EXPECT_EQ(next->leadingConstraint().constant(), 20);
            EXPECT_EQ(next->trailingConstraint().constant(), -20);
            EXPECT_EQ(first->superview(), screen->view());
            run(0.4);
        }
        // Only the last toast of the view is replaced.
        EXPECT_EQ(toastsOn(*screen->view()), (std::vector<std::shared_ptr<Toast>>{older, next}));
        EXPECT_EQ(interfacetest::constraintsTo(*screen->view(), *first), 0u);
        older->removeFromSuperview();
        next->removeFromSuperview();
    }
}

TEST_F(ToastTest, PresentingTheShownToastAgainUpdatesItInPlace) {
    for (const bool animated : {false, true}) {
        SCOPED_TRACE(animated ? "animated" : "at once");
        auto toast = Toast::loadFromNib();
        toast->present(screen, false);
        View::clearAnimationRecords();
        toast->present(screen, animated);
        run(1);
        EXPECT_EQ(toastsOn(*screen->view()), std::vector<std::shared_ptr<Toast>>{toast});
        EXPECT_EQ(interfacetest::constraintsTo(*screen->view(), *toast), 3u);
        EXPECT_EQ(View::animationRecords().size(), animated ? 1u : 0u);
        EXPECT_EQ(toast->bottomConstraint().constant(), -20);
        toast->removeFromSuperview();
    }
}

TEST(ToastNibTest, TheNibMustMakeAToast) {
    Nib::registerNib(Toast::kNibName, [] { return View::create(); });
    EXPECT_DEATH(Toast::loadFromNib(), "Failed to find Toast xib");
    Storyboard::resetRegistry();
}

} // namespace
