#include "VellicorApp/Community/FileFetcher.hpp"

#include "tests/Platform/SDKs/VeltraneAccountFixture.hpp"
#include "tests/Shell/AppTestSupport.hpp"

#include <gtest/gtest.h>

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
        // The fetcher takes the context's network service, which moves to the
        // signed-in user's REST client here.
        AppContext::updateWithCurrentUser();
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
    EXPECT_EQ(entityType("KV0000000000001AAA"), EntityType::articleVersion);
}

} // namespace
