#include "Platform/UI/Controls.hpp"
#include "Platform/UI/Window.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

/// Records the events a control sends, by name.
struct EventLog {
    std::vector<std::string> events;
    void watch(Control& control) {
        const std::pair<ControlEvent, const char*> names[] = {
            {ControlEvent::touchDown, "touchDown"},
            {ControlEvent::touchUpInside, "touchUpInside"},
            {ControlEvent::valueChanged, "valueChanged"},
            {ControlEvent::editingDidBegin, "editingDidBegin"},
            {ControlEvent::editingChanged, "editingChanged"},
            {ControlEvent::editingDidEnd, "editingDidEnd"},
            {ControlEvent::editingDidEndOnExit, "editingDidEndOnExit"},
            {ControlEvent::primaryActionTriggered, "primaryActionTriggered"},
        };
        for (const auto& [event, name] : names) {
            control.addAction(event, [this, name = std::string(name)] { events.push_back(name); });
        }
    }
};

} // namespace

TEST(ControlTest, TapsReachOnlyEnabledControlsThatCanBeTouched) {
    struct Case {
        const char* name;
        std::function<void(Button&, View& container)> setUp;
        bool fires;
    };
    const Case cases[] = {
        {"plain button", [](Button&, View&) {}, true},
        {"disabled", [](Button& b, View&) { b.isEnabled = false; }, false},
        {"hidden", [](Button& b, View&) { b.isHidden = true; }, false},
        {"transparent", [](Button& b, View&) { b.alpha = 0; }, false},
        {"interaction off", [](Button& b, View&) { b.isUserInteractionEnabled = false; }, false},
        {"container hidden", [](Button&, View& c) { c.isHidden = true; }, false},
        {"container interaction off", [](Button&, View& c) { c.isUserInteractionEnabled = false; }, false},
        {"selected still fires", [](Button& b, View&) { b.isSelected = true; }, true},
    };
    for (const auto& c : cases) {
        auto container = View::create();
        auto button = Button::create();
        container->addSubview(button);
        EventLog log;
        log.watch(*button);
        c.setUp(*button, *container);
        EXPECT_EQ(button->simulateTap(), c.fires) << c.name;
        EXPECT_EQ(button->acceptsTaps(), c.fires) << c.name;
        const std::vector<std::string> expected =
            c.fires ? std::vector<std::string>{"touchDown", "touchUpInside", "primaryActionTriggered"}
                    : std::vector<std::string>{};
        EXPECT_EQ(log.events, expected) << c.name;
    }
}

TEST(ControlTest, ActionsRunInOrderAndCanBeRemovedPerEvent) {
    auto button = Button::create();
    std::vector<int> order;
    button->addAction(ControlEvent::touchUpInside, [&] { order.push_back(1); });
    button->addAction(ControlEvent::valueChanged, [&] { order.push_back(9); });
    button->addAction(ControlEvent::touchUpInside, [&] {
        order.push_back(2);
        // An action that removes its control from the tree must not break the others.
        button->removeFromSuperview();
    });
    button->sendActions(ControlEvent::touchUpInside);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    button->removeActions(ControlEvent::touchUpInside);
    EXPECT_FALSE(button->hasActions(ControlEvent::touchUpInside));
    EXPECT_TRUE(button->hasActions(ControlEvent::valueChanged));
}

TEST(ButtonTest, TitleImageAndColourFollowTheStateFallingBackToNormal) {
    auto button = Button::create(Button::ButtonType::custom);
    button->setTitle("Sign in");
    button->setTitle("Signing in", ControlState::disabled);
    button->setTitleColor(Color::white());
    button->setImage(Image::systemNamed("lock"), ControlState::selected);

    struct Case {
        const char* name;
        bool enabled, selected, highlighted;
        std::string title;
        std::string image;
    };
    const Case cases[] = {
        {"normal", true, false, false, "Sign in", ""},
        {"disabled", false, false, false, "Signing in", ""},
        {"selected", true, true, false, "Sign in", "system:lock"},
        {"highlighted", true, false, true, "Sign in", ""},
        {"disabled wins over selected", false, true, false, "Signing in", ""},
    };
    for (const auto& c : cases) {
        button->isEnabled = c.enabled;
        button->isSelected = c.selected;
        button->isHighlighted = c.highlighted;
        EXPECT_EQ(button->currentTitle(), c.title) << c.name;
        EXPECT_EQ(button->displayedText(), c.title) << c.name;
        EXPECT_EQ(button->titleLabel()->text, c.title) << c.name;
        EXPECT_EQ(button->currentTitleColor(), Color::white()) << c.name;
        EXPECT_EQ(button->currentImage() ? button->currentImage()->description() : "", c.image) << c.name;
    }

    button->setTitle(std::nullopt, ControlState::disabled);
    button->isEnabled = false;
    button->isSelected = false;
    EXPECT_EQ(button->currentTitle(), "Sign in");
    button->titleLabel()->font = Font::boldSystemFont(20);
    std::vector<std::string> parts;
    button->describeState(parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"font=System-Bold-20", "disabled"}));
}

TEST(SwitchTest, TapTogglesAndSendsValueChangedButCodeDoesNot) {
    auto toggle = Switch::create();
    EventLog log;
    log.watch(*toggle);
    toggle->setOn(true, true);
    EXPECT_TRUE(toggle->isOn());
    EXPECT_TRUE(log.events.empty());

    EXPECT_TRUE(toggle->simulateTap());
    EXPECT_FALSE(toggle->isOn());
    EXPECT_TRUE(toggle->simulateTap());
    EXPECT_TRUE(toggle->isOn());
    EXPECT_EQ(log.events, (std::vector<std::string>{"valueChanged", "valueChanged"}));

    toggle->isEnabled = false;
    EXPECT_FALSE(toggle->simulateTap());
    EXPECT_TRUE(toggle->isOn());
    std::vector<std::string> parts;
    toggle->describeState(parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"on", "disabled"}));
}

class TextFieldTest : public ::testing::Test {
protected:
    std::shared_ptr<TextField> field = TextField::create();
    EventLog log;
    void SetUp() override { log.watch(*field); }
    void TearDown() override { field->endEditing(true); }
};

TEST_F(TextFieldTest, TypingOffersEachCharacterAndSendsEditingChanged) {
    std::vector<std::pair<platform::TextRange, std::string>> offered;
    field->text = "a";
    field->shouldChangeCharacters = [&](TextField& f, platform::TextRange range, const std::string& replacement) {
        offered.emplace_back(range, replacement);
        EXPECT_EQ(&f, field.get());
        return true;
    };
    EXPECT_TRUE(field->simulateTyping("bé"));
    EXPECT_EQ(field->text, "abé");
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_EQ(offered, (std::vector<std::pair<platform::TextRange, std::string>>{{{1, 0}, "b"}, {{2, 0}, "é"}}));
    EXPECT_EQ(log.events, (std::vector<std::string>{"editingDidBegin", "editingChanged", "editingChanged"}));

    log.events.clear();
    EXPECT_TRUE(field->simulateDeleteBackward());
    EXPECT_EQ(field->text, "ab") << "a whole character (two bytes) goes";
    EXPECT_EQ(offered.back(), (std::pair<platform::TextRange, std::string>{{2, 2}, ""}));
    EXPECT_EQ(log.events, (std::vector<std::string>{"editingChanged"}));
}

TEST_F(TextFieldTest, DelegateVetoesCharactersAndEditing) {
    // Digits only, at most three.
    field->shouldChangeCharacters = [](TextField& f, platform::TextRange, const std::string& replacement) {
        return f.text.size() < 3 && replacement.find_first_not_of("0123456789") == std::string::npos;
    };
    EXPECT_TRUE(field->simulateTyping("1a2b34"));
    EXPECT_EQ(field->text, "123");
    EXPECT_EQ(std::count(log.events.begin(), log.events.end(), "editingChanged"), 3);

    field->resignFirstResponder();
    field->shouldBeginEditing = [](TextField&) { return false; };
    EXPECT_FALSE(field->simulateTyping("4"));
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(field->text, "123");
}

TEST_F(TextFieldTest, ReturnAndEndEditingFollowTheHooks) {
    std::vector<std::string> hooks;
    field->didBeginEditing = [&](TextField&) { hooks.push_back("didBegin"); };
    field->didEndEditing = [&](TextField&) { hooks.push_back("didEnd"); };
    field->shouldReturn = [&](TextField& f) {
        hooks.push_back("shouldReturn");
        f.resignFirstResponder();
        return true;
    };
    EXPECT_FALSE(field->simulateReturn()) << "return does nothing before editing";
    EXPECT_TRUE(field->simulateTap());
    EXPECT_TRUE(field->simulateReturn());
    EXPECT_FALSE(field->isFirstResponder());
    EXPECT_EQ(hooks, (std::vector<std::string>{"didBegin", "shouldReturn", "didEnd"}));
    EXPECT_EQ(log.events, (std::vector<std::string>{"editingDidBegin", "editingDidEnd", "editingDidEndOnExit",
                                                    "primaryActionTriggered"}));

    // A field that refuses to end editing keeps the focus from another one.
    auto other = TextField::create();
    field->shouldEndEditing = [](TextField&) { return false; };
    EXPECT_TRUE(field->becomeFirstResponder());
    EXPECT_FALSE(other->becomeFirstResponder());
    EXPECT_TRUE(field->isFirstResponder());
    EXPECT_TRUE(field->endEditing(true));
    EXPECT_EQ(View::currentFirstResponder(), nullptr);
}

TEST_F(TextFieldTest, SecureTextShowsBulletsAndDisabledFieldTakesNoTyping) {
    field->isSecureTextEntry = true;
    field->placeholder = "Password";
    std::vector<std::string> parts;
    field->describeState(parts);
    EXPECT_EQ(parts, (std::vector<std::string>{"placeholder=\"Password\"", "secure", "font=System-17"}));
    field->text = "pé";
    EXPECT_EQ(field->displayedText(), "\u2022\u2022");

    auto disabled = TextField::create();
    disabled->isEnabled = false;
    EXPECT_FALSE(disabled->simulateTyping("x"));
    EXPECT_EQ(disabled->text, "");
}

TEST(TextViewTest, TypingGoesThroughHooksUnlessReadOnly) {
    auto textView = TextView::create();
    int changes = 0;
    textView->shouldChangeText = [](TextView&, platform::TextRange, const std::string& r) { return r != "!"; };
    textView->didChange = [&](TextView&) { ++changes; };
    EXPECT_TRUE(textView->simulateTyping("hi!"));
    EXPECT_EQ(textView->text, "hi");
    EXPECT_EQ(changes, 2);
    textView->endEditing(true);

    textView->isEditable = false;
    EXPECT_FALSE(textView->simulateTyping("x"));
    EXPECT_EQ(textView->text, "hi");
}

namespace {

/// A table of sites with a selection log and a delete swipe action.
class SitesTable : public TableViewDataSource, public TableViewDelegate {
public:
    std::vector<std::vector<std::string>> sections{{"Production", "Sandbox"}, {"Alpha", "Beta", "Gamma"}};
    std::vector<std::string> log;
    bool useStandardDelete = false;

    int numberOfSections(TableView&) override { return static_cast<int>(sections.size()); }
    int numberOfRows(TableView&, int section) override {
        return static_cast<int>(sections[static_cast<std::size_t>(section)].size());
    }
    std::shared_ptr<TableViewCell> cellForRow(TableView& table, const IndexPath& ip) override {
        auto cell = table.dequeueReusableCell("Site", ip);
        cell->textLabel()->text = sections[static_cast<std::size_t>(ip.section)][static_cast<std::size_t>(ip.row)];
        return cell;
    }
    std::optional<std::string> titleForHeader(TableView&, int section) override {
        if (section == 1) return "CUSTOM SITES";
        return std::nullopt;
    }
    bool canEditRow(TableView&, const IndexPath& ip) override { return ip.section == 1; }
    void commitDelete(TableView& table, const IndexPath& ip) override {
        log.push_back("commit " + std::to_string(ip.row));
        auto& rows = sections[static_cast<std::size_t>(ip.section)];
        rows.erase(rows.begin() + ip.row);
        table.deleteRows({ip});
    }

    void didSelectRow(TableView&, const IndexPath& ip) override {
        log.push_back("select " + std::to_string(ip.section) + "." + std::to_string(ip.row));
    }
    void didDeselectRow(TableView&, const IndexPath& ip) override {
        log.push_back("deselect " + std::to_string(ip.section) + "." + std::to_string(ip.row));
    }
    std::shared_ptr<SwipeActionsConfiguration> trailingSwipeActions(TableView& table, const IndexPath& ip) override {
        if (useStandardDelete || ip.section != 1) return nullptr;
        auto configuration = std::make_shared<SwipeActionsConfiguration>();
        configuration->actions.push_back(ContextualAction::create(
            ContextualAction::Style::normal, "Rename", [this](ContextualAction&, View&, auto done) {
                log.push_back("rename");
                done(true);
            }));
        configuration->actions.push_back(ContextualAction::create(
            ContextualAction::Style::destructive, "Remove", [this, &table, ip](ContextualAction& a, View& source, auto done) {
                log.push_back(a.title + " " + source.typeName());
                commitDelete(table, ip);
                done(true);
            }));
        return configuration;
    }
};

} // namespace

class TableViewTest : public ::testing::Test {
protected:
    std::shared_ptr<TableView> table = TableView::create(TableView::Style::grouped, Rect{{0, 0}, {320, 480}});
    std::shared_ptr<SitesTable> sites = std::make_shared<SitesTable>();

    void SetUp() override {
        table->registerCell("Site", [] { return TableViewCell::create(TableViewCell::CellStyle::defaultStyle); });
        table->setDataSource(sites);
        table->setDelegate(sites);
    }
    std::vector<std::string> rowTexts() const {
        std::vector<std::string> texts;
        for (const auto& cell : table->visibleCells()) texts.push_back(cell->textLabel()->text);
        return texts;
    }
};

TEST_F(TableViewTest, LoadsOnFirstLayoutWithSectionsInOrder) {
    EXPECT_FALSE(table->hasLoadedData());
    table->layoutIfNeeded();
    ASSERT_TRUE(table->hasLoadedData());
    EXPECT_EQ(table->numberOfSections(), 2);
    EXPECT_EQ(table->numberOfRows(1), 3);
    EXPECT_EQ(table->numberOfRows(7), 0);
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"Production", "Sandbox", "Alpha", "Beta", "Gamma"}));

    std::vector<std::string> order;
    for (const auto& sub : table->subviews()) order.push_back(sub->typeName() + ":" + sub->displayedText());
    EXPECT_EQ(order, (std::vector<std::string>{"TableViewCell:", "TableViewCell:", "TableViewHeader:CUSTOM SITES",
                                               "TableViewCell:", "TableViewCell:", "TableViewCell:"}));
    auto beta = table->cellForRow({1, 1});
    ASSERT_NE(beta, nullptr);
    EXPECT_EQ(table->indexPathForCell(*beta), (IndexPath{1, 1}));
    EXPECT_EQ(beta->tableView(), table);
    EXPECT_EQ(beta->reuseIdentifier(), "Site");
    EXPECT_EQ(beta->frame.origin.y, 2 * 44 + 28 + 44);
}

TEST_F(TableViewTest, LoadsOnTheMainQueueTurnAfterEnteringAWindow) {
    auto window = Window::create();
    window->addSubview(table);
    EXPECT_FALSE(table->hasLoadedData()) << "not while the screen is still being put together";
    testsupport::pump();
    EXPECT_TRUE(table->hasLoadedData());
    EXPECT_EQ(table->visibleCells().size(), 5u);
}

TEST_F(TableViewTest, SingleSelectionMovesAndTellsTheDelegate) {
    table->reloadData();
    EXPECT_TRUE(table->simulateSelectRow({0, 1}));
    EXPECT_TRUE(table->cellForRow({1, 2})->simulateTap()) << "a tap on the cell selects its row";
    EXPECT_EQ(sites->log, (std::vector<std::string>{"select 0.1", "deselect 0.1", "select 1.2"}));
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{1, 2}));
    EXPECT_FALSE(table->cellForRow({0, 1})->isSelected());
    EXPECT_TRUE(table->cellForRow({1, 2})->isSelected());

    EXPECT_FALSE(table->simulateSelectRow({4, 0})) << "no such row";
    table->allowsSelection = false;
    EXPECT_FALSE(table->simulateSelectRow({0, 0}));
    EXPECT_FALSE(table->cellForRow({0, 0})->acceptsTaps());

    table->reloadData();
    EXPECT_TRUE(table->indexPathsForSelectedRows().empty()) << "a reload clears the selection";
}

TEST_F(TableViewTest, MultipleSelectionTogglesRowsAndKeepsTheirOrder) {
    table->allowsMultipleSelection = true;
    table->reloadData();
    table->simulateSelectRow({1, 2});
    table->simulateSelectRow({0, 0});
    table->simulateSelectRow({1, 0});
    table->simulateSelectRow({0, 0});
    EXPECT_EQ(table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{1, 2}, {1, 0}}));
    EXPECT_EQ(sites->log, (std::vector<std::string>{"select 1.2", "select 0.0", "select 1.0", "deselect 0.0"}));

    // Selecting from code tells the delegate nothing.
    table->deselectRow({1, 2}, true);
    table->selectRow({0, 1}, false);
    EXPECT_EQ(table->indexPathsForSelectedRows(), (std::vector<IndexPath>{{1, 0}, {0, 1}}));
    EXPECT_EQ(sites->log.size(), 4u);
}

TEST_F(TableViewTest, DeleteRunsTheDestructiveSwipeActionOrTheStandardDelete) {
    table->reloadData();
    EXPECT_TRUE(table->simulateDeleteRow({1, 1}));
    EXPECT_EQ(sites->log, (std::vector<std::string>{"Remove TableViewCell", "commit 1"}));
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"Production", "Sandbox", "Alpha", "Gamma"}));

    EXPECT_TRUE(table->simulateSwipeAction({1, 0}, "Rename"));
    EXPECT_FALSE(table->simulateSwipeAction({1, 0}, "Archive"));
    EXPECT_FALSE(table->simulateDeleteRow({0, 0})) << "the data source does not allow editing section 0";
    EXPECT_FALSE(table->simulateDeleteRow({1, 9}));

    sites->log.clear();
    sites->useStandardDelete = true;
    const auto actions = table->trailingSwipeActions({1, 0});
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0]->title, "Delete");
    EXPECT_TRUE(table->simulateDeleteRow({1, 0}));
    EXPECT_EQ(sites->log, (std::vector<std::string>{"commit 0"}));
    EXPECT_EQ(rowTexts(), (std::vector<std::string>{"Production", "Sandbox", "Gamma"}));
}

TEST_F(TableViewTest, UnregisteredCellIdentifierIsFatal) {
    EXPECT_EQ(table->dequeueReusableCell("Nope"), nullptr);
    EXPECT_DEATH(table->dequeueReusableCell("Nope", IndexPath{0, 0}), "unable to dequeue a cell with identifier Nope");
}

TEST(TableViewCellTest, LabelsAreMadeOnFirstUseInTheContentView) {
    auto plain = TableViewCell::create();
    EXPECT_TRUE(plain->subviews().empty());
    EXPECT_EQ(plain->detailTextLabel(), nullptr) << "the default style has no detail text";
    auto subtitle = TableViewCell::create(TableViewCell::CellStyle::subtitle);
    subtitle->detailTextLabel()->text = "detail";
    subtitle->imageView()->image = Image::systemNamed("globe");
    subtitle->textLabel()->text = "title";
    const auto& content = subtitle->contentView()->subviews();
    ASSERT_EQ(content.size(), 3u);
    EXPECT_EQ(content[0]->typeName(), "ImageView");
    EXPECT_EQ(content[1]->displayedText(), "title");
    EXPECT_EQ(content[2]->displayedText(), "detail");
}

TEST(ScrollViewTest, DelegateHearsDragsAndOffsetChanges) {
    struct Recorder : ScrollViewDelegate {
        std::vector<std::string> calls;
        void scrollViewDidScroll(ScrollView& s) override {
            calls.push_back("didScroll " + std::to_string(static_cast<int>(s.contentOffset().y)));
        }
        void scrollViewWillBeginDragging(ScrollView&) override { calls.push_back("willBeginDragging"); }
        void scrollViewDidEndDragging(ScrollView&, bool decelerate) override {
            calls.push_back(decelerate ? "didEndDragging decelerate" : "didEndDragging");
        }
        void scrollViewDidEndDecelerating(ScrollView&) override { calls.push_back("didEndDecelerating"); }
        void scrollViewDidScrollToTop(ScrollView&) override { calls.push_back("didScrollToTop"); }
    };
    auto scroll = ScrollView::create();
    auto recorder = std::make_shared<Recorder>();
    scroll->setDelegate(recorder);
    scroll->contentInset = EdgeInsets{20, 0, 0, 0};

    EXPECT_TRUE(scroll->simulateScroll({0, 120}, true));
    scroll->setContentOffset({0, 120}); // no change: no didScroll
    EXPECT_TRUE(scroll->simulateScrollToTop());
    EXPECT_EQ(recorder->calls, (std::vector<std::string>{"willBeginDragging", "didScroll 120", "didEndDragging decelerate",
                                                         "didEndDecelerating", "didScroll -20", "didScrollToTop"}));
    scroll->isScrollEnabled = false;
    EXPECT_FALSE(scroll->simulateScroll({0, 10}));
    EXPECT_EQ(scroll->contentOffset(), (Point{0, -20}));
}

TEST(StackViewTest, ArrangedSubviewsFollowAddInsertAndRemoval) {
    auto a = Label::create("a");
    auto b = Label::create("b");
    auto c = Label::create("c");
    auto stack = StackView::create({a, c});
    stack->axis = LayoutAxis::vertical;
    stack->insertArrangedSubview(b, 1);
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{a, b, c}));
    EXPECT_EQ(stack->subviews().size(), 3u);

    stack->removeArrangedSubview(a);
    EXPECT_EQ(a->superview(), stack) << "removing an arranged view keeps it as a subview";
    c->removeFromSuperview();
    EXPECT_EQ(stack->arrangedSubviews(), (std::vector<std::shared_ptr<View>>{b})) << "a removed subview is not arranged";
    b->isHidden = true;
    EXPECT_TRUE(stack->visibleArrangedSubviews().empty());
}

TEST(ActivityIndicatorViewTest, HiddenWheneverStoppedWhenItHidesWhenStopped) {
    struct Step {
        const char* name;
        std::function<void(ActivityIndicatorView&)> act;
        bool animating, hidden;
    };
    auto spinner = ActivityIndicatorView::create();
    const Step steps[] = {
        {"new", [](ActivityIndicatorView&) {}, false, true},
        {"start", [](ActivityIndicatorView& s) { s.startAnimating(); }, true, false},
        {"stop", [](ActivityIndicatorView& s) { s.stopAnimating(); }, false, true},
        {"keep shown when stopped", [](ActivityIndicatorView& s) { s.setHidesWhenStopped(false); }, false, false},
        {"start again", [](ActivityIndicatorView& s) { s.startAnimating(); }, true, false},
        {"stop, stays shown", [](ActivityIndicatorView& s) { s.stopAnimating(); }, false, false},
        {"hide when stopped again", [](ActivityIndicatorView& s) { s.setHidesWhenStopped(true); }, false, true},
    };
    for (const auto& step : steps) {
        step.act(*spinner);
        EXPECT_EQ(spinner->isAnimating(), step.animating) << step.name;
        EXPECT_EQ(spinner->isHidden, step.hidden) << step.name;
    }
}
