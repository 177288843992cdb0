#include "VellicorApp/Hybrid/FilesEventHandler.hpp"

#include "VellicorApp/Core/AppContext.hpp"
#include "VellicorApp/Hybrid/InvokeNativeEventMessageHandler.hpp"
#include "VellicorApp/Hybrid/JSEventsCoordinator.hpp"

#include "tests/Hybrid/HybridTestSupport.hpp"
#include "tests/Hybrid/NativeEventTestSupport.hpp"
#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"

#include "Platform/Foundation/FileManager.hpp"
#include "Platform/UI/ScreenDump.hpp"
#include "Platform/Web/UserContentController.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

using namespace vellicor;
using nativeeventtest::Answers;
using platform::Json;

namespace {

/// A fetcher whose outcome the test gives, from a worker thread as the REST
/// client would.
class FakeFetcher : public FilesFetcher {
public:
    FakeFetcher() : FilesFetcher(nullptr) {}

    struct Fetch {
        std::string recordID;
        std::optional<Json> attributes;
        Completion completion;
    };
    std::vector<Fetch> fetches;

    void fetchFile(const std::string& recordID, const std::optional<Json>& attributes, Completion completion) override {
        fetches.push_back({recordID, attributes, std::move(completion)});
    }

    void finish(std::optional<platform::Url> url, std::optional<ParseableError> error) {
        ASSERT_FALSE(fetches.empty());
        auto completion = std::move(fetches.front().completion);
        fetches.erase(fetches.begin());
        std::thread([&] { completion(url, error); }).join();
    }
};

class FilesEventHandlerTest : public nativeeventtest::NativeEventTest {
protected:
    std::shared_ptr<FilesEventHandler> makeHandler() {
        return FilesEventHandler::create(std::shared_ptr<CommunityViewControllable>(screen), fetcher);
    }

    platform::Url localFile(const std::string& name) const {
        const auto path = testsupport::sandboxRoot() / name;
        std::ofstream(path) << "bytes";
        return platform::Url::fileURL(path);
    }

    std::shared_ptr<FakeFetcher> fetcher = std::make_shared<FakeFetcher>();
};

TEST_F(FilesEventHandlerTest, TheFetcherGetsTheRecordAndEveryAttribute) {
    const auto handler = makeHandler();
    const Json attributes = {{"recordId", "kV0000000000001AAA"}, {"fieldId", "Guide"}, {"extra", {1, 2}}};
    Answers answers;
    handler->handle({NativeEventType::downloadFile, attributes}, answers.completion());
    ASSERT_EQ(fetcher->fetches.size(), 1u);
    EXPECT_EQ(fetcher->fetches[0].recordID, "kV0000000000001AAA");
    EXPECT_EQ(fetcher->fetches[0].attributes, attributes);
    EXPECT_EQ(handler->progressView(), overlays().at(0));
}

TEST_F(FilesEventHandlerTest, AnAnswerFromAWorkerThreadReachesThePageOnTheMainThread) {
    const auto handler = makeHandler();
    std::vector<bool> onMainThread;
    handler->handle({NativeEventType::downloadFile, Json{{"recordId", "091000000000001AAA"}}},
                    [&](NativeEventResult) { onMainThread.push_back(platform::MainQueue::isMainThread()); });
    fetcher->finish(localFile("report.pdf"), std::nullopt);
    settle();
    ASSERT_NE(topPreview(), nullptr);
    EXPECT_EQ(handler->shareSheetPresenter()->previewController(), topPreview());
    ASSERT_TRUE(platform::ui::ScreenDump::tap("Done"));
    settle();
    EXPECT_EQ(onMainThread, std::vector<bool>{true});
}

TEST_F(FilesEventHandlerTest, NeitherFileNorErrorIsAnsweredOnceWithoutAlert) {
    const auto handler = makeHandler();
    Answers answers;
    handler->handle({NativeEventType::downloadFile, Json{{"recordId", "091000000000001AAA"}}}, answers.completion());
    fetcher->finish(std::nullopt, std::nullopt);
    settle();
    ASSERT_EQ(answers.received.size(), 1u);
    ASSERT_FALSE(answers.received[0]);
    EXPECT_EQ(errorType(answers.received[0].error()), "N/A");
    EXPECT_EQ(localizedDescription(answers.received[0].error()), "UNKNOWN");
    EXPECT_TRUE(overlays().empty());
    EXPECT_TRUE(presented().empty());
}

TEST_F(FilesEventHandlerTest, AFileArrivingAfterItsHandlerWentIsStillAnswered) {
    auto handler = makeHandler();
    Answers answers;
    handler->handle({NativeEventType::downloadFile, Json{{"recordId", "091000000000001AAA"}}}, answers.completion());
    handler.reset();
    fetcher->finish(localFile("orphan.pdf"), std::nullopt);
    settle();
    ASSERT_EQ(answers.received.size(), 1u);
    EXPECT_FALSE(answers.received[0]);
    EXPECT_TRUE(presented().empty());
}

/// The loopback community server, a signed-in user and the screen with its
/// bridge: the page's message, the coordinator and the file handler.
class FilesEventHandlerLoopbackTest : public veltranetest::AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        apptest::installContext(apptest::sampleResources());
        ASSERT_NE(signIn(), nullptr);
        AppContext::updateWithCurrentUser();
        screen = platform::ui::makeController<nativeeventtest::FakeScreen>();
        window = nativeeventtest::showInWindow(screen);
        coordinator = JSEventsCoordinator::create(std::shared_ptr<CommunityViewControllable>(screen));
        messageHandler->setDelegate(coordinator);
    }
    void TearDown() override {
        platform::ui::Window::resetAll();
        platform::ui::Storyboard::resetRegistry();
        AccountFixture::TearDown();
        AppContext::resetForTesting();
    }

    hybridtest::Replies post(const Json& body) {
        hybridtest::Replies replies;
        messageHandler->didReceiveScriptMessage(*platform::web::UserContentController::create(),
                                                hybridtest::message(InvokeNativeEventMessageHandler::kMessageName, body),
                                                replies.handler());
        return replies;
    }

    std::shared_ptr<nativeeventtest::FakeScreen> screen;
    std::shared_ptr<platform::ui::Window> window;
    std::shared_ptr<JSEventsCoordinator> coordinator;
    std::shared_ptr<InvokeNativeEventMessageHandler> messageHandler = InvokeNativeEventMessageHandler::create();
};

TEST_F(FilesEventHandlerLoopbackTest, ARecordFileDownloadsAndPreviews) {
    const auto record = nativeeventtest::fileRecord(1, "Board minutes");
    server.putRecord("fileDocument", record.documentID,
                     {{"Title", record.title}, {"FileType", "PDF"}, {"FileExtension", "pdf"},
                      {"LatestPublishedVersionId", record.versionID}, {"LastModifiedDate", "2026-01-01T00:00:00.000Z"}});
    server.putRecordContent("fileVersion", record.versionID, "VersionData", "%PDF-1.4 minutes", "application/pdf");

    const auto replies = post({{"action", "downloadFile"}, {"data", {{"recordId", record.documentID}}}});
    ASSERT_EQ(nativeeventtest::overlays(*screen).size(), 1u);
    // The overlay starts to finish once the file is in.
    ASSERT_TRUE(testsupport::waitUntil([&] {
        const auto overlays = nativeeventtest::overlays(*screen);
        return overlays.size() == 1 && overlays[0]->activityIndicator()->alpha == 0;
    }));
    testsupport::advance(1);
    testsupport::pump();
    const auto preview = nativeeventtest::topPreview(*screen);
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(preview->currentPreviewItem());
    EXPECT_EQ(platform::readFile(preview->currentPreviewItem()->filePath()), platform::dataFromString("%PDF-1.4 minutes"));
    const auto dump = platform::ui::ScreenDump::render();
    EXPECT_NE(dump.find("PreviewView item=\"" + record.fileName() + "\""), std::string::npos) << dump;
    // The record and its content, both as the signed-in user.
    std::size_t recordRequests = 0;
    for (const auto& request : server.requests()) {
        if (request.path.find("/records/") == std::string::npos) continue;
        ++recordRequests;
        EXPECT_TRUE(request.header("Authorization")) << request.path;
    }
    EXPECT_EQ(recordRequests, 2u);
    EXPECT_EQ(replies.count(), 0u);

    ASSERT_TRUE(platform::ui::ScreenDump::tap("Done"));
    testsupport::advance(1);
    testsupport::pump();
    EXPECT_EQ(replies.only().value, (Json{{"message", "Success"}}));
    EXPECT_TRUE(coordinator->handlers().empty());
}

} // namespace
