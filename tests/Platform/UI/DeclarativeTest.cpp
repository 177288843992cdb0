#include "Platform/Foundation/Data.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Controls.hpp"
#include "Platform/UI/Declarative.hpp"
#include "Platform/UI/Image.hpp"
#include "Platform/UI/DeclarativeHosting.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;
using testsupport::advance;
using testsupport::pump;

namespace {

using Log = std::vector<std::string>;

/// A decoded 1 x 1 PNG.
std::shared_ptr<Image> onePixelImage() {
    constexpr const char* kPng =
        "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8DwHwAFBQIAX8jx0gAAAABJRU5ErkJggg==";
    return Image::fromData(platform::base64Decode(kPng).value_or(platform::Data{}));
}

class SettingsModel : public ObservableObject {
public:
    Published<std::string> name{*this, "Ada"};
    Published<bool> enabled{*this, false};
    Published<std::vector<std::string>> sites{*this, {"a.example", "b.example", "c.example"}};
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string labelText(const std::string& idOrLabel) {
    auto label = std::dynamic_pointer_cast<Label>(ScreenDump::findView(idOrLabel));
    return label ? label->text : "<no label " + idOrLabel + ">";
}

// Observation -------------------------------------------------------------------------------

TEST(ObservableObjectTest, PublishedSendsWillChangeBeforeItStoresTheValue) {
    SettingsModel model;
    Log seen;
    const auto token = model.objectWillChange().subscribe([&] { seen.push_back("name was " + model.name.get()); });
    model.name = "Grace";
    EXPECT_EQ(seen, (Log{"name was Ada"}));
    EXPECT_EQ(model.name.get(), "Grace");

    model.sites.modify([&](std::vector<std::string>& sites) {
        seen.push_back("modifying " + std::to_string(sites.size()));
        sites.pop_back();
    });
    EXPECT_EQ(seen, (Log{"name was Ada", "name was Grace", "modifying 3"}));
    EXPECT_EQ(model.sites->size(), 2u);

    model.objectWillChange().unsubscribe(token);
    model.enabled = true;
    EXPECT_EQ(seen.size(), 3u);
}

TEST(ObservableObjectTest, ASubscriberRemovedWhileTheSignalIsSentIsNotCalled) {
    SettingsModel model;
    Log seen;
    ChangeSignal::Token second = 0;
    model.objectWillChange().subscribe([&] {
        seen.push_back("first");
        model.objectWillChange().unsubscribe(second);
    });
    second = model.objectWillChange().subscribe([&] { seen.push_back("second"); });
    model.name = "x";
    model.name = "y";
    EXPECT_EQ(seen, (Log{"first", "first"}));
    EXPECT_EQ(model.objectWillChange().subscriberCount(), 1u);
}

TEST(ObservableObjectTest, BindingsReadAndWriteTheirSource) {
    SettingsModel model;
    auto name = model.name.binding();
    name.set("Linus");
    EXPECT_EQ(model.name.get(), "Linus");
    EXPECT_EQ(name.get(), "Linus");

    State<int> state(3);
    auto copy = state;
    copy.binding().set(4);
    EXPECT_EQ(state.get(), 4);

    EXPECT_EQ(Binding<bool>::constant(true).get(), true);
    EXPECT_EQ(Binding<std::string>{}.get(), "");

    std::vector<int> items{0, 1, 2, 3, 4};
    removeOffsets(items, IndexSet{1, 3, 9});
    EXPECT_EQ(items, (std::vector<int>{0, 2, 4}));
}

// Node dump ---------------------------------------------------------------------------------------

TEST(NodeDumpTest, LinesDescribeNodesLikeTheViewDump) {
    struct Case {
        const char* name;
        Node node;
        std::string expected;
    };
    const Case cases[] = {
        {"text with identifier and font",
         Node::text("Hello").font(Font::systemFont(17)).accessibilityIdentifier("title"),
         "Text id=title \"Hello\" font=System-17\n"},
        {"toggle shows its binding", Node::toggle("Wi-Fi", Binding<bool>::constant(true)), "Toggle \"Wi-Fi\" on\n"},
        {"secure field hides its text",
         Node::secureField("Password", Binding<std::string>::constant("abc")).accessibilityIdentifier("pw"),
         "SecureField id=pw placeholder=\"Password\" text=\"***\"\n"},
        {"button with a label node",
         Node::button(Node::label("Move", "link"), {}).role(ButtonRole::destructive).disabled(),
         "Button \"Move\" role=destructive disabled\n  label: Label \"Move\" image=system:link\n"},
        {"stack with modifiers",
         Node::vstack({Node::spacer(10), Node::divider()}, HorizontalAlignment::leading, 0)
             .frame(std::nullopt, 44)
             .padding(EdgeInsets{0, 16, 0, 16})
             .attribute("listRowInsets", "0"),
         "VStack alignment=leading spacing=0 padding=0,16,0,16 frame=-x44 listRowInsets=0\n  Spacer minLength=10\n"
         "  Divider\n"},
        {"section with header and identified rows",
         Node::section({Node::forEach(std::vector<std::string>{"a", "b"}, [](const std::string& s) { return s; },
                                      [](const std::string& s) { return Node::text(s); })
                            .onDelete([](const IndexSet&) {})},
                       Node::text("Sites")),
         "Section\n  header: Text \"Sites\"\n  ForEach onDelete\n    Text #a \"a\"\n    Text #b \"b\"\n"},
        {"scroll view over a column, indicator hidden",
         Node::scrollView({Node::text("row")}, false),
         "ScrollView indicators=hidden\n  Text \"row\"\n"},
        {"circular progress view, tinted and scaled",
         Node::progressView().progressViewStyle(ProgressViewStyle::circular).tint(Color::white()).scaleEffect(2),
         "ProgressView style=circular tint=#FFFFFF scale=2\n"},
        {"image made from bytes", Node::image(onePixelImage()), "Image image=data:1x1\n"},
        {"alert shows whether it is presented",
         Node::text("x").alert("Oops", Binding<bool>::constant(true)).navigationTitle("Main"),
         "Text \"x\" title=\"Main\" alert=\"Oops\"(presented)\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(dumpNodes(c.node), c.expected) << c.name;
}

TEST(NodeDumpTest, FindNodePrefersIdentifiersThenTexts) {
    const auto tree = Node::vstack({Node::text("save"), Node::button("Save", {}).accessibilityIdentifier("save"),
                                    Node::menu(Node::systemImage("ellipsis"), {Node::button("Rename", {})})});
    ASSERT_NE(findNode(tree, "save"), nullptr);
    EXPECT_EQ(findNode(tree, "save")->kind, Node::Kind::button);
    ASSERT_NE(findNode(tree, "Rename"), nullptr);
    EXPECT_EQ(findNode(tree, "Rename")->kind, Node::Kind::button);
    EXPECT_EQ(findNode(tree, "missing"), nullptr);
}

// Hosting ------------------------------------------------------------------------------------------

class HostingTest : public ::testing::Test {
protected:
    void TearDown() override { Window::resetAll(); }

    /// Shows a hosting controller of `body` at the root of a navigation
    /// controller in a key window (the window installs its root on the next turn).
    std::shared_ptr<HostingController> show(HostingController::Body body) {
        host = HostingController::create(std::move(body));
        navigation = NavigationController::create(host);
        showRoot(navigation);
        return host;
    }
    void showRoot(const std::shared_ptr<ViewController>& root) {
        window = Window::create();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        pump();
    }

    SettingsModel model;
    Log log;
    std::shared_ptr<HostingController> host;
    std::shared_ptr<NavigationController> navigation;
    std::shared_ptr<Window> window;
};

TEST_F(HostingTest, ModelChangesCoalesceIntoOneRenderingOnTheNextTurn) {
    show([&] { return Node::vstack({Node::text("Hello " + model.name.get()).accessibilityIdentifier("greeting")}); });
    EXPECT_EQ(labelText("greeting"), "Hello Ada");
    const auto before = host->renderCount();

    model.name = "Grace";
    model.name = "Linus";
    model.enabled = true;
    EXPECT_TRUE(host->isRenderScheduled());
    EXPECT_EQ(host->renderCount(), before);
    EXPECT_EQ(labelText("greeting"), "Hello Ada");
    pump();
    EXPECT_EQ(host->renderCount(), before + 1);
    EXPECT_EQ(labelText("greeting"), "Hello Linus");
    pump();
    EXPECT_EQ(host->renderCount(), before + 1);

    // renderNow takes the place of a scheduled rendering.
    model.name = "Ken";
    host->renderNow();
    EXPECT_EQ(labelText("greeting"), "Hello Ken");
    pump();
    EXPECT_EQ(host->renderCount(), before + 2);
}

TEST_F(HostingTest, ExplicitlyObservedModelsRerenderBodiesThatDoNotReadThem) {
    SettingsModel other;
    int evaluations = 0;
    host = HostingController::create(
        [&] {
            ++evaluations;
            return Node::text("static");
        },
        {&other});
    navigation = NavigationController::create(host);
    showRoot(navigation);
    const int before = evaluations;
    other.enabled = true;
    pump();
    EXPECT_EQ(evaluations, before + 1);
    model.enabled = true; // never read, never observed
    pump();
    EXPECT_EQ(evaluations, before + 1);
}

TEST_F(HostingTest, RenderedButtonsShowInTheScreenDumpAndTakeTheEventDriversTaps) {
    int saves = 0;
    show([&] {
        return Node::vstack({Node::text("Profile").font(Font::boldSystemFont(17)),
                             Node::button("Save", [&] { ++saves; }).accessibilityIdentifier("save"),
                             Node::button("Archive", [&] { ++saves; }).disabled(),
                             Node::text("secret").hidden()})
            .accessibilityIdentifier("form");
    });
    const auto screen = ScreenDump::render();
    EXPECT_TRUE(contains(screen, "HostingController")) << screen;
    EXPECT_TRUE(contains(screen, "HostingView")) << screen;
    EXPECT_TRUE(contains(screen, "StackView id=form")) << screen;
    EXPECT_TRUE(contains(screen, "Label \"Profile\" font=System-Bold-17")) << screen;
    EXPECT_TRUE(contains(screen, "Button id=save \"Save\"")) << screen;
    EXPECT_TRUE(contains(screen, "Button \"Archive\" font=System-15 disabled")) << screen;
    EXPECT_FALSE(contains(screen, "secret")) << screen;

    ASSERT_TRUE(ScreenDump::tap("save").has_value());
    EXPECT_EQ(saves, 1);
    ASSERT_TRUE(host->tap("Save").has_value());
    EXPECT_EQ(saves, 2);
    EXPECT_FALSE(ScreenDump::tap("Archive").has_value());
    EXPECT_FALSE(host->tap("nothing").has_value());
    EXPECT_EQ(saves, 2);
}

TEST_F(HostingTest, ScrollViewsProgressStylesAndMadeImagesRender) {
    int taps = 0;
    show([&] {
        return Node::scrollView({Node::image(onePixelImage()),
                                 Node::button("Go", [&] { ++taps; }),
                                 Node::progressView()
                                     .progressViewStyle(ProgressViewStyle::circular)
                                     .tint(Color::white())
                                     .scaleEffect(2)
                                     .accessibilityIdentifier("spinner")});
    });
    auto scroll = std::dynamic_pointer_cast<ScrollView>(host->renderedView());
    ASSERT_NE(scroll, nullptr);
    EXPECT_TRUE(scroll->showsVerticalScrollIndicator);
    const auto screen = ScreenDump::render();
    EXPECT_TRUE(contains(screen, "ScrollView\n")) << screen;
    EXPECT_TRUE(contains(screen, "ImageView image=data:1x1")) << screen;
    EXPECT_TRUE(contains(screen, "ActivityIndicatorView id=spinner circular tint=#FFFFFF animating")) << screen;
    ASSERT_TRUE(host->tap("Go").has_value());
    EXPECT_EQ(taps, 1);
    auto spinner = std::dynamic_pointer_cast<ActivityIndicatorView>(
        scroll->subviews().front()->subviews().back());
    ASSERT_NE(spinner, nullptr);
    EXPECT_EQ(spinner->transform, AffineTransform::scale(2, 2));
}

TEST_F(HostingTest, TogglesAndTextFieldsWriteTheirBindings) {
    std::string submitted;
    show([&] {
        return Node::vstack({Node::toggle("Enabled", model.enabled.binding()).accessibilityIdentifier("enabled"),
                             Node::textField("Your name", model.name.binding())
                                 .accessibilityIdentifier("name")
                                 .onSubmit([&] { submitted = model.name.get(); })});
    });
    ASSERT_TRUE(host->setToggle("enabled", true).has_value());
    EXPECT_TRUE(model.enabled.get());
    ASSERT_TRUE(host->setToggle("Enabled", true).has_value()); // by its label; already on
    EXPECT_TRUE(model.enabled.get());
    pump();
    EXPECT_TRUE(contains(ScreenDump::render(), "Switch id=enabled on"));

    model.enabled = false;
    pump();
    EXPECT_TRUE(contains(ScreenDump::render(), "Switch id=enabled off"));

    ASSERT_TRUE(ScreenDump::type("name", " L.").has_value());
    EXPECT_EQ(model.name.get(), "Ada L.");
    pump();
    auto field = std::dynamic_pointer_cast<TextField>(ScreenDump::findView("name"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text, "Ada L.");
    EXPECT_TRUE(field->isFirstResponder()) << "the rendering keeps the focus in the field";
    ASSERT_TRUE(host->type("name", "!").has_value());
    ASSERT_TRUE(host->submit("name").has_value());
    EXPECT_EQ(submitted, "Ada L.!");
}

TEST_F(HostingTest, ListRowsDeleteThroughTheirForEachWithTheRowsPosition) {
    IndexSet deleted;
    int opened = 0;
    int pinned = 0;
    show([&] {
        return Node::list({
            Node::button("Open", [&] { ++opened; }),
            Node::section(
                {Node::text("Fixed row"),
                 Node::forEach(model.sites.get(), [](const std::string& site) { return site; },
                               [&](const std::string& site) {
                                   return Node::text(site).swipeActions(
                                       site == "c.example" ? std::vector<Node>{Node::button("Pin", [&] { ++pinned; })}
                                                           : std::vector<Node>{});
                               })
                     .onDelete([&](const IndexSet& offsets) {
                         deleted = offsets;
                         model.sites.modify([&](std::vector<std::string>& sites) { removeOffsets(sites, offsets); });
                     })},
                Node::text("Sites"), Node::text("Swipe to delete")),
        });
    });
    const auto screen = ScreenDump::render();
    EXPECT_TRUE(contains(screen, "TableViewHeader \"Sites\"")) << screen;
    EXPECT_TRUE(contains(screen, "TableViewFooter \"Swipe to delete\"")) << screen;

    ASSERT_TRUE(host->deleteRow("b.example").has_value());
    EXPECT_EQ(deleted, IndexSet{1});
    pump();
    EXPECT_EQ(model.sites.get(), (std::vector<std::string>{"a.example", "c.example"}));
    EXPECT_EQ(ScreenDump::findView("b.example"), nullptr);
    ASSERT_TRUE(host->deleteRow("a.example").has_value());
    EXPECT_EQ(deleted, IndexSet{0});
    pump();

    EXPECT_FALSE(host->deleteRow("Fixed row").has_value());
    // A row with swipe actions offers them instead of the delete action.
    EXPECT_FALSE(host->deleteRow("c.example").has_value());
    ASSERT_TRUE(host->swipeAction("c.example", "Pin").has_value());
    EXPECT_EQ(pinned, 1);

    // A button row is tapped through its row; a text row takes no taps.
    ASSERT_TRUE(ScreenDump::tap("Open").has_value());
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(host->tap("Fixed row").has_value());
}

TEST_F(HostingTest, NavigationLinksPushAHostOfTheirDestination) {
    show([&] {
        return Node::vstack({Node::navigationLink("Details", [&] {
                                 return Node::text("Detail of " + model.name.get())
                                     .accessibilityIdentifier("detail")
                                     .navigationTitle("Details");
                             }).accessibilityIdentifier("details")});
    });
    ASSERT_TRUE(ScreenDump::tap("details").has_value());
    advance(1);
    ASSERT_EQ(navigation->viewControllers().size(), 2u);
    auto detail = std::dynamic_pointer_cast<HostingController>(navigation->topViewController());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(labelText("detail"), "Detail of Ada");
    EXPECT_TRUE(contains(ScreenDump::render(), "NavigationBar \"Details\""));

    // The destination follows the models it reads.
    model.name = "Grace";
    pump();
    EXPECT_EQ(labelText("detail"), "Detail of Grace");

    ASSERT_TRUE(navigation->simulateBackTap());
    advance(1);
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST_F(HostingTest, ALinkBoundToIsActiveIsPushedAndPoppedWithTheBinding) {
    show([&] {
        return Node::navigationLink(
                   "Add site",
                   [&] {
                       return Node::button("Close", [&] { model.enabled = false; }).accessibilityIdentifier("close");
                   },
                   model.enabled.binding())
            .accessibilityIdentifier("add");
    });
    model.enabled = true;
    pump();
    advance(1);
    ASSERT_EQ(navigation->viewControllers().size(), 2u);

    ASSERT_TRUE(ScreenDump::tap("close").has_value());
    pump();
    advance(1);
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_FALSE(model.enabled.get());

    // A tap sets the binding; going back clears it.
    ASSERT_TRUE(ScreenDump::tap("add").has_value());
    EXPECT_TRUE(model.enabled.get());
    pump();
    advance(1);
    ASSERT_EQ(navigation->viewControllers().size(), 2u);
    ASSERT_TRUE(navigation->simulateBackTap());
    advance(1);
    pump();
    EXPECT_FALSE(model.enabled.get());
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
}

TEST_F(HostingTest, ANavigationViewShowsItsContentUnderItsOwnBarKeptAcrossRenderings) {
    bool cancelled = false;
    host = HostingController::create([&] {
        return Node::navigationView(
            Node::vstack({Node::text("Sites: " + std::to_string(model.sites->size())).accessibilityIdentifier("count"),
                          Node::navigationLink("Add", [] { return Node::text("Form"); })
                              .accessibilityIdentifier("add")})
                .navigationTitle("Select")
                .toolbar({Node::button("Cancel", [&] { cancelled = true; }).accessibilityIdentifier("cancel")},
                         {Node::button("Done", {})}));
    });
    showRoot(host);
    ASSERT_EQ(host->children().size(), 1u);
    auto inner = std::dynamic_pointer_cast<NavigationController>(host->children().front());
    ASSERT_NE(inner, nullptr);
    const auto screen = ScreenDump::render();
    EXPECT_TRUE(contains(screen, "NavigationBar \"Select\"")) << screen;
    EXPECT_TRUE(contains(screen, "BarButton id=cancel \"Cancel\"")) << screen;
    EXPECT_TRUE(contains(screen, "BarButton \"Done\"")) << screen;
    ASSERT_TRUE(ScreenDump::tap("cancel").has_value());
    EXPECT_TRUE(cancelled);

    ASSERT_TRUE(ScreenDump::tap("add").has_value());
    advance(1);
    ASSERT_EQ(inner->viewControllers().size(), 2u);
    model.sites.modify([](std::vector<std::string>& sites) { sites.push_back("d.example"); });
    pump();
    ASSERT_EQ(host->children().size(), 1u);
    EXPECT_EQ(host->children().front(), inner);
    EXPECT_EQ(inner->viewControllers().size(), 2u);
    EXPECT_TRUE(inner->topViewController()->isVisible());
    ASSERT_TRUE(inner->simulateBackTap());
    advance(1);
    EXPECT_EQ(labelText("count"), "Sites: 4");
}

TEST_F(HostingTest, AnAlertIsPresentedWhileItsBindingIsTrue) {
    int deletions = 0;
    show([&] {
        return Node::text("Body").alert("Delete site?", model.enabled.binding(),
                                        {Node::button("Delete", [&] { ++deletions; }).role(ButtonRole::destructive),
                                         Node::button("Keep", {}).role(ButtonRole::cancel)},
                                        "It cannot be undone.");
    });
    EXPECT_EQ(host->presentedViewController(), nullptr);
    model.enabled = true;
    pump();
    advance(1);
    auto alert = std::dynamic_pointer_cast<AlertController>(host->presentedViewController());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title, "Delete site?");
    EXPECT_EQ(alert->message, "It cannot be undone.");
    ASSERT_EQ(alert->actions().size(), 2u);
    EXPECT_EQ(alert->actions()[0]->style(), AlertAction::Style::destructive);
    EXPECT_EQ(alert->actions()[1]->style(), AlertAction::Style::cancel);

    ASSERT_TRUE(ScreenDump::tap("Delete").has_value());
    advance(1);
    EXPECT_FALSE(model.enabled.get());
    EXPECT_EQ(deletions, 1);
    pump();
    EXPECT_EQ(host->presentedViewController(), nullptr);

    // Turning the binding off from code dismisses it.
    model.enabled = true;
    pump();
    advance(1);
    ASSERT_NE(host->presentedViewController(), nullptr);
    model.enabled = false;
    pump();
    advance(1);
    EXPECT_EQ(host->presentedViewController(), nullptr);
    EXPECT_EQ(deletions, 1);
}

TEST_F(HostingTest, AnAlertWithoutButtonsHasAnOkButton) {
    show([&] { return Node::text("Body").alert("Saved", model.enabled.binding()); });
    model.enabled = true;
    pump();
    advance(1);
    auto alert = std::dynamic_pointer_cast<AlertController>(host->presentedViewController());
    ASSERT_NE(alert, nullptr);
    ASSERT_EQ(alert->actions().size(), 1u);
    ASSERT_TRUE(ScreenDump::tap("OK").has_value());
    advance(1);
    EXPECT_FALSE(model.enabled.get());
}

TEST_F(HostingTest, ASheetDismissedByItsContentResetsItsBinding) {
    int dismissals = 0;
    show([&] {
        return Node::text("Main").sheet(
            model.enabled.binding(),
            [&] {
                auto close = dismissAction();
                return Node::button("Close " + model.name.get(), close).accessibilityIdentifier("close");
            },
            [&] { ++dismissals; });
    });
    model.enabled = true;
    pump();
    advance(1);
    auto sheet = std::dynamic_pointer_cast<HostingController>(host->presentedViewController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(contains(ScreenDump::render(), "Button id=close \"Close Ada\""));

    ASSERT_TRUE(ScreenDump::tap("close").has_value());
    advance(1);
    EXPECT_EQ(host->presentedViewController(), nullptr);
    EXPECT_FALSE(model.enabled.get());
    EXPECT_EQ(dismissals, 1);
    pump();
    EXPECT_EQ(host->presentedViewController(), nullptr);
}

TEST_F(HostingTest, AppearAndDisappearFollowTheNodeAndTheScreen) {
    host = HostingController::create([&] {
        std::vector<Node> rows{Node::text("always")
                                   .onAppear([&] { log.push_back("always+"); })
                                   .onDisappear([&] { log.push_back("always-"); })};
        if (model.enabled.get()) {
            rows.push_back(Node::text("extra")
                               .onAppear([&] { log.push_back("extra+"); })
                               .onDisappear([&] { log.push_back("extra-"); }));
        }
        return Node::vstack(std::move(rows));
    });
    host->loadViewIfNeeded();
    EXPECT_TRUE(log.empty()) << "nothing appears before the screen does";
    navigation = NavigationController::create(host);
    showRoot(navigation);
    EXPECT_EQ(log, (Log{"always+"}));

    model.enabled = true;
    pump();
    EXPECT_EQ(log, (Log{"always+", "extra+"}));
    model.name = "unrelated";
    pump();
    EXPECT_EQ(log, (Log{"always+", "extra+"}));
    model.enabled = false;
    pump();
    EXPECT_EQ(log, (Log{"always+", "extra+", "extra-"}));

    navigation->push(ViewController::create(), false);
    pump();
    EXPECT_EQ(log, (Log{"always+", "extra+", "extra-", "always-"}));
    navigation->pop(false);
    pump();
    EXPECT_EQ(log, (Log{"always+", "extra+", "extra-", "always-", "always+"}));
}

TEST_F(HostingTest, UseStateKeepsAViewsStateAcrossRenderingsWhileItIsUsed) {
    show([&] {
        if (model.enabled.get()) return Node::text("counter gone");
        auto count = useState<int>("counter", 0);
        return Node::button("Count " + std::to_string(count.get()), [count] { count.set(count.get() + 1); })
            .accessibilityIdentifier("counter");
    });
    ASSERT_TRUE(ScreenDump::tap("counter").has_value());
    pump();
    ASSERT_TRUE(ScreenDump::tap("counter").has_value());
    pump();
    EXPECT_TRUE(contains(ScreenDump::render(), "Button id=counter \"Count 2\""));

    model.enabled = true;
    pump();
    model.enabled = false;
    pump();
    EXPECT_TRUE(contains(ScreenDump::render(), "Button id=counter \"Count 0\""));
    EXPECT_EQ(useState<int>("outside a rendering", 7).get(), 7);
}

TEST_F(HostingTest, MenusOpenAnActionSheetOfTheirEntries) {
    std::string selection = "b";
    show([&] {
        return Node::vstack(
            {Node::menu(Node::systemImage("ellipsis"),
                        {Node::button(Node::label("Rename", "link"), [&] { log.push_back("rename"); }),
                         Node::divider(),
                         Node::section({Node::button("Remove", [&] { log.push_back("remove"); })
                                            .role(ButtonRole::destructive),
                                        Node::button("Locked", [&] { log.push_back("locked"); }).disabled()})})
                 .accessibilityIdentifier("more"),
             Node::picker("Letter",
                          {Node::forEach(
                              std::vector<std::string>{"Alpha", "Beta"}, [](const std::string& s) { return s; },
                              [](const std::string& s) { return Node::text(s).tag(s == "Alpha" ? "a" : "b"); })},
                          Binding<std::string>([&] { return selection; }, [&](std::string v) { selection = v; }))
                 .accessibilityIdentifier("letter")});
    });
    EXPECT_TRUE(contains(ScreenDump::render(), "Picker id=letter \"Beta\""));
    ASSERT_TRUE(ScreenDump::tap("more").has_value());
    advance(1);
    auto sheet = std::dynamic_pointer_cast<AlertController>(host->presentedViewController());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->preferredStyle(), AlertController::Style::actionSheet);
    std::vector<std::string> titles;
    for (const auto& action : sheet->actions()) titles.push_back(action->title());
    EXPECT_EQ(titles, (std::vector<std::string>{"Rename", "Remove", "Locked", "Cancel"}));
    EXPECT_FALSE(sheet->actions()[2]->isEnabled());
    ASSERT_TRUE(ScreenDump::tap("Remove").has_value());
    advance(1);
    EXPECT_EQ(log, (Log{"remove"}));
    EXPECT_EQ(host->presentedViewController(), nullptr);

    EXPECT_FALSE(host->chooseMenuItem("more", "Locked").has_value());
    ASSERT_TRUE(host->chooseMenuItem("more", "Rename").has_value());
    EXPECT_EQ(log, (Log{"remove", "rename"}));

    ASSERT_TRUE(ScreenDump::tap("letter").has_value());
    advance(1);
    ASSERT_TRUE(ScreenDump::tap("Alpha").has_value());
    advance(1);
    EXPECT_EQ(selection, "a");
    ASSERT_TRUE(host->chooseMenuItem("letter", "Beta").has_value());
    EXPECT_EQ(selection, "b");
}

TEST_F(HostingTest, TheNodeTreeOfTheLastRenderingCanBeInspected) {
    show([&] {
        return Node::vstack({Node::text(model.name.get()).accessibilityIdentifier("name"),
                             Node::toggle("On", model.enabled.binding())});
    });
    ASSERT_NE(host->findNode("name"), nullptr);
    EXPECT_EQ(host->findNode("name")->textContent, "Ada");
    EXPECT_EQ(host->dumpNodes(), "VStack\n  Text id=name \"Ada\"\n  Toggle \"On\" off\n");
    model.name = "Grace";
    pump();
    EXPECT_EQ(host->rootNode().children.front().textContent, "Grace");
    EXPECT_EQ(host->renderedView()->typeName(), "StackView");
}

} // namespace
