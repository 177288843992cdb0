#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/ScrollView.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform::ui;

namespace {

class Heard : public ScrollViewDelegate {
public:
    std::vector<std::string> calls;
    void scrollViewWillBeginDragging(ScrollView&) override { calls.push_back("willBegin"); }
    void scrollViewDidScroll(ScrollView& view) override {
        calls.push_back("didScroll " + std::to_string(static_cast<int>(view.contentOffset().y)));
    }
    void scrollViewDidEndDragging(ScrollView&, bool) override { calls.push_back("didEnd"); }
};

TEST(ScrollViewPanTest, APanScrollsAndAncestorsJoinOnlyWhenAllowed) {
    struct Case {
        const char* name;
        bool allowed;
        int ancestorEvents;
    };
    for (const auto& c : {Case{"allowed", true, 4}, Case{"refused", false, 0}}) {
        SCOPED_TRACE(c.name);
        auto root = View::create(Rect{{0, 0}, {390, 844}});
        auto scroll = ScrollView::create(root->bounds());
        root->addSubview(scroll);
        scroll->setContentOffset(Point{0, 50});
        auto heard = std::make_shared<Heard>();
        scroll->setDelegate(heard);
        int events = 0;
        double lastTranslation = 0;
        auto pan = PanGestureRecognizer::create([&](GestureRecognizer& recognizer) {
            ++events;
            lastTranslation = static_cast<PanGestureRecognizer&>(recognizer).translation().y;
        });
        const bool allowed = c.allowed;
        pan->shouldRecognizeSimultaneously = [allowed](GestureRecognizer&, GestureRecognizer&) { return allowed; };
        root->addGestureRecognizer(pan);

        ASSERT_TRUE(scroll->simulatePan({20, 20}));
        EXPECT_EQ(heard->calls, (std::vector<std::string>{"willBegin", "didScroll 30", "didScroll 10", "didEnd"}));
        EXPECT_EQ(scroll->panGestureRecognizer()->translation().y, 40);
        // began, two steps, ended
        EXPECT_EQ(events, c.ancestorEvents);
        if (c.allowed) {
            EXPECT_EQ(lastTranslation, 40);
        }
    }
}

} // namespace
