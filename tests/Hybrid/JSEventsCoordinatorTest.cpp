#include "VellicorApp/Hybrid/JSEventsCoordinator.hpp"

#include "tests/Hybrid/NativeEventTestSupport.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/UI/ScreenDump.hpp"

#include <gtest/gtest.h>

using namespace vellicor;
using nativeeventtest::Answers;
using nativeeventtest::fileRecord;
using platform::Json;

namespace {

class JSEventsCoordinatorTest : public nativeeventtest::NativeEventTest {
protected:
    void SetUp() override {
        NativeEventTest::SetUp();
        coordinator = JSEventsCoordinator::create(std::shared_ptr<CommunityViewControllable>(screen));
    }

    void download(const nativeeventtest::FileRecord& record, Answers& answers) {
        coordinator->handleNativeEvent({NativeEventType::downloadFile, Json{{"recordId", record.documentID}}},
                                       answers.completion());
    }

    /// The user closes the front-most preview.
    static void closePreview() {
        ASSERT_TRUE(platform::ui::ScreenDump::tap("Done"));
        settle();
    }

    std::vector<KORVAMarkerName> markerNames() const {
        std::vector<KORVAMarkerName> names;
        for (const auto& interaction : markers->interactions) {
            EXPECT_FALSE(interaction.attributes);
            names.push_back(interaction.name);
        }
        return names;
    }

    std::shared_ptr<JSEventsCoordinator> coordinator;
};

Json success() { return Json{{"message", "Success"}}; }

TEST_F(JSEventsCoordinatorTest, AnExternalURLGoesToTheScreensOpenURL) {
    struct Case {
        const char* name;
        Json attributes;
        std::optional<std::string> opened; // none: rejected as missing attributes
    };
    const Case cases[] = {
        {"web address", {{"url", "https://example.org/help?topic=files#top"}}, "https://example.org/help?topic=files#top"},
        {"another scheme", {{"url", "mailto:help@example.org"}}, "mailto:help@example.org"},
        {"no url", Json::object(), std::nullopt},
        {"url as a number", {{"url", 42}}, std::nullopt},
        {"empty url", {{"url", ""}}, std::nullopt},
        {"relative reference", {{"url", "s/article/files"}}, std::nullopt},
        {"not a URL", {{"url", "https://exa mple.org/"}}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        screen->openedURLs.clear();
        Answers answers;
        coordinator->handleNativeEvent({NativeEventType::navigateToExternalURL, c.attributes}, answers.completion());
        // Answered before handleNativeEvent returns.
        ASSERT_EQ(answers.received.size(), 1u);
        const auto& answer = answers.received.front();
        if (c.opened) {
            ASSERT_TRUE(answer);
            EXPECT_EQ(*answer, Json::object());
            ASSERT_EQ(screen->openedURLs.size(), 1u);
            EXPECT_EQ(screen->openedURLs[0].absoluteString(), *c.opened);
        } else {
            ASSERT_FALSE(answer);
            EXPECT_EQ(errorType(answer.error()), "OTHER");
            EXPECT_EQ(localizedDescription(answer.error()), "Some required information is missing.");
            EXPECT_TRUE(screen->openedURLs.empty());
        }
        EXPECT_TRUE(coordinator->handlers().empty());
    }
    EXPECT_EQ(markerNames(), std::vector<KORVAMarkerName>(std::size(cases), KORVAMarkerName::externalURL));
}

TEST_F(JSEventsCoordinatorTest, ADownloadIsAnsweredOnlyWhenItsPreviewCloses) {
    const auto record = fileRecord(1, "Q1 report");
    Answers answers;
    download(record, answers);
    EXPECT_EQ(markerNames(), std::vector<KORVAMarkerName>{KORVAMarkerName::fileDownload});
    ASSERT_EQ(overlays().size(), 1u);
    EXPECT_EQ(overlays()[0]->progressLabel()->text, "Downloading the file…");
    EXPECT_EQ(coordinator->handlers().size(), 1u);

    serveFile(record, "%PDF-1.4 quarterly");
    // The overlay finishes with its checkmark before the preview comes.
    ASSERT_EQ(overlays().size(), 1u);
    EXPECT_EQ(topPreview(), nullptr);
    settle();
    const auto preview = topPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(overlays().empty());
    EXPECT_EQ(preview->numberOfItems(), 1);
    ASSERT_TRUE(preview->currentPreviewItem());
    EXPECT_EQ(preview->currentPreviewItem()->lastPathComponent(), record.fileName());
    EXPECT_EQ(platform::readFile(preview->currentPreviewItem()->filePath()),
              platform::dataFromString("%PDF-1.4 quarterly"));

    // The page waits for the whole preview session.
    testsupport::advance(60);
    testsupport::pump();
    EXPECT_TRUE(answers.received.empty());
    EXPECT_EQ(coordinator->handlers().size(), 1u);

    closePreview();
    ASSERT_EQ(answers.received.size(), 1u);
    ASSERT_TRUE(answers.received[0]);
    EXPECT_EQ(*answers.received[0], success());
    EXPECT_TRUE(coordinator->handlers().empty());
    EXPECT_TRUE(presented().empty());
}

TEST_F(JSEventsCoordinatorTest, TwoOverlappingDownloadsAreAnsweredIndependently) {
    const auto first = fileRecord(1, "first");
    const auto second = fileRecord(2, "second");
    Answers firstAnswers;
    Answers secondAnswers;
    download(first, firstAnswers);
    download(second, secondAnswers);
    EXPECT_EQ(overlays().size(), 2u);
    EXPECT_EQ(coordinator->handlers().size(), 2u);

    // The later one arrives first, and the earlier one while its preview still comes in.
    serveFile(second);
    testsupport::advance(0.7);
    serveFile(first);
    settle();
    const auto chain = presented();
    ASSERT_EQ(chain.size(), 2u);
    EXPECT_EQ(std::dynamic_pointer_cast<platform::ui::PreviewController>(chain[0])->currentPreviewItem()->lastPathComponent(),
              second.fileName());
    EXPECT_EQ(topPreview()->currentPreviewItem()->lastPathComponent(), first.fileName());
    EXPECT_TRUE(overlays().empty());

    closePreview();
    ASSERT_EQ(firstAnswers.received.size(), 1u);
    EXPECT_EQ(firstAnswers.received[0].value_or(Json()), success());
    EXPECT_TRUE(secondAnswers.received.empty());
    // The handler that answered left the list, the other stays.
    EXPECT_EQ(coordinator->handlers().size(), 1u);

    closePreview();
    ASSERT_EQ(secondAnswers.received.size(), 1u);
    EXPECT_EQ(secondAnswers.received[0].value_or(Json()), success());
    EXPECT_EQ(firstAnswers.received.size(), 1u);
    EXPECT_TRUE(coordinator->handlers().empty());
}

TEST_F(JSEventsCoordinatorTest, TwoFilesArrivingTogetherBothShow) {
    const auto first = fileRecord(1, "first");
    const auto second = fileRecord(2, "second");
    Answers answers;
    download(first, answers);
    download(second, answers);
    serveFile(first);
    serveFile(second);
    settle();
    settle();
    EXPECT_EQ(presented().size(), 2u);
    closePreview();
    closePreview();
    EXPECT_EQ(answers.received.size(), 2u);
    EXPECT_TRUE(coordinator->handlers().empty());
}

TEST_F(JSEventsCoordinatorTest, AFailedFetchAnswersFirstThenDropsTheOverlayAndAlertsUnlessFlagged) {
    const Json notFound = {{"error", Json::array({{{"errorCode", "NOT_FOUND"}, {"message", "The file is gone."}}})}};
    struct Case {
        const char* name;
        platform::Error error;
        std::string type;
        std::string message;
        bool alert;
    };
    const Case cases[] = {
        {"server error", platform::Error("VQRestAPIErrorDomain", 404, notFound), "VQRestAPIErrorDomain",
         "The file is gone.", true},
        {"not signed in", platform::Error("VQRestAPIErrorDomain", 401), "VQRestAPIErrorDomain",
         "Log in to download this file.", true},
        {"flagged for the page", platform::Error("FILE_NOT_FOUND", 404, {{"hybridShouldHandleKey", true}}),
         "FILE_NOT_FOUND", "The operation couldn’t be completed. (FILE_NOT_FOUND error 404.)", false},
        {"flag that is no Boolean", platform::Error("VQRestAPIErrorDomain", 500, {{"hybridShouldHandleKey", "yes"}}),
         "VQRestAPIErrorDomain", "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto record = fileRecord(3, "failing");
        std::vector<std::string> events;
        coordinator->handleNativeEvent({NativeEventType::downloadFile, Json{{"recordId", record.documentID}}},
                                       [&](NativeEventResult result) {
                                           ASSERT_FALSE(result);
                                           events.push_back(errorType(result.error()) + " with " +
                                                            std::to_string(overlays().size()) + " overlay");
                                           if (!c.message.empty()) {
                                               EXPECT_EQ(localizedDescription(result.error()), c.message);
                                           }
                                       });
        failFile(record, c.error);
        settle();
        EXPECT_EQ(events, std::vector<std::string>{c.type + " with 1 overlay"});
        EXPECT_TRUE(overlays().empty());
        EXPECT_TRUE(coordinator->handlers().empty());
        const auto chain = presented();
        ASSERT_EQ(chain.size(), c.alert ? 1u : 0u);
        if (c.alert) {
            const auto alert = std::dynamic_pointer_cast<platform::ui::AlertController>(chain[0]);
            ASSERT_NE(alert, nullptr);
            EXPECT_FALSE(alert->title);
            EXPECT_EQ(alert->preferredStyle(), platform::ui::AlertController::Style::alert);
            if (!c.message.empty()) {
                EXPECT_EQ(alert->message, c.message);
            }
            ASSERT_EQ(alert->actions().size(), 1u);
            EXPECT_EQ(alert->actions()[0]->title(), "OK");
            EXPECT_EQ(alert->actions()[0]->style(), platform::ui::AlertAction::Style::defaultStyle);
            ASSERT_TRUE(alert->simulateTapAction("OK"));
            settle();
            EXPECT_TRUE(presented().empty());
        }
    }
}

TEST_F(JSEventsCoordinatorTest, AMissingOrNonTextRecordIDIsAnsweredAtOnceWithoutOverlay) {
    const Json cases[] = {Json::object(), {{"recordId", 91000000000001}}, {{"recordId", nullptr}},
                          {{"recordID", "091000000000001AAA"}}};
    for (const auto& attributes : cases) {
        SCOPED_TRACE(attributes.dump());
        Answers answers;
        coordinator->handleNativeEvent({NativeEventType::downloadFile, attributes}, answers.completion());
        ASSERT_EQ(answers.received.size(), 1u);
        ASSERT_FALSE(answers.received[0]);
        EXPECT_EQ(errorType(answers.received[0].error()), "INVALID_RECORD_ID");
        EXPECT_EQ(localizedDescription(answers.received[0].error()), "The record ID is missing from the request.");
        EXPECT_TRUE(overlays().empty());
        EXPECT_EQ(rest->pendingCount(), 0u);
        EXPECT_TRUE(coordinator->handlers().empty());
    }
}

TEST_F(JSEventsCoordinatorTest, AFileArrivingAfterItsOverlayWentStillShows) {
    const auto record = fileRecord(4, "late");
    Answers answers;
    download(record, answers);
    ASSERT_EQ(overlays().size(), 1u);
    overlays()[0]->hide();
    serveFile(record);
    // No overlay to finish: the preview comes at once.
    testsupport::advance(platform::ui::ViewController::kTransitionDuration);
    testsupport::pump();
    ASSERT_NE(topPreview(), nullptr);
    EXPECT_TRUE(answers.received.empty());
    closePreview();
    ASSERT_EQ(answers.received.size(), 1u);
    EXPECT_EQ(answers.received[0].value_or(Json()), success());
}

TEST_F(JSEventsCoordinatorTest, AFileTheScreenCannotShowIsAnsweredWithoutWaiting) {
    struct Case {
        const char* name;
        bool keepScreen; // false: the screen is gone; true: it is off the window
        bool logged;
    };
    const Case cases[] = {{"screen gone", false, false}, {"screen off the window", true, true}};
    int number = 5;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NativeEventTest::TearDown();
        NativeEventTest::SetUp();
        coordinator = JSEventsCoordinator::create(std::shared_ptr<CommunityViewControllable>(screen));
        const auto record = fileRecord(number++, "unshown");
        Answers answers;
        download(record, answers);
        window->setRootViewController(platform::ui::ViewController::create());
        if (!c.keepScreen) screen.reset();
        serveFile(record);
        settle();
        ASSERT_EQ(answers.received.size(), 1u);
        ASSERT_FALSE(answers.received[0]);
        EXPECT_EQ(errorType(answers.received[0].error()), "N/A");
        EXPECT_TRUE(coordinator->handlers().empty());
        const auto errors = apptest::appLogTexts("ERROR");
        const bool logged = std::ranges::count(errors, "FilesEventHandler: Failed to show the file preview: the screen "
                                                       "cannot present it.") == 1;
        EXPECT_EQ(logged, c.logged);
    }
}

} // namespace
