#include "VellicorApp/Community/EntityType.hpp"
#include "VellicorApp/Community/FileModel.hpp"

#include <gtest/gtest.h>

#include <string>

using namespace vellicor;

namespace {

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
