#include "VellicorApp/Community/FilesFetcher.hpp"
#include "VellicorApp/Community/FilesRequestFactory.hpp"
#include "VellicorApp/Shell/AppConstants.hpp"

#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

using namespace vellicor;

namespace {

constexpr const char* kDocument = "091000000000001AAA";
constexpr const char* kVersion = "092000000000001AAA";

struct FetchOutcome {
    std::mutex mutex;
    int calls = 0;
    std::optional<platform::Url> url;
    std::optional<ParseableError> error;

    FilesFetcher::Completion completion() {
        return [this](std::optional<platform::Url> fileURL, std::optional<ParseableError> fetchError) {
            std::lock_guard lock(mutex);
            ++calls;
            url = std::move(fileURL);
            error = std::move(fetchError);
        };
    }
    bool wait() {
        return testsupport::waitUntil([this] {
            std::lock_guard lock(mutex);
            return calls > 0;
        });
    }
};

bool isInside(const std::filesystem::path& file, const std::filesystem::path& folder) {
    return std::filesystem::weakly_canonical(file).parent_path() == std::filesystem::weakly_canonical(folder);
}

/// The community server and a running context; nobody signed in.
class FilesFetcherGuestTest : public veltranetest::AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        context = apptest::installContext(apptest::sampleResources());
    }
    void TearDown() override {
        AccountFixture::TearDown();
        AppContext::resetForTesting();
    }

    void putDocument(const std::string& title, const std::string& extension, const std::string& bytes,
                     bool guestReadable = false) {
        server.putRecord("fileDocument", kDocument,
                         {{"Title", title}, {"FileType", "PDF"}, {"FileExtension", extension},
                          {"LatestPublishedVersionId", kVersion}, {"LastModifiedDate", "2026-01-01T00:00:00.000Z"}},
                         guestReadable);
        server.putRecordContent("fileVersion", kVersion, "VersionData", bytes, "application/pdf", guestReadable);
    }

    /// Fetches a record with a fetcher of its own and waits for the answer.
    void fetch(FetchOutcome& outcome, const std::string& id, const std::optional<platform::Json>& attributes) {
        const auto fetcher = FilesFetcher::create();
        fetcher->fetchFile(id, attributes, outcome.completion());
        ASSERT_TRUE(outcome.wait()) << id;
    }

    std::vector<std::string> errorLines() const {
        std::vector<std::string> lines;
        for (const auto& text : apptest::appLogTexts("ERROR")) {
            if (text.starts_with("FilesFetcher: ")) lines.push_back(text);
        }
        return lines;
    }

    std::size_t downloads() {
        std::size_t count = 0;
        for (const auto& request : server.requests()) {
            if (request.path.ends_with("/VersionData")) ++count;
        }
        return count;
    }

    std::shared_ptr<Context> context;
};

/// The same, signed in.
class FilesFetcherTest : public FilesFetcherGuestTest {
protected:
    void SetUp() override {
        FilesFetcherGuestTest::SetUp();
        ASSERT_NE(signIn(), nullptr);
        // The fetcher takes the context's network service, which moves to the
        // signed-in user's REST client here.
        AppContext::updateWithCurrentUser();
    }
};

TEST_F(FilesFetcherGuestTest, AGuestFetchesFromTheCommunityHostWithoutCredentials) {
    putDocument("guide", "pdf", "guest bytes", true);
    FetchOutcome outcome;
    fetch(outcome, kDocument, std::nullopt);
    ASSERT_TRUE(outcome.url) << (outcome.error ? localizedDescription(*outcome.error) : "");
    EXPECT_EQ(platform::readFile(outcome.url->filePath()), platform::dataFromString("guest bytes"));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const auto& request : requests) {
        EXPECT_TRUE(request.path.starts_with("/vapi/data/")) << request.path;
        EXPECT_FALSE(request.header("Authorization")) << request.path;
    }
}

TEST_F(FilesFetcherGuestTest, AGuestCannotReadAPrivateFile) {
    putDocument("private", "pdf", "secret");
    FetchOutcome outcome;
    fetch(outcome, kDocument, std::nullopt);
    EXPECT_FALSE(outcome.url);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->kind(), ParseableError::Case::legacy);
    ASSERT_EQ(errorLines().size(), 1u);
    EXPECT_TRUE(errorLines()[0].starts_with("FilesFetcher: Failed to retrieve file data with error: ")) << errorLines()[0];
}

TEST_F(FilesFetcherTest, DownloadsOnceThenServesTheCachedFile) {
    putDocument("Q1/Q2 report", "pdf", "%PDF-1.4 body");
    FetchOutcome first;
    fetch(first, std::string(kDocument).substr(0, 15), std::nullopt);
    ASSERT_TRUE(first.url) << (first.error ? localizedDescription(*first.error) : "");
    EXPECT_EQ(first.url->lastPathComponent(), std::string("Q1_Q2 report_") + kVersion + ".pdf");
    EXPECT_TRUE(isInside(first.url->filePath(), platform::Sandbox::temporaryDirectory()));
    EXPECT_EQ(platform::readFile(first.url->filePath()), platform::dataFromString("%PDF-1.4 body"));
    EXPECT_EQ(downloads(), 1u);

    FetchOutcome second;
    fetch(second, kDocument, std::nullopt);
    EXPECT_EQ(second.url, first.url);
    EXPECT_EQ(downloads(), 1u);
}

TEST_F(FilesFetcherTest, FetchesAnArticleBodyAndAnAttachment) {
    server.putRecord("articleVersion", "kV0000000000001AAA",
                     {{"ArticleType", "FAQ__kav"}, {"LastModifiedDate", "d"}});
    server.putRecord("FAQ__kav", "kV0000000000001AAA",
                     {{"Guide__Name__f", "guide.pdf"}, {"Guide__ContentType__f", "application/pdf"},
                      {"LastModifiedDate", "d"}});
    server.putRecordContent("FAQ__kav", "kV0000000000001AAA", "Guide__Body__f", "article bytes", "application/pdf");
    server.putRecord("attachment", "00V000000000001AAA",
                     {{"Name", "notes.final.txt"}, {"ContentType", "text/plain"}, {"LastModifiedDate", "d"}});
    server.putRecordContent("attachment", "00V000000000001AAA", "Body", "attachment bytes", "text/plain");
    struct Case {
        const char* name;
        std::string id;
        std::optional<platform::Json> attributes;
        std::string fileName;
        std::string bytes;
    };
    const Case cases[] = {
        {"article body", "kV0000000000001AAA", platform::Json{{"fieldId", "Guide"}}, "guide_kV0000000000001AAA.pdf",
         "article bytes"},
        {"attachment", "00V000000000001AAA", std::nullopt, "notes.final_00V000000000001AAA.plain", "attachment bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FetchOutcome outcome;
        fetch(outcome, c.id, c.attributes);
        ASSERT_TRUE(outcome.url) << (outcome.error ? localizedDescription(*outcome.error) : "");
        EXPECT_EQ(outcome.url->lastPathComponent(), c.fileName);
        EXPECT_EQ(platform::readFile(outcome.url->filePath()), platform::dataFromString(c.bytes));
    }
    EXPECT_TRUE(errorLines().empty());
}

TEST_F(FilesFetcherTest, AFailedDownloadOrSaveEndsWithItsErrorAndLogLine) {
    struct Case {
        const char* name;
        bool contentMissing;
        bool saveFails;
        std::string logPrefix;
    };
    const Case cases[] = {
        {"download", true, false, "FilesFetcher: Failed to retrieve file content with error: "},
        {"save", false, true, "FilesFetcher: Failed to save file data with error: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.putRecord("fileDocument", kDocument,
                         {{"Title", c.name}, {"FileType", "PDF"}, {"FileExtension", "pdf"},
                          {"LatestPublishedVersionId", kVersion}, {"LastModifiedDate", "d"}});
        if (!c.contentMissing) server.putRecordContent("fileVersion", kVersion, "VersionData", "bytes", "application/pdf");
        std::optional<apptest::FailingFileOperation> failing;
        if (c.saveFails) failing.emplace(platform::FileManager::Operation::write);
        const auto before = errorLines().size();

        FetchOutcome outcome;
        fetch(outcome, kDocument, std::nullopt);
        failing.reset();
        EXPECT_FALSE(outcome.url);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->kind(), ParseableError::Case::legacy);
        EXPECT_EQ(outcome.calls, 1);
        const auto lines = errorLines();
        ASSERT_EQ(lines.size(), before + 1);
        EXPECT_TRUE(lines.back().starts_with(c.logPrefix)) << lines.back();
        FileCache cache(platform::FileManager::defaultManager());
        EXPECT_FALSE(cache.fileExists(FileModel{kDocument, c.name, "PDF", "pdf", kVersion, {}, {}, "d"}));
    }
}

TEST_F(FilesFetcherTest, AFetcherReleasedBeforeItsAnswerEndsSilently) {
    putDocument("report", "pdf", "bytes");
    auto fetcher = FilesFetcher::create();
    FetchOutcome outcome;
    fetcher->fetchFile(kDocument, std::nullopt, outcome.completion());
    fetcher.reset();
    ASSERT_TRUE(testsupport::waitUntil([this] { return server.requestCount() > 0; }));
    ASSERT_TRUE(testsupport::waitUntil([] { return platform::BackgroundActivity::inFlight() == 0; }));
    testsupport::pump();
    EXPECT_EQ(outcome.calls, 0);
    EXPECT_EQ(downloads(), 0u);
}

TEST_F(FilesFetcherTest, ACacheHitOpensTheFileWithoutReadingIt) {
    putDocument("report", "pdf", "%PDF-1.4 body");
    FetchOutcome first;
    fetch(first, kDocument, std::nullopt);
    ASSERT_TRUE(first.url);

    using Operation = platform::FileManager::Operation;
    std::mutex mutex;
    std::vector<Operation> operations;
    bool refuseOpening = false;
    platform::FileManager::defaultManager().setFailureInjector(
        [&](Operation operation, const std::filesystem::path& path) -> std::optional<platform::Error> {
            std::lock_guard lock(mutex);
            if (path != first.url->filePath()) return std::nullopt;
            operations.push_back(operation);
            if (refuseOpening && operation == Operation::open) return platform::Error("NSCocoaErrorDomain", 257);
            return std::nullopt;
        });
    FetchOutcome hit;
    fetch(hit, kDocument, std::nullopt);
    EXPECT_EQ(hit.url, first.url);
    EXPECT_EQ(downloads(), 1u);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(operations, std::vector<Operation>{Operation::open});
        refuseOpening = true;
    }

    // A file that does not open is no hit: the content is fetched again.
    FetchOutcome miss;
    fetch(miss, kDocument, std::nullopt);
    platform::FileManager::defaultManager().setFailureInjector(nullptr);
    EXPECT_EQ(miss.url, first.url);
    EXPECT_EQ(downloads(), 2u);
}

TEST_F(FilesFetcherTest, NamesFromTheServerStayInTheCacheFolder) {
    putDocument("../../a/../b", "/../../../escaped", "bytes");
    FetchOutcome outcome;
    fetch(outcome, kDocument, std::nullopt);
    ASSERT_TRUE(outcome.url);
    EXPECT_TRUE(isInside(outcome.url->filePath(), platform::Sandbox::temporaryDirectory()))
        << outcome.url->filePath();

    FileCache cache(platform::FileManager::defaultManager());
    const FileModel hostile{"..", "..", "", "../..", std::string("../../../etc"), {}, {}, ""};
    EXPECT_TRUE(isInside(cache.dataPath(hostile).filePath(), platform::Sandbox::temporaryDirectory()))
        << cache.dataPath(hostile).filePath();
}

TEST_F(FilesFetcherTest, ErrorsEndTheFetchOnce) {
    struct Case {
        const char* name;
        std::string id;
        ParseableError::Case expected;
    };
    const Case cases[] = {
        {"17 characters", "09100000000000AAA", ParseableError::Case::invalidRequestID},
        {"contact", "093000000000001AAA", ParseableError::Case::invalidRequestID},
        {"missing record", "091000000000009AAA", ParseableError::Case::legacy},
        {"knowledge article without field", "kV0000000000001AAA", ParseableError::Case::missingRequiredAttributes},
    };
    server.putRecord("articleVersion", "kV0000000000001AAA", {{"ArticleType", "FAQ__kav"}});
    for (const auto& c : cases) {
        FetchOutcome outcome;
        fetch(outcome, c.id, std::nullopt);
        EXPECT_FALSE(outcome.url) << c.name;
        ASSERT_TRUE(outcome.error) << c.name;
        EXPECT_EQ(outcome.error->kind(), c.expected) << c.name;
        if (c.expected == ParseableError::Case::legacy) {
            EXPECT_EQ(outcome.error->legacyError()->code, 404);
        }
        EXPECT_EQ(outcome.calls, 1) << c.name;
    }
}

TEST_F(FilesFetcherTest, RequestPathsTakeOnlyRecordIDsAndNames) {
    using Factory = FilesRequestFactory;
    using Request = std::optional<platform::veltrane::VQRestRequest>;
    const std::string records = "/" + RestAPI::version() + "/records/";
    struct Case {
        const char* name;
        std::function<Request()> make;
        std::optional<std::string> path; // none: no request
    };
    const Case cases[] = {
        {"file metadata", [] { return Factory::contentMetadataRequest("091000000000001AAA", true); },
         records + "fileDocument/091000000000001AAA"},
        {"version metadata", [] { return Factory::contentMetadataRequest("092000000000001AAA", true); },
         records + "fileVersion/092000000000001AAA"},
        {"guest metadata goes to the community host",
         [] { return Factory::contentMetadataRequest("091000000000001AAA", false); },
         std::string("https://") + veltranetest::kHost + "/vapi/data" + records + "fileDocument/091000000000001AAA"},
        {"version content", [] { return Factory::contentDownloadRequest("092000000000001AAA", true); },
         records + "fileVersion/092000000000001AAA/VersionData"},
        {"unknown prefix", [] { return Factory::downloadRequest("00P000000000001AAA", true); }, std::nullopt},
        {"attachment body", [] { return Factory::downloadRequest("00V000000000001AAA", true); },
         records + "attachment/00V000000000001AAA/Body"},
        {"document body", [] { return Factory::downloadRequest("094000000000001AAA", true); },
         records + "document/094000000000001AAA/Body"},
        {"article metadata",
         [] { return Factory::knowledgeArticleMetadataRequest("FAQ__kav", "kV0000000000001AAA", true); },
         records + "FAQ__kav/kV0000000000001AAA"},
        {"article body",
         [] { return Factory::knowledgeArticleDownloadRequest("FAQ__kav", "kV0000000000001AAA", "Guide", true); },
         records + "FAQ__kav/kV0000000000001AAA/Guide__Body__f"},
        // Hostile IDs and names make no request at all.
        {"dot segments in an 18-character id",
         [] { return Factory::contentMetadataRequest("091/../../../../me", true); }, std::nullopt},
        {"encoded slash in the id", [] { return Factory::contentDownloadRequest("092%2F0000000001AA", true); },
         std::nullopt},
        {"query in the id", [] { return Factory::downloadRequest("094000000000001?A=", true); }, std::nullopt},
        {"non-ASCII id", [] { return Factory::contentMetadataRequest("091000000000001A\xC3\xA9", true); },
         std::nullopt},
        {"article type with a path",
         [] { return Factory::knowledgeArticleMetadataRequest("../../me", "kV0000000000001AAA", true); },
         std::nullopt},
        {"empty article type", [] { return Factory::knowledgeArticleMetadataRequest("", "kV0000000000001AAA", true); },
         std::nullopt},
        {"field with a path",
         [] { return Factory::knowledgeArticleDownloadRequest("FAQ__kav", "kV0000000000001AAA", "a/../b", true); },
         std::nullopt},
        {"field with a query",
         [] { return Factory::knowledgeArticleDownloadRequest("FAQ__kav", "kV0000000000001AAA", "Guide?x=1", true); },
         std::nullopt},
        {"article id with a path",
         [] { return Factory::knowledgeArticleDownloadRequest("FAQ__kav", "kV000/../../../AAA", "Guide", true); },
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto request = c.make();
        ASSERT_EQ(request.has_value(), c.path.has_value());
        if (request) {
            EXPECT_EQ(request->path, *c.path);
        }
    }
}

TEST_F(FilesFetcherTest, AnIDThatIsNoRecordIDMakesNoRequest) {
    const auto before = server.requests().size();
    for (const std::string id : {"091/../../../../me", "091000000000001%2F", "kV0000000000001/..",
                                 "091000000000\n01AAA"}) {
        SCOPED_TRACE(id);
        FetchOutcome outcome;
        fetch(outcome, id, std::nullopt);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->kind(), ParseableError::Case::invalidRequestID);
    }
    EXPECT_EQ(server.requests().size(), before);
}

} // namespace
