#include "VellicorApp/Community/FileFetcher.hpp"
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

class FileFetcherTest : public veltranetest::AccountFixture {
protected:
    void SetUp() override {
        AccountFixture::SetUp();
        context = apptest::installContext(apptest::sampleResources());
        ASSERT_NE(signIn(), nullptr);
    }
    void TearDown() override {
        AccountFixture::TearDown();
        AppContext::resetForTesting();
    }

    void putDocument(const std::string& title, const std::string& extension, const std::string& bytes) {
        server.putRecord("fileDocument", kDocument,
                         {{"Title", title}, {"FileType", "PDF"}, {"FileExtension", extension},
                          {"LatestPublishedVersionId", kVersion}, {"LastModifiedDate", "2026-01-01T00:00:00.000Z"}});
        server.putRecordContent("fileVersion", kVersion, "VersionData", bytes, "application/pdf");
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

TEST_F(FileFetcherTest, DownloadsOnceThenServesTheCachedFile) {
    putDocument("Q1/Q2 report", "pdf", "%PDF-1.4 body");
    const auto fetcher = FilesFetcher::create();
    FetchOutcome first;
    fetcher->fetchFile(std::string(kDocument).substr(0, 15), std::nullopt, first.completion());
    ASSERT_TRUE(first.wait());
    ASSERT_TRUE(first.url) << (first.error ? localizedDescription(*first.error) : "");
    EXPECT_EQ(first.url->lastPathComponent(), std::string("Q1_Q2 report_") + kVersion + ".pdf");
    EXPECT_TRUE(isInside(first.url->filePath(), platform::Sandbox::temporaryDirectory()));
    EXPECT_EQ(platform::readFile(first.url->filePath()), platform::dataFromString("%PDF-1.4 body"));
    EXPECT_EQ(downloads(), 1u);

    FetchOutcome second;
    fetcher->fetchFile(kDocument, std::nullopt, second.completion());
    ASSERT_TRUE(second.wait());
    EXPECT_EQ(second.url, first.url);
    EXPECT_EQ(downloads(), 1u);
}

TEST_F(FileFetcherTest, ACacheHitOpensTheFileWithoutReadingIt) {
    putDocument("report", "pdf", "%PDF-1.4 body");
    const auto fetcher = FilesFetcher::create();
    FetchOutcome first;
    fetcher->fetchFile(kDocument, std::nullopt, first.completion());
    ASSERT_TRUE(first.wait());
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
    fetcher->fetchFile(kDocument, std::nullopt, hit.completion());
    ASSERT_TRUE(hit.wait());
    EXPECT_EQ(hit.url, first.url);
    EXPECT_EQ(downloads(), 1u);
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(operations, std::vector<Operation>{Operation::open});
        refuseOpening = true;
    }

    // A file that does not open is no hit: the content is fetched again.
    FetchOutcome miss;
    fetcher->fetchFile(kDocument, std::nullopt, miss.completion());
    ASSERT_TRUE(miss.wait());
    platform::FileManager::defaultManager().setFailureInjector(nullptr);
    EXPECT_EQ(miss.url, first.url);
    EXPECT_EQ(downloads(), 2u);
}

TEST_F(FileFetcherTest, NamesFromTheServerStayInTheCacheFolder) {
    putDocument("../../a/../b", "/../../../escaped", "bytes");
    const auto fetcher = FilesFetcher::create();
    FetchOutcome outcome;
    fetcher->fetchFile(kDocument, std::nullopt, outcome.completion());
    ASSERT_TRUE(outcome.wait());
    ASSERT_TRUE(outcome.url);
    EXPECT_TRUE(isInside(outcome.url->filePath(), platform::Sandbox::temporaryDirectory()))
        << outcome.url->filePath();

    FileCache cache(platform::FileManager::defaultManager());
    const FileModel hostile{"..", "..", "", "../..", std::string("../../../etc"), {}, {}, ""};
    EXPECT_TRUE(isInside(cache.dataPath(hostile).filePath(), platform::Sandbox::temporaryDirectory()))
        << cache.dataPath(hostile).filePath();
}

TEST_F(FileFetcherTest, ErrorsEndTheFetchOnce) {
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
        const auto fetcher = FilesFetcher::create();
        FetchOutcome outcome;
        fetcher->fetchFile(c.id, std::nullopt, outcome.completion());
        ASSERT_TRUE(outcome.wait()) << c.name;
        EXPECT_FALSE(outcome.url) << c.name;
        ASSERT_TRUE(outcome.error) << c.name;
        EXPECT_EQ(outcome.error->kind(), c.expected) << c.name;
        if (c.expected == ParseableError::Case::legacy) {
            EXPECT_EQ(outcome.error->legacyError()->code, 404);
        }
        EXPECT_EQ(outcome.calls, 1) << c.name;
    }
}

TEST_F(FileFetcherTest, RequestPathsTakeOnlyRecordIDsAndNames) {
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

TEST_F(FileFetcherTest, AnIDThatIsNoRecordIDMakesNoRequest) {
    const auto before = server.requests().size();
    for (const std::string id : {"091/../../../../me", "091000000000001%2F", "kV0000000000001/..",
                                 "091000000000\n01AAA"}) {
        SCOPED_TRACE(id);
        const auto fetcher = FilesFetcher::create();
        FetchOutcome outcome;
        fetcher->fetchFile(id, std::nullopt, outcome.completion());
        ASSERT_TRUE(outcome.wait());
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->kind(), ParseableError::Case::invalidRequestID);
    }
    EXPECT_EQ(server.requests().size(), before);
}

TEST(FileModel, ParsesEachKind) {
    const auto attachment = FileModel::parseObject({{"Id", "00V000000000001AAA"},
                                                    {"Name", "report.final.pdf"},
                                                    {"ContentType", "application/pdf"},
                                                    {"LastModifiedDate", "d"}});
    ASSERT_TRUE(attachment);
    EXPECT_EQ(attachment->title, "report.final");
    EXPECT_EQ(attachment->fileExtension, "pdf");

    const auto bare = FileModel::parseObject({{"Id", "00v000000000001AAA"}, {"Name", "README"}, {"LastModifiedDate", "d"}});
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->title, "README");
    EXPECT_EQ(bare->fileExtension, "README");
    EXPECT_EQ(bare->type, "");

    const auto article = FileModel::parseObject(
        {{"Id", "kv0000000000001AAA"}, {"Guide__Name__f", "guide.pdf"}, {"Guide__ContentType__f", "application/pdf"},
         {"LastModifiedDate", "d"}},
        platform::Json{{"fieldID", "Guide__Body__f"}, {"articleType", "FAQ__kav"}});
    ASSERT_TRUE(article);
    EXPECT_EQ(article->fieldID, "Guide");
    EXPECT_EQ(article->fileExtension, "pdf");

    EXPECT_EQ(FileModel::parseObject(platform::Json::object()).error().kind(), ParseableError::Case::unknownContentType);
    EXPECT_EQ(FileModel::parseObject({{"Id", "094000000000001AAA"}, {"Name", "x"}}).error().kind(),
              ParseableError::Case::missingRequiredAttributes);
    EXPECT_EQ(entityType("091000000000001AA"), EntityType::unknown);

    // A NUL in a title becomes "_", as "/" does; the rest of the title stays.
    const FileModel withNul{"091000000000001AAA", std::string("a\0b/c d", 7), "PDF", "pdf", "092000000000001AAA",
                            {}, {}, "d"};
    EXPECT_EQ(withNul.fileName(), "a_b_c d_092000000000001AAA");
    EXPECT_EQ(entityType("KV0000000000001AAA"), EntityType::articleVersion);
}

} // namespace
