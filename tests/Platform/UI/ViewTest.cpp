#include "Platform/UI/TextField.hpp"
#include "Platform/UI/View.hpp"
#include "Platform/UI/ViewController.hpp"
#include "Platform/UI/Window.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform::ui;

namespace {

std::vector<int> tagsOf(const View& view) {
    std::vector<int> tags;
    for (const auto& sub : view.subviews()) tags.push_back(sub->tag);
    return tags;
}

std::shared_ptr<View> tagged(int tag) {
    auto view = View::create();
    view->tag = tag;
    return view;
}

/// Records its moves between superviews and windows.
class MoveRecorder : public View {
public:
    std::vector<std::string>* log = nullptr;

protected:
    MoveRecorder() : View(Rect{}) {}
    void didMoveToSuperview() override { log->push_back(superview() ? "superview" : "no superview"); }
    void didMoveToWindow() override { log->push_back(window() ? "window" : "no window"); }
};

} // namespace

TEST(ViewTest, AddingAViewToAnotherParentTakesItFromTheOldOne) {
    auto oldParent = View::create();
    auto newParent = View::create();
    auto child = tagged(1);
    oldParent->addSubview(child);
    newParent->addSubview(tagged(2));
    newParent->insertSubview(child, 0);
    EXPECT_TRUE(oldParent->subviews().empty());
    EXPECT_EQ(child->superview(), newParent);
    EXPECT_EQ(tagsOf(*newParent), (std::vector<int>{1, 2}));

    child->removeFromSuperview();
    EXPECT_EQ(child->superview(), nullptr);
    EXPECT_EQ(tagsOf(*newParent), (std::vector<int>{2}));
    child->removeFromSuperview(); // twice is harmless
}

TEST(ViewTest, OrderingWithinOneParent) {
    struct Case {
        const char* name;
        std::function<void(View& parent, const std::vector<std::shared_ptr<View>>& kids)> act;
        std::vector<int> order;
    };
    const Case cases[] = {
        {"added in order", [](View&, const auto&) {}, {1, 2, 3}},
        {"re-adding moves to the front", [](View& p, const auto& k) { p.addSubview(k[0]); }, {2, 3, 1}},
        {"bring to front", [](View& p, const auto& k) { p.bringSubviewToFront(k[1]); }, {1, 3, 2}},
        {"send to back", [](View& p, const auto& k) { p.sendSubviewToBack(k[2]); }, {3, 1, 2}},
        {"insert later in the same parent", [](View& p, const auto& k) { p.insertSubview(k[0], 2); }, {2, 1, 3}},
        {"insert past the end", [](View& p, const auto&) { p.insertSubview(tagged(4), 99); }, {1, 2, 3, 4}},
        {"bring a stranger to front does nothing", [](View& p, const auto&) { p.bringSubviewToFront(tagged(5)); },
         {1, 2, 3}},
    };
    for (const auto& c : cases) {
        auto parent = View::create();
        std::vector<std::shared_ptr<View>> kids{tagged(1), tagged(2), tagged(3)};
        for (const auto& k : kids) parent->addSubview(k);
        c.act(*parent, kids);
        EXPECT_EQ(tagsOf(*parent), c.order) << c.name;
    }
}

TEST(ViewTest, AddingAViewToItselfOrItsDescendantIsFatal) {
    auto parent = View::create();
    auto child = View::create();
    parent->addSubview(child);
    EXPECT_DEATH(parent->addSubview(parent), "Can't add self as subview");
    EXPECT_DEATH(child->addSubview(parent), "Can't add self as subview");
}

TEST(ViewTest, ViewWithTagSearchesDepthFirst) {
    //   root(0)
    //   ├─ a(1)
    //   │  └─ a1(7)   <- found before b, though deeper
    //   └─ b(7)
    auto root = tagged(0);
    auto a = tagged(1);
    auto a1 = tagged(7);
    auto b = tagged(7);
    root->addSubview(a);
    a->addSubview(a1);
    root->addSubview(b);
    EXPECT_EQ(root->viewWithTag(7), a1);
    EXPECT_EQ(root->viewWithTag(0), root) << "the view itself comes first";
    EXPECT_EQ(b->viewWithTag(1), nullptr);
    a1->accessibilityIdentifier = "x";
    b->accessibilityIdentifier = "x";
    EXPECT_EQ(root->viewWithAccessibilityIdentifier("x"), a1);
    EXPECT_EQ(root->viewWithAccessibilityIdentifier(""), nullptr) << "an empty identifier matches nothing";
    EXPECT_TRUE(a1->isDescendant(*root));
    EXPECT_TRUE(a1->isDescendant(*a1));
    EXPECT_FALSE(a1->isDescendant(*b));
}

TEST(ViewTest, VisibilityAndInteractionFollowAncestors) {
    auto root = View::create();
    auto child = View::create();
    root->addSubview(child);
    EXPECT_TRUE(child->isVisibleOnScreen());
    root->alpha = 0;
    EXPECT_FALSE(child->isVisibleOnScreen());
    root->alpha = 0.5;
    root->isUserInteractionEnabled = false;
    EXPECT_TRUE(child->isVisibleOnScreen());
    EXPECT_FALSE(child->isInteractable());
}

TEST(ViewTest, WindowIsFoundAtTheRootAndMovesAreReported) {
    std::vector<std::string> log;
    auto window = Window::create();
    auto container = View::create();
    auto leaf = makeView<MoveRecorder>();
    leaf->log = &log;
    container->addSubview(leaf);
    EXPECT_EQ(leaf->window(), nullptr);
    window->addSubview(container);
    EXPECT_EQ(leaf->window(), window);
    container->removeFromSuperview();
    leaf->removeFromSuperview();
    EXPECT_EQ(log, (std::vector<std::string>{"superview", "window", "no window", "no superview"}));
}

TEST(ViewTest, RemovingTheFocusedViewEndsEditing) {
    auto root = View::create();
    auto form = View::create();
    auto field = TextField::create();
    root->addSubview(form);
    form->addSubview(field);
    ASSERT_TRUE(field->becomeFirstResponder());
    form->removeFromSuperview();
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(View::currentFirstResponder(), nullptr);
}

TEST(ViewTest, ActivatedConstraintsGoToTheNearestCommonAncestor) {
    auto root = View::create();
    auto card = View::create();
    auto title = View::create();
    auto button = View::create();
    auto outsider = View::create();
    root->addSubview(card);
    card->addSubview(title);
    card->addSubview(button);

    LayoutConstraint::activate({
        title->anchor(LayoutAttribute::top).constraint(card->safeAreaAnchor(LayoutAttribute::top), 8),
        button->anchor(LayoutAttribute::top).constraint(title->anchor(LayoutAttribute::bottom), 12,
                                                        LayoutRelation::greaterThanOrEqual),
        button->anchor(LayoutAttribute::height).constraint(44),
        card->anchor(LayoutAttribute::leading).constraint(root->anchor(LayoutAttribute::leading)),
        title->anchor(LayoutAttribute::width).constraint(outsider->anchor(LayoutAttribute::width)),
    });
    ASSERT_EQ(card->constraints().size(), 2u);
    EXPECT_EQ(card->constraints()[1].constant, 12);
    EXPECT_EQ(card->constraints()[1].relation, LayoutRelation::greaterThanOrEqual);
    ASSERT_EQ(button->constraints().size(), 1u) << "a size constant stays on its own view";
    EXPECT_FALSE(button->constraints()[0].second.has_value());
    ASSERT_EQ(root->constraints().size(), 1u);
    EXPECT_EQ(title->constraints().size(), 1u) << "without a common ancestor: the first view";
    for (const auto* view : {card.get(), button.get(), root.get()}) {
        for (const auto& c : view->constraints()) EXPECT_TRUE(c.isActive);
    }

    card->removeConstraint(card->constraints()[0]);
    EXPECT_EQ(card->constraints().size(), 1u);
}

namespace {

class LayoutRecorder : public View {
public:
    std::vector<std::string>* log = nullptr;
    std::string name;
    void layoutSubviews() override { log->push_back(name + ".layoutSubviews"); }

protected:
    LayoutRecorder() : View(Rect{}) {}
};

class LayoutController : public ViewController {
public:
    std::vector<std::string>* log = nullptr;
    void viewWillLayoutSubviews() override { log->push_back("controller.willLayout"); }
    void viewDidLayoutSubviews() override { log->push_back("controller.didLayout"); }
};

} // namespace

TEST(ViewTest, LayoutRunsWhenNeededWithTheOwningControllerAroundIt) {
    std::vector<std::string> log;
    auto root = makeView<LayoutRecorder>();
    auto child = makeView<LayoutRecorder>();
    root->log = child->log = &log;
    root->name = "root";
    child->name = "child";
    auto controller = makeController<LayoutController>();
    controller->log = &log;
    controller->setView(root);
    root->setOwningViewController(controller);

    root->addSubview(child);
    root->layoutIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"controller.willLayout", "root.layoutSubviews", "controller.didLayout",
                                             "child.layoutSubviews"}));

    log.clear();
    root->layoutIfNeeded();
    EXPECT_TRUE(log.empty()) << "nothing pending";

    child->setNeedsLayout();
    root->layoutIfNeeded();
    EXPECT_EQ(log, (std::vector<std::string>{"child.layoutSubviews"}));
}

namespace {

TEST(ViewConstraintsTest, ARemovedViewLosesItsConstraintsToOutsideViews) {
    auto root = platform::ui::View::create();
    auto box = platform::ui::View::create();
    auto inner = platform::ui::View::create();
    auto sibling = platform::ui::View::create();
    root->addSubview(box);
    root->addSubview(sibling);
    box->addSubview(inner);
    using A = platform::ui::LayoutAttribute;
    platform::ui::LayoutConstraint::activate({
        box->anchor(A::leading).constraint(root->anchor(A::leading), 20),
        inner->anchor(A::top).constraint(sibling->anchor(A::bottom)),
        inner->anchor(A::top).constraint(box->anchor(A::top), 4),
        box->anchor(A::width).constraint(100),
        sibling->anchor(A::width).constraint(root->anchor(A::width)),
    });
    ASSERT_EQ(root->constraints().size(), 3u);
    box->removeFromSuperview();
    // Inside the subtree and on the view itself they stay; to the rest they go.
    EXPECT_EQ(root->constraints().size(), 1u);
    EXPECT_EQ(box->constraints().size(), 2u);
    EXPECT_NE(box->constraintWithIdentifier(""), nullptr);
}

TEST(ViewAnimationRecordsTest, SpringsKeepTheirParameters) {
    platform::ui::View::clearAnimationRecords();
    using namespace platform::ui;
    View::animate(0.4, 0.1, 0.6, 0.8, AnimationOptions::allowUserInteraction | AnimationOptions::curveLinear, [] {
        View::animate(0.2, [] {});
    });
    View::animate(0.3, [] {});
    const auto& records = View::animationRecords();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].duration, 0.4);
    EXPECT_EQ(records[0].delay, 0.1);
    EXPECT_EQ(records[0].springDamping, 0.6);
    EXPECT_EQ(records[0].initialSpringVelocity, 0.8);
    EXPECT_EQ(records[0].options, 0x30002u);
    EXPECT_EQ(records[1].springDamping, std::nullopt);
    EXPECT_EQ(AnimationOptions::curve(records[0].options), AnimationCurve::linear);
    EXPECT_EQ(records[2].options, AnimationOptions::curveEaseInOut);
    testsupport::pump();
    testsupport::advance(1);
    testsupport::pump();
    View::clearAnimationRecords();
}

} // namespace
