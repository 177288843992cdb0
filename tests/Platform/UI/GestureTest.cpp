#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/View.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

std::string stateName(GestureRecognizer::State state) {
    switch (state) {
    case GestureRecognizer::State::possible: return "possible";
    case GestureRecognizer::State::began: return "began";
    case GestureRecognizer::State::changed: return "changed";
    case GestureRecognizer::State::ended: return "ended";
    case GestureRecognizer::State::cancelled: return "cancelled";
    case GestureRecognizer::State::failed: return "failed";
    }
    return "?";
}

/// Records each action call as "<state>" or, for pans, "<state> t=x,y v=x,y".
struct Recorder {
    std::vector<std::string> calls;
    GestureRecognizer::Action action() {
        return [this](GestureRecognizer& g) {
            std::string entry = stateName(g.state());
            if (auto* pan = dynamic_cast<PanGestureRecognizer*>(&g)) {
                const auto t = pan->translation(g.view().get());
                const auto v = pan->velocity(g.view().get());
                entry += " t=" + std::to_string(static_cast<int>(t.x)) + "," + std::to_string(static_cast<int>(t.y)) +
                         " v=" + std::to_string(static_cast<int>(v.x)) + "," + std::to_string(static_cast<int>(v.y));
            }
            calls.push_back(entry);
        };
    }
};

} // namespace

TEST(GestureTest, EachKindWalksThroughItsStates) {
    Recorder tapLog, pressLog, panLog;
    auto view = View::create(Rect{{0, 0}, {100, 100}});
    auto tap = TapGestureRecognizer::create(tapLog.action());
    auto press = LongPressGestureRecognizer::create(pressLog.action());
    auto pan = PanGestureRecognizer::create(panLog.action());
    view->addGestureRecognizer(tap);
    view->addGestureRecognizer(press);
    view->addGestureRecognizer(pan);

    EXPECT_TRUE(tap->simulateTap());
    EXPECT_TRUE(press->simulateLongPress());
    EXPECT_TRUE(pan->simulatePan({{0, 10}, {5, 30}}, {0, 800}));

    EXPECT_EQ(tapLog.calls, (std::vector<std::string>{"ended"}));
    EXPECT_EQ(GestureRecognizer::recognized, GestureRecognizer::State::ended);
    EXPECT_EQ(pressLog.calls, (std::vector<std::string>{"began", "ended"}));
    EXPECT_EQ(panLog.calls, (std::vector<std::string>{"began t=0,0 v=0,0", "changed t=0,10 v=0,800",
                                                      "changed t=5,30 v=0,800", "ended t=5,30 v=0,800"}));
    EXPECT_EQ(pan->state(), GestureRecognizer::State::ended);
}

TEST(GestureTest, SetTranslationRestartsTheMeasureFromThere) {
    // Handlers that apply each step and reset the translation see the deltas.
    auto view = View::create();
    std::vector<Point> deltas;
    auto pan = PanGestureRecognizer::create([&](GestureRecognizer& g) {
        auto& p = static_cast<PanGestureRecognizer&>(g);
        if (g.state() != GestureRecognizer::State::changed) return;
        deltas.push_back(p.translation(nullptr));
        p.setTranslation({}, nullptr);
    });
    view->addGestureRecognizer(pan);
    pan->simulatePan({{0, 10}, {0, 25}, {4, 20}});
    EXPECT_EQ(deltas, (std::vector<Point>{{0, 10}, {0, 15}, {4, -5}}));
}

TEST(GestureTest, IgnoredWhenDisabledDetachedOrUntouchable) {
    struct Case {
        const char* name;
        std::function<void(View& view, View& parent, TapGestureRecognizer&)> setUp;
        bool fires;
    };
    const Case cases[] = {
        {"attached and shown", [](View&, View&, TapGestureRecognizer&) {}, true},
        {"disabled recognizer", [](View&, View&, TapGestureRecognizer& g) { g.isEnabled = false; }, false},
        {"hidden view", [](View& v, View&, TapGestureRecognizer&) { v.isHidden = true; }, false},
        {"hidden parent", [](View&, View& p, TapGestureRecognizer&) { p.isHidden = true; }, false},
        {"transparent view", [](View& v, View&, TapGestureRecognizer&) { v.alpha = 0; }, false},
        {"interaction off", [](View& v, View&, TapGestureRecognizer&) { v.isUserInteractionEnabled = false; }, false},
        {"removed from view",
         [](View& v, View&, TapGestureRecognizer& g) {
             v.removeGestureRecognizer(std::static_pointer_cast<GestureRecognizer>(g.shared_from_this()));
         },
         false},
        {"shouldReceiveTouch refuses",
         [](View&, View&, TapGestureRecognizer& g) { g.shouldReceiveTouch = [](auto&, auto&) { return false; }; }, false},
        {"shouldBegin refuses", [](View&, View&, TapGestureRecognizer& g) { g.shouldBegin = [](auto&) { return false; }; },
         false},
    };
    for (const auto& c : cases) {
        auto parent = View::create();
        auto view = View::create();
        parent->addSubview(view);
        int fired = 0;
        auto tap = TapGestureRecognizer::create([&](GestureRecognizer&) { ++fired; });
        view->addGestureRecognizer(tap);
        c.setUp(*view, *parent, *tap);
        EXPECT_EQ(tap->simulateTap(), c.fires) << c.name;
        EXPECT_EQ(view->simulateTap(), c.fires) << c.name << " (through the view)";
        EXPECT_EQ(fired, c.fires ? 2 : 0) << c.name;
    }
}

TEST(GestureTest, ViewTapFiresItsEnabledTapRecognizersOnly) {
    auto view = View::create();
    std::vector<std::string> fired;
    auto first = TapGestureRecognizer::create([&](GestureRecognizer&) { fired.push_back("first"); });
    auto off = TapGestureRecognizer::create([&](GestureRecognizer&) { fired.push_back("off"); });
    auto press = LongPressGestureRecognizer::create([&](GestureRecognizer&) { fired.push_back("press"); });
    first->addAction([&](GestureRecognizer&) { fired.push_back("first again"); });
    off->isEnabled = false;
    view->addGestureRecognizer(first);
    view->addGestureRecognizer(off);
    view->addGestureRecognizer(press);
    EXPECT_TRUE(view->acceptsTaps());
    EXPECT_TRUE(view->simulateTap());
    EXPECT_EQ(fired, (std::vector<std::string>{"first", "first again"}));

    fired.clear();
    EXPECT_TRUE(view->simulateLongPress());
    EXPECT_EQ(fired, (std::vector<std::string>{"press", "press"}));

    EXPECT_FALSE(View::create()->simulateTap()) << "a view without recognizers takes no taps";
}

TEST(GestureTest, RecognizerMovesToTheViewItIsAddedToAndReportsLocations) {
    auto root = View::create(Rect{{0, 0}, {400, 800}});
    auto a = View::create(Rect{{10, 20}, {100, 100}});
    auto b = View::create(Rect{{50, 60}, {100, 100}});
    root->addSubview(a);
    a->addSubview(b);
    auto tap = TapGestureRecognizer::create();
    a->addGestureRecognizer(tap);
    b->addGestureRecognizer(tap);
    EXPECT_TRUE(a->gestureRecognizers().empty());
    EXPECT_EQ(tap->view(), b);

    tap->simulateTap({5, 5});
    EXPECT_EQ(tap->location(b.get()), (Point{5, 5}));
    EXPECT_EQ(tap->location(a.get()), (Point{55, 65}));
    EXPECT_EQ(tap->location(nullptr), (Point{65, 85}));
}

TEST(GestureTest, DisablingDuringAGestureCancelsIt) {
    auto view = View::create();
    Recorder log;
    auto pan = PanGestureRecognizer::create(log.action());
    pan->addAction([](GestureRecognizer& g) {
        if (g.state() == GestureRecognizer::State::changed) g.isEnabled = false;
    });
    view->addGestureRecognizer(pan);
    pan->simulatePan({{0, 1}, {0, 2}});
    ASSERT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(log.calls.back().substr(0, 9), "cancelled");
}
