#include "Platform/UI/Label.hpp"
#include "Platform/UI/NavigationController.hpp"
#include "Platform/UI/Storyboard.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

using Log = std::vector<std::string>;

class Screen : public ViewController {
public:
    Screen(std::string name, std::shared_ptr<Log> log) : name_(std::move(name)), log_(std::move(log)) {
        title = name_;
    }
    void viewDidLoad() override { add("didLoad"); }
    void viewWillAppear(bool) override { add("willAppear"); }
    void prepare(StoryboardSegue& segue, const nlohmann::json& sender) override {
        add("prepare " + segue.identifier() + " to " + segue.destination()->title.value_or("?") +
            (segue.source().get() == this ? " from me" : " from someone else") + " sender=" + sender.dump());
        if (auto next = std::dynamic_pointer_cast<Screen>(segue.destination())) next->payload = "handed over";
    }
    std::string typeName() const override { return "Screen"; }

    std::string payload;

private:
    void add(const std::string& call) { log_->push_back(name_ + "." + call); }
    std::string name_;
    std::shared_ptr<Log> log_;
};

class StoryboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        Storyboard::resetRegistry();
        auto log = this->log;
        auto screen = [log](const std::string& name) {
            return [log, name]() -> std::shared_ptr<ViewController> { return makeController<Screen>(name, log); };
        };
        StoryboardDefinition main;
        main.initial = [screen] { return NavigationController::create(screen("Home")()); };
        main.controllers["Home"] = screen("Home");
        main.controllers["Detail"] = screen("Detail");
        main.controllers["Compose"] = screen("Compose");
        main.segues["showDetail"] = SegueDefinition{SegueDefinition::Kind::show, "Detail"};
        main.segues["pushDetail"] = SegueDefinition{SegueDefinition::Kind::push, "Detail"};
        main.segues["compose"] = SegueDefinition{SegueDefinition::Kind::present, "Compose"};
        main.segues["broken"] = SegueDefinition{SegueDefinition::Kind::present, "Missing"};
        Storyboard::registerStoryboard("Main", std::move(main));
        Storyboard::registerStoryboard("Empty", StoryboardDefinition{});
    }
    void TearDown() override {
        Storyboard::resetRegistry();
        Window::resetAll();
    }

    // The Home screen in a navigation controller shown in a window.
    std::shared_ptr<Screen> showHome() {
        auto navigation = std::dynamic_pointer_cast<NavigationController>(
            Storyboard::named("Main")->instantiateInitialViewController());
        window = Window::create();
        window->setRootViewController(navigation);
        window->makeKeyAndVisible();
        testsupport::pump();
        log->clear();
        return std::dynamic_pointer_cast<Screen>(navigation->topViewController());
    }

    std::shared_ptr<Log> log = std::make_shared<Log>();
    std::shared_ptr<Window> window;
};

TEST_F(StoryboardTest, InstantiatedControllersKnowTheirStoryboard) {
    auto board = Storyboard::named("Main");
    EXPECT_EQ(board, Storyboard::named("Main"));
    EXPECT_EQ(board->name(), "Main");
    auto detail = board->instantiateViewController("Detail");
    EXPECT_EQ(detail->title, "Detail");
    EXPECT_EQ(detail->storyboard(), board);
    EXPECT_NE(board->instantiateViewController("Detail"), detail) << "a new controller each time";
    EXPECT_EQ(board->instantiateInitialViewController()->storyboard(), board);
    EXPECT_EQ(Storyboard::named("Empty")->instantiateInitialViewController(), nullptr);
    EXPECT_TRUE(Storyboard::exists("Empty"));
    EXPECT_FALSE(Storyboard::exists("Other"));
}

TEST_F(StoryboardTest, UnknownNamesAreFatal) {
    EXPECT_DEATH(Storyboard::named("Settings"),
                 "Could not find a storyboard named 'Settings' in bundle NSBundle <main>");
    EXPECT_DEATH(Storyboard::named("Main")->instantiateViewController("Profile"),
                 "Storyboard \\(<Storyboard Main>\\) doesn't contain a view controller with identifier 'Profile'");
    auto home = showHome();
    EXPECT_DEATH(home->performSegue("nowhere"), "Receiver \\(<Screen \"Home\">\\) has no segue with identifier 'nowhere'");
    EXPECT_DEATH(home->performSegue("broken"), "doesn't contain a view controller with identifier 'Missing'");
    EXPECT_DEATH(ViewController::create()->performSegue("showDetail"),
                 "Receiver \\(<ViewController>\\) has no segue with identifier 'showDetail'");
}

TEST_F(StoryboardTest, SeguePreparesBeforeTheDestinationLoadsAndShowsIt) {
    struct Case {
        const char* segue;
        bool pushed;
        const char* destination;
    };
    const Case cases[] = {{"showDetail", true, "Detail"}, {"pushDetail", true, "Detail"}, {"compose", false, "Compose"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.segue);
        auto home = showHome();
        home->performSegue(c.segue, "row 3");
        const std::string dest = c.destination;
        EXPECT_EQ(*log, (Log{"Home.prepare " + std::string(c.segue) + " to " + dest + " from me sender=\"row 3\"",
                             dest + ".didLoad", dest + ".willAppear"}));
        auto navigation = home->navigationController();
        auto shown = c.pushed ? navigation->topViewController() : navigation->presentedViewController();
        auto screen = std::dynamic_pointer_cast<Screen>(shown);
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->title, dest);
        EXPECT_EQ(screen->payload, "handed over");
        EXPECT_EQ(screen->storyboard(), Storyboard::named("Main"));
        testsupport::advance(0.4);
        EXPECT_TRUE(screen->isVisible());
    }
}

TEST_F(StoryboardTest, ShowOutsideANavigationControllerPresents) {
    auto home = std::dynamic_pointer_cast<Screen>(Storyboard::named("Main")->instantiateViewController("Home"));
    window = Window::create();
    window->setRootViewController(home);
    window->makeKeyAndVisible();
    testsupport::pump();
    home->performSegue("showDetail");
    ASSERT_NE(home->presentedViewController(), nullptr);
    EXPECT_EQ(home->presentedViewController()->title, "Detail");
}

TEST_F(StoryboardTest, NibsAreNamedViewFactories) {
    Nib::registerNib("LoadingView", [] { return Label::create("Loading"); });
    auto first = Nib::instantiate("LoadingView");
    EXPECT_EQ(first->displayedText(), "Loading");
    EXPECT_NE(Nib::instantiate("LoadingView"), first);
    EXPECT_DEATH(Nib::instantiate("Missing"), "Could not load NIB in bundle: 'NSBundle <main>' with name 'Missing'");
    Storyboard::resetRegistry();
    EXPECT_FALSE(Nib::exists("LoadingView"));
}

} // namespace

namespace {

class Embedding : public ViewController {
public:
    void viewDidLoad() override { childrenAtLoad = children().size(); }
    void prepare(StoryboardSegue& segue, const nlohmann::json&) override { prepared.push_back(segue.identifier()); }
    std::size_t childrenAtLoad = 0;
    std::vector<std::string> prepared;
};

TEST(StoryboardEmbedTest, EmbedSeguesRunWhileTheViewLoads) {
    StoryboardDefinition definition;
    definition.initial = [] { return makeController<Embedding>(); };
    definition.controllers["content"] = [] { return ViewController::create(); };
    definition.segues["embed"] = SegueDefinition{SegueDefinition::Kind::embed, "content"};
    Storyboard::registerStoryboard("Embeds", std::move(definition));
    Storyboard::named("Embeds")->addEmbedSegue("", "embed", "slot");
    auto controller = std::dynamic_pointer_cast<Embedding>(Storyboard::named("Embeds")->instantiateInitialViewController());
    ASSERT_TRUE(controller);
    auto slot = View::create();
    slot->accessibilityIdentifier = "slot";
    auto root = View::create();
    root->addSubview(slot);
    controller->setView(root);
    controller->performSegue("embed");
    ASSERT_EQ(controller->children().size(), 1u);
    EXPECT_EQ(controller->children().front()->view()->superview(), slot);
    EXPECT_EQ(controller->prepared, std::vector<std::string>{"embed"});

    // Loaded from scratch, the child is there before viewDidLoad.
    auto fresh = std::dynamic_pointer_cast<Embedding>(Storyboard::named("Embeds")->instantiateInitialViewController());
    fresh->loadViewIfNeeded();
    EXPECT_EQ(fresh->childrenAtLoad, 1u);
    EXPECT_EQ(fresh->children().front()->view()->superview(), fresh->view());
    Storyboard::resetRegistry();
}

} // namespace
