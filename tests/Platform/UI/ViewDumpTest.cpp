#include "Platform/UI/Controls.hpp"
#include "Platform/UI/Gesture.hpp"
#include "Platform/UI/ViewDump.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform::ui;

namespace {

std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) out += line + "\n";
    return out;
}

/// A login screen: a title, a hidden error banner, a form and a switch.
struct LoginScreen {
    std::shared_ptr<View> root = View::create();
    std::shared_ptr<Label> title = Label::create("Welcome");
    std::shared_ptr<View> banner = View::create();
    std::shared_ptr<StackView> form = StackView::create();
    std::shared_ptr<TextField> user = TextField::create();
    std::shared_ptr<TextField> password = TextField::create();
    std::shared_ptr<Button> signIn = Button::create();
    std::shared_ptr<Switch> remember = Switch::create();

    LoginScreen() {
        title->accessibilityIdentifier = "title";
        title->font = Font::named("HelveticaNeue-Medium", 22.5).value();
        banner->isHidden = true;
        banner->addSubview(Label::create("Wrong password"));
        user->placeholder = "User name";
        user->text = "ana";
        password->placeholder = "Password";
        password->isSecureTextEntry = true;
        signIn->setTitle("Sign in");
        signIn->accessibilityIdentifier = "signIn";
        signIn->isEnabled = false;
        remember->accessibilityLabel = "Remember me";
        remember->setOn(true);
        remember->alpha = 0.5;
        form->addArrangedSubview(user);
        form->addArrangedSubview(password);
        form->addArrangedSubview(signIn);
        root->addSubview(title);
        root->addSubview(banner);
        root->addSubview(form);
        root->addSubview(remember);
    }
};

} // namespace

TEST(ViewDumpTest, OneLinePerVisibleViewWithIdsTextsAndStates) {
    LoginScreen screen;
    std::vector<std::string> lines;
    dumpViews(*screen.root, 1, lines);
    EXPECT_EQ(joined(lines), "  View\n"
                             "    Label id=title \"Welcome\" font=HelveticaNeue-Medium-22.5\n"
                             "    StackView\n"
                             "      TextField \"ana\" font=System-17\n"
                             "      TextField placeholder=\"Password\" secure font=System-17\n"
                             "      Button id=signIn \"Sign in\" font=System-15 disabled\n"
                             "    Switch label=Remember me on alpha=0.5\n");
}

TEST(ViewDumpTest, HiddenViewsCanBeIncludedAndMarked) {
    LoginScreen screen;
    screen.form->alpha = 0;
    std::vector<std::string> lines;
    dumpViews(*screen.root, 0, lines, ViewDumpOptions{.includeHidden = true});
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[2], "  View hidden");
    EXPECT_EQ(lines[3], "    Label \"Wrong password\" font=System-17");
    EXPECT_EQ(lines[4], "  StackView alpha=0");

    lines.clear();
    screen.root->isHidden = true;
    dumpViews(*screen.root, 0, lines);
    EXPECT_TRUE(lines.empty()) << "a hidden root hides everything";
}

TEST(ViewDumpTest, LinesOfEachKindOfView) {
    struct Case {
        const char* name;
        std::function<std::shared_ptr<View>()> make;
        std::string line;
    };
    const Case cases[] = {
        {"label equal to its text adds no label part",
         [] {
             auto l = Label::create("Hi");
             l->accessibilityLabel = "Hi";
             return l;
         },
         "Label \"Hi\" font=System-17"},
        {"text with quotes and line breaks",
         [] { return Label::create("say \"hi\"\nback\\slash"); },
         "Label \"say \\\"hi\\\"\\nback\\\\slash\" font=System-17"},
        {"empty label", [] { return Label::create(); }, "Label font=System-17"},
        {"image view", [] { return ImageView::create(Image::systemNamed("gear")); }, "ImageView image=system:gear"},
        {"image button without title",
         [] {
             auto b = Button::create();
             b->setImage(Image::systemNamed("xmark"));
             b->isSelected = true;
             return b;
         },
         "Button image=system:xmark selected"},
        {"scrolled scroll view",
         [] {
             auto s = ScrollView::create();
             s->setContentOffset({0, 120.25});
             return s;
         },
         "ScrollView offset=0,120.25"},
        {"switch off", [] { return Switch::create(); }, "Switch off"},
        {"read-only text view",
         [] {
             auto t = TextView::create();
             t->text = "Terms";
             t->isEditable = false;
             return t;
         },
         "TextView \"Terms\" readonly font=System-12"},
        {"spinning indicator",
         [] {
             auto a = ActivityIndicatorView::create();
             a->startAnimating();
             return a;
         },
         "ActivityIndicatorView animating"},
        {"checked cell",
         [] {
             auto c = TableViewCell::create();
             c->accessoryType = TableViewCell::AccessoryType::checkmark;
             c->setSelected(true, false);
             return c;
         },
         "TableViewCell selected accessory=checkmark"},
        {"blur", [] { return VisualEffectView::create(); }, "VisualEffectView"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dumpLine(*c.make()), c.line) << c.name;
    }
}

TEST(ViewDumpTest, NumbersAreWrittenWithoutNoise) {
    const std::pair<double, const char*> cases[] = {
        {17, "17"}, {0.5, "0.5"}, {-3.25, "-3.25"}, {1.0 / 3, "0.333"}, {-0.0, "0"}, {-0.0001, "0"}, {1e9, "1000000000"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(dumpNumber(value), text) << value;
}

TEST(ViewDumpTest, FindsVisibleViewsByIdentifierBeforeText) {
    LoginScreen screen;
    // A label whose text equals the button's identifier loses to the identifier.
    auto decoy = Label::create("signIn");
    screen.root->addSubview(decoy);
    EXPECT_EQ(findView(screen.root, "signIn"), screen.signIn);
    EXPECT_EQ(findView(screen.root, "Sign in"), screen.signIn);
    EXPECT_EQ(findView(screen.root, "Remember me"), screen.remember) << "by accessibility label";
    EXPECT_EQ(findView(screen.root, "Password"), screen.password) << "by placeholder";
    EXPECT_EQ(findView(screen.root, "Wrong password"), nullptr) << "hidden views are not found";
    EXPECT_EQ(findView(screen.root, ""), nullptr);
    EXPECT_EQ(findView(screen.root, "nothing"), nullptr);

    // Of two views with the same text, the one in front.
    auto front = Label::create("Welcome");
    screen.root->addSubview(front);
    EXPECT_EQ(findView(screen.root, "Welcome"), front);
}

TEST(ViewDumpTest, TappableIsTheMatchOrTheAncestorThatTakesTheTap) {
    auto root = View::create();
    auto table = TableView::create();
    root->addSubview(table);
    struct Rows : TableViewDataSource {
        int numberOfRows(TableView&, int) override { return 2; }
        std::shared_ptr<TableViewCell> cellForRow(TableView&, const IndexPath& ip) override {
            auto cell = TableViewCell::create();
            cell->textLabel()->text = ip.row == 0 ? "First" : "Second";
            return cell;
        }
    };
    auto rows = std::make_shared<Rows>();
    table->setDataSource(rows);
    root->layoutIfNeeded();

    auto cardTitle = Label::create("Open card");
    auto card = View::create();
    card->addSubview(cardTitle);
    card->addGestureRecognizer(TapGestureRecognizer::create());
    card->addGestureRecognizer(LongPressGestureRecognizer::create());
    root->addSubview(card);
    auto plainText = Label::create("Just text");
    root->addSubview(plainText);

    auto target = findTappable(root, "Second");
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target, table->cellForRow({0, 1}));
    EXPECT_TRUE(target->simulateTap());
    EXPECT_EQ(table->indexPathForSelectedRow(), (IndexPath{0, 1}));

    EXPECT_EQ(findTappable(root, "Open card"), card);
    EXPECT_EQ(findLongPressable(root, "Open card"), card);
    EXPECT_EQ(findLongPressable(root, "First"), table->cellForRow({0, 0})->textLabel())
        << "without a long-press gesture, the match itself";
    EXPECT_EQ(findTappable(root, "Just text"), plainText) << "nothing takes the tap: the match itself";
    EXPECT_FALSE(plainText->simulateTap());
}
