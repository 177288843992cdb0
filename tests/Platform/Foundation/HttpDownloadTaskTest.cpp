#include "Platform/Foundation/FileManager.hpp"
#include "Platform/Foundation/HttpSession.hpp"

#include "tests/support/LoopbackHttpsServer.hpp"
#include "tests/support/TestSupport.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>

using platform::Error;
using platform::HttpDownloadDestination;
using platform::HttpRequest;
using platform::HttpResponse;
using platform::HttpSession;
namespace URLError = platform::URLError;

namespace {

constexpr std::string_view kHost = "https://community.example.test";

/// The byte at `offset` of every generated body.
char bodyByte(std::size_t offset) { return static_cast<char>('a' + offset % 26); }

std::string generatedBody(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) body[i] = bodyByte(i);
    return body;
}

struct DownloadOutcome {
    std::mutex mutex;
    int calls = 0;
    std::optional<std::filesystem::path> file;
    std::optional<HttpResponse> response;
    std::optional<Error> error;

    platform::HttpDownloadCompletion completion() {
        return [this](std::optional<std::filesystem::path> path, std::optional<HttpResponse> answer,
                      std::optional<Error> failure) {
            std::lock_guard lock(mutex);
            ++calls;
            file = std::move(path);
            response = std::move(answer);
            error = std::move(failure);
        };
    }
    int callCount() {
        std::lock_guard lock(mutex);
        return calls;
    }
};

class HttpDownloadTaskTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = platform::Sandbox::temporaryDirectory() / "downloads";
        std::filesystem::create_directories(folder);
        auto& http = server.server();
        // /length/<n>: n bytes with their Content-Length.
        http.Get(R"(/length/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(generatedBody(std::stoul(req.matches[1])), "application/octet-stream");
        });
        // /stream/<n>: n bytes in chunks, the length never announced.
        http.Get(R"(/stream/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            const std::size_t size = std::stoul(req.matches[1]);
            res.set_chunked_content_provider("application/octet-stream",
                                             [size](std::size_t offset, httplib::DataSink& sink) {
                                                 if (offset >= size) {
                                                     sink.done();
                                                     return true;
                                                 }
                                                 const auto chunk = std::min<std::size_t>(size - offset, 8192);
                                                 std::string bytes(chunk, '\0');
                                                 for (std::size_t i = 0; i < chunk; ++i) bytes[i] = bodyByte(offset + i);
                                                 return sink.write(bytes.data(), bytes.size());
                                             });
        });
        http.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/length/10");
            res.set_content(std::string(5000, 'r'), "text/plain");
        });
        http.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            server.waitForRelease();
            res.set_content("late", "text/plain");
        });
        server.routeHost("community.example.test");
    }

    void TearDown() override { server.releaseWaiters(); }

    std::shared_ptr<platform::HttpDataTask> start(DownloadOutcome& outcome, std::string_view path,
                                                  std::uint64_t maximumBytes) {
        auto url = platform::Url::parse(std::string(kHost) + std::string(path));
        auto task = HttpSession::shared()->downloadTask(HttpRequest(*url), HttpDownloadDestination{folder, maximumBytes},
                                                        outcome.completion());
        task->resume();
        return task;
    }

    void download(DownloadOutcome& outcome, std::string_view path, std::uint64_t maximumBytes) {
        start(outcome, path, maximumBytes);
        ASSERT_TRUE(testsupport::waitUntil([&] { return outcome.callCount() > 0; })) << path;
    }

    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
        return names;
    }

    testsupport::LoopbackHttpsServer server;
    std::filesystem::path folder;
};

TEST_F(HttpDownloadTaskTest, BodiesUpToTheLimitArriveWholeInAFileOfTheFolder) {
    const struct {
        const char* name;
        std::string path;
        std::size_t size;
    } cases[] = {
        {"announced length", "/length/300000", 300000},
        {"streamed in chunks", "/stream/300000", 300000},
        {"exactly the limit", "/stream/1000", 1000},
        {"empty", "/length/0", 0},
        {"after a redirect: the final body only", "/moved", 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadOutcome outcome;
        download(outcome, c.path, c.size == 1000 ? 1000 : 1'000'000);
        ASSERT_FALSE(outcome.error) << outcome.error->localizedDescription();
        ASSERT_TRUE(outcome.file);
        ASSERT_TRUE(outcome.response);
        EXPECT_EQ(outcome.response->statusCode(), 200);
        EXPECT_EQ(outcome.file->parent_path(), folder);
        const auto bytes = platform::readFile(*outcome.file);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(std::string(bytes->begin(), bytes->end()), generatedBody(c.size));
        EXPECT_EQ(folderNames(), std::vector<std::string>{outcome.file->filename().string()});
        std::filesystem::remove(*outcome.file);
    }
}

TEST_F(HttpDownloadTaskTest, FailuresLeaveNoFileBehind) {
    const struct {
        const char* name;
        std::string path;
        std::uint64_t maximumBytes;
        long code;
    } cases[] = {
        {"announced length over the limit", "/length/300001", 300000, URLError::dataLengthExceedsMaximum},
        {"streamed body over the limit", "/stream/300001", 300000, URLError::dataLengthExceedsMaximum},
        {"no room at all", "/stream/1", 0, URLError::dataLengthExceedsMaximum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadOutcome outcome;
        download(outcome, c.path, c.maximumBytes);
        EXPECT_EQ(outcome.callCount(), 1);
        EXPECT_FALSE(outcome.file);
        EXPECT_FALSE(outcome.response);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->domain, platform::kURLErrorDomain);
        EXPECT_EQ(outcome.error->code, c.code);
        EXPECT_TRUE(folderNames().empty());
    }

    // A folder that is not there: no file can be made.
    folder /= "missing";
    DownloadOutcome missing;
    download(missing, "/length/10", 100);
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->code, URLError::cannotCreateFile);
}

TEST_F(HttpDownloadTaskTest, CancelUnderWayRemovesTheFile) {
    DownloadOutcome outcome;
    auto task = start(outcome, "/slow", 100);
    ASSERT_TRUE(testsupport::waitUntil([&] { return server.requestCount() == 1; }));
    EXPECT_EQ(folderNames().size(), 1u); // the body's file, made as the request went out
    task->cancel();
    ASSERT_TRUE(testsupport::waitUntil([&] { return outcome.callCount() > 0 && folderNames().empty(); }));
    server.releaseWaiters();
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, URLError::cancelled);
    EXPECT_FALSE(outcome.file);

    // The session goes on: a later download arrives.
    DownloadOutcome later;
    download(later, "/length/4", 100);
    ASSERT_TRUE(later.file);
    EXPECT_TRUE(folderNames().size() == 1u);
}

} // namespace
