#include "Platform/UI/PreviewController.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/UI/AlertController.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/UI/Window.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

class Items : public PreviewControllerDataSource, public PreviewControllerDelegate {
public:
    std::vector<platform::Url> urls;
    std::vector<std::string> events;

    long numberOfPreviewItems(PreviewController&) override { return static_cast<long>(urls.size()); }
    platform::Url previewItemAt(PreviewController&, long index) override { return urls.at(static_cast<std::size_t>(index)); }
    void previewControllerWillDismiss(PreviewController& preview) override {
        events.push_back(std::string("willDismiss") + (preview.presentingViewController() ? " (shown)" : " (gone)"));
    }
    void previewControllerDidDismiss(PreviewController& preview) override {
        events.push_back(std::string("didDismiss") + (preview.presentingViewController() ? " (shown)" : " (gone)"));
    }
};

class PreviewControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        window->setRootViewController(root);
        window->makeKeyAndVisible();
        testsupport::pump();
    }
    void TearDown() override { Window::resetAll(); }

    platform::Url file(const std::string& name, const std::string& bytes = "content") const {
        const auto path = testsupport::sandboxRoot() / name;
        std::ofstream(path) << bytes;
        return platform::Url::fileURL(path);
    }

    std::shared_ptr<PreviewController> present() {
        auto preview = PreviewController::create();
        preview->setDataSource(items);
        preview->setDelegate(items);
        root->present(preview, true);
        testsupport::advance(1);
        return preview;
    }

    std::shared_ptr<Items> items = std::make_shared<Items>();
    std::shared_ptr<Window> window = Window::create();
    std::shared_ptr<ViewController> root = ViewController::create();
};

TEST_F(PreviewControllerTest, ShowsTheItemAndDoneTellsTheDelegateOnceItHasGone) {
    items->urls = {file("Q1 report.pdf")};
    auto preview = present();
    EXPECT_EQ(preview->currentPreviewItem(), items->urls[0]);
    const auto screen = ScreenDump::render();
    EXPECT_NE(screen.find("PreviewView item=\"Q1 report.pdf\""), std::string::npos) << screen;
    EXPECT_EQ(screen.find("unreadable"), std::string::npos) << screen;

    ASSERT_TRUE(ScreenDump::tap("Done"));
    EXPECT_EQ(items->events, std::vector<std::string>{"willDismiss (shown)"});
    testsupport::advance(1);
    EXPECT_EQ(items->events, (std::vector<std::string>{"willDismiss (shown)", "didDismiss (gone)"}));
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(PreviewControllerTest, ADismissalByTheAppIsADismissalButACoverIsNot) {
    items->urls = {file("a.txt")};
    auto preview = present();
    // Something shown over the preview leaves it on screen.
    preview->present(AlertController::create("Shared", std::nullopt, AlertController::Style::alert), true);
    testsupport::advance(1);
    EXPECT_TRUE(items->events.empty());
    // The app takes everything down from the root.
    root->dismiss(true);
    testsupport::advance(1);
    EXPECT_EQ(items->events, (std::vector<std::string>{"willDismiss (shown)", "didDismiss (gone)"}));
}

TEST_F(PreviewControllerTest, ItemsComeFromTheDataSource) {
    struct Case {
        const char* name;
        std::vector<std::string> files; // "-" is a file URL with no file behind it
        long select;
        std::string expected;
    };
    const Case cases[] = {
        {"one readable file", {"notes.txt"}, 0, "PreviewView item=\"notes.txt\""},
        {"missing file", {"-"}, 0, "PreviewView item=\"missing.pdf\" unreadable"},
        {"second of three", {"a.txt", "b.txt", "c.txt"}, 1, "PreviewView item=\"b.txt\" index=2/3"},
        {"index out of range stays", {"a.txt", "b.txt"}, 5, "PreviewView item=\"a.txt\" index=1/2"},
        {"no items", {}, 0, "PreviewView empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        items->urls.clear();
        for (const auto& name : c.files) {
            items->urls.push_back(name == "-" ? platform::Url::fileURL(testsupport::sandboxRoot() / "missing.pdf")
                                              : file(name));
        }
        auto preview = present();
        preview->setCurrentPreviewItemIndex(c.select);
        const auto screen = ScreenDump::render();
        EXPECT_NE(screen.find(c.expected), std::string::npos) << screen;
        root->dismiss(false);
        testsupport::advance(1);
    }
}

TEST_F(PreviewControllerTest, ReloadDataAsksAgainAndKeepsAValidIndex) {
    items->urls = {file("a.txt"), file("b.txt"), file("c.txt")};
    auto preview = present();
    preview->setCurrentPreviewItemIndex(2);
    items->urls.pop_back();
    preview->reloadData();
    EXPECT_EQ(preview->numberOfItems(), 2);
    EXPECT_EQ(preview->currentPreviewItemIndex(), 0);
    EXPECT_EQ(preview->currentPreviewItem(), items->urls[0]);
    preview->setCurrentPreviewItemIndex(1);
    preview->reloadData();
    EXPECT_EQ(preview->currentPreviewItem(), items->urls[1]);
}

} // namespace
