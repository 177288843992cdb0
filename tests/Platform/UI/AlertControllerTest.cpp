#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/Button.hpp"
#include "Platform/UI/Label.hpp"
#include "Platform/UI/TextField.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

using Log = std::vector<std::string>;

class Recorder : public ViewController {
public:
    explicit Recorder(std::shared_ptr<Log> log) : log_(std::move(log)) {}
    void viewWillDisappear(bool) override { log_->push_back("root.willDisappear"); }
    void viewDidDisappear(bool) override { log_->push_back("root.didDisappear"); }

private:
    std::shared_ptr<Log> log_;
};

class AlertControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = makeController<Recorder>(log);
        window = Window::create();
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        testsupport::pump();
    }
    void TearDown() override { Window::resetAll(); }

    std::shared_ptr<AlertController> presentAlert(std::function<void(AlertController&)> configure = {}) {
        auto alert = AlertController::create("Delete post?", "This cannot be undone.", AlertController::Style::alert);
        alert->addAction(AlertAction::create("Cancel", AlertAction::Style::cancel, [this] {
            log->push_back("Cancel handler");
        }));
        alert->addAction(AlertAction::create("Delete", AlertAction::Style::destructive, [this](AlertAction& action) {
            log->push_back(action.title() + " handler" +
                           (root->presentedViewController() ? " (alert still up)" : " (alert gone)"));
        }));
        if (configure) configure(*alert);
        root->present(alert, true);
        testsupport::advance(0.4);
        return alert;
    }

    std::shared_ptr<Log> log = std::make_shared<Log>();
    std::shared_ptr<Recorder> root;
    std::shared_ptr<Window> window;
};

TEST_F(AlertControllerTest, TappingAnActionDismissesThenRunsItsHandler) {
    auto alert = presentAlert();
    EXPECT_TRUE(log->empty()) << "the presenting screen stays on screen";
    EXPECT_EQ(alert->presentationStyle(), ModalPresentationStyle::custom);

    EXPECT_TRUE(alert->simulateTapAction("Delete"));
    EXPECT_TRUE(alert->isBeingDismissed());
    EXPECT_TRUE(log->empty());
    testsupport::advance(0.3);
    EXPECT_TRUE(log->empty()) << "the handler waits for the dismissal";
    testsupport::advance(0.1);
    EXPECT_EQ(*log, (Log{"Delete handler (alert gone)"}));
    EXPECT_FALSE(alert->simulateTapAction("Cancel")) << "one action per alert";
}

TEST_F(AlertControllerTest, TapsThatDoNothing) {
    auto alert = presentAlert([](AlertController& a) { a.actions()[1]->setEnabled(false); });
    EXPECT_FALSE(alert->simulateTapAction("Delete")) << "disabled";
    EXPECT_FALSE(alert->simulateTapAction("Nope")) << "unknown";
    testsupport::advance(1);
    EXPECT_EQ(root->presentedViewController(), alert);
    EXPECT_TRUE(log->empty());

    alert->actions()[1]->setEnabled(true);
    EXPECT_TRUE(alert->simulateTapAction("Delete"));
    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"Delete handler (alert gone)"}));
}

TEST_F(AlertControllerTest, ViewShowsTheTextsAndOneButtonPerAction) {
    auto alert = presentAlert([](AlertController& a) {
        a.addTextField([](TextField& field) { field.placeholder = "Reason"; });
    });
    auto view = alert->view();
    EXPECT_EQ(view->window(), window);
    const auto& subviews = view->subviews();
    ASSERT_EQ(subviews.size(), 5u);
    EXPECT_EQ(subviews[0]->displayedText(), "Delete post?");
    EXPECT_EQ(subviews[1]->displayedText(), "This cannot be undone.");
    EXPECT_EQ(subviews[2], alert->textFields().front());
    EXPECT_EQ(alert->textFields().front()->placeholder, "Reason");

    auto deleteButton = std::dynamic_pointer_cast<Button>(view->viewWithAccessibilityIdentifier("Delete"));
    ASSERT_NE(deleteButton, nullptr);
    EXPECT_EQ(deleteButton->displayedText(), "Delete");
    alert->actions()[1]->setEnabled(false);
    EXPECT_FALSE(deleteButton->isEnabled);
    EXPECT_FALSE(deleteButton->simulateTap());

    // A user's tap on the button is a tap on the action.
    auto cancelButton = view->viewWithAccessibilityIdentifier("Cancel");
    ASSERT_NE(cancelButton, nullptr);
    EXPECT_TRUE(cancelButton->simulateTap());
    testsupport::advance(0.4);
    EXPECT_EQ(*log, (Log{"Cancel handler"}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(AlertControllerTest, PreferredActionMustBeOneOfTheActions) {
    auto alert = AlertController::create("t", std::nullopt, AlertController::Style::alert);
    auto ok = AlertAction::create("OK");
    alert->setPreferredAction(ok);
    EXPECT_EQ(alert->preferredAction(), nullptr);
    alert->addAction(ok);
    alert->setPreferredAction(ok);
    EXPECT_EQ(alert->preferredAction(), ok);
}

TEST_F(AlertControllerTest, MisuseIsFatal) {
    auto alert = AlertController::create("t", "m", AlertController::Style::alert);
    alert->addAction(AlertAction::create("Cancel", AlertAction::Style::cancel));
    EXPECT_DEATH(alert->addAction(AlertAction::create("Close", AlertAction::Style::cancel)),
                 "UIAlertController can only have one action with a style of UIAlertActionStyleCancel");

    auto sheet = AlertController::create("t", std::nullopt, AlertController::Style::actionSheet);
    EXPECT_DEATH(sheet->addTextField(),
                 "Text fields can only be added to an alert controller of style UIAlertControllerStyleAlert");
}

TEST_F(AlertControllerTest, ActionSheetNeedsASourceOnRegularWidthOnly) {
    auto compact = AlertController::create(std::nullopt, std::nullopt, AlertController::Style::actionSheet);
    compact->addAction(AlertAction::create("Share"));
    root->present(compact, false);
    testsupport::pump();
    EXPECT_EQ(compact->presentationStyle(), ModalPresentationStyle::custom);
    root->dismiss(false);
    testsupport::pump();

    TraitCollection regular;
    regular.horizontalSizeClass = UserInterfaceSizeClass::regular;
    root->setTraitCollection(regular);
    auto sheet = AlertController::create(std::nullopt, std::nullopt, AlertController::Style::actionSheet);
    EXPECT_DEATH(root->present(sheet, true), "should have a non-nil sourceView or barButtonItem");

    sheet->popoverPresentation().barButtonItem = BarButtonItem::withSystemItem(BarButtonItem::SystemItem::action, {});
    root->present(sheet, false);
    testsupport::pump();
    EXPECT_EQ(sheet->presentationStyle(), ModalPresentationStyle::popover);
}

} // namespace
