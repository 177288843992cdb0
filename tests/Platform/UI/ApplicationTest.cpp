#include "Platform/UI/Application.hpp"

#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

using platform::ui::Application;
using platform::ui::ApplicationDelegate;
using platform::ui::ShortcutItem;

namespace {

/// Answers a quick action with the scripted answers, at once or only when told.
class ShortcutDelegate : public ApplicationDelegate {
public:
    std::vector<bool> answersNow;
    bool keepsCompletion = false;
    std::function<void(bool)> kept;

    void performActionForShortcutItem(Application&, const ShortcutItem&, std::function<void(bool)> completion) override {
        for (bool answer : answersNow) completion(answer);
        if (keepsCompletion) kept = std::move(completion);
    }
};

ShortcutItem quickAction() {
    ShortcutItem item;
    item.type = "com.example.switch";
    item.localizedTitle = "Switch";
    return item;
}

} // namespace

TEST(ApplicationShortcutTest, ReturnsTheDelegatesFirstAnswerGivenInTime) {
    struct Case {
        const char* name;
        std::vector<bool> answersNow;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {"handled", {true}, true},
        {"not handled", {false}, false},
        {"answered twice: the first counts", {false, true}, false},
        {"never answered", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto& application = Application::shared();
        application.reset();
        auto delegate = std::make_shared<ShortcutDelegate>();
        delegate->answersNow = c.answersNow;
        application.setDelegate(delegate);
        application.launch();
        EXPECT_EQ(application.performShortcut(quickAction()), c.expected);
    }
}

// A delegate may keep the completion and answer after performShortcut has
// returned; the late answer must land in state the completion owns, not in the
// caller's finished frame (AddressSanitizer reports stack-use-after-return).
TEST(ApplicationShortcutTest, ALateAnswerIsDroppedSafely) {
    auto& application = Application::shared();
    auto delegate = std::make_shared<ShortcutDelegate>();
    delegate->keepsCompletion = true;
    application.setDelegate(delegate);
    application.launch();

    EXPECT_EQ(application.performShortcut(quickAction()), std::nullopt);
    ASSERT_TRUE(delegate->kept);
    auto late = std::move(delegate->kept);
    late(true);
    late(false);

    // The next quick action is answered on its own.
    delegate->keepsCompletion = false;
    delegate->answersNow = {true};
    EXPECT_EQ(application.performShortcut(quickAction()), true);
}

TEST(ApplicationShortcutTest, NoAnswerWithoutADelegateOrAfterTermination) {
    auto& application = Application::shared();
    EXPECT_EQ(application.performShortcut(quickAction()), std::nullopt);

    auto delegate = std::make_shared<ShortcutDelegate>();
    delegate->answersNow = {true};
    application.setDelegate(delegate);
    application.launch();
    application.terminate();
    EXPECT_EQ(application.performShortcut(quickAction()), std::nullopt);
}
