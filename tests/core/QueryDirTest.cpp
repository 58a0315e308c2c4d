#include "shared/QueryDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/DirectoryListing.h"
#include "platform/Program.h"
#include "tests/support/Files.h"

namespace {

using lum::kAttrDirectory;
using lum::test::PathOf;
using lum::test::WriteBytes;

const std::string kSep(1, lum::kNativeSeparator);

// A folder with one file, one Czech-named file and one sub-folder that holds
// one file.
class QueryDirTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(folder_.path("a.xml"), "<a/>");
    WriteBytes(folder_.path("účet.txt"), "x");
    std::filesystem::create_directory(PathOf(folder_.path("podsložka")));
    WriteBytes(folder_.path("podsložka") + kSep + "b.xml", "<b/>");
  }

  lum::test::TempFolder folder_;
};

TEST_F(QueryDirTest, NamesAnExistingFile) { EXPECT_EQ(lum::QueryDir(folder_.path("a.xml"), 0), "a.xml"); }

TEST_F(QueryDirTest, NamesAFolderOnlyWithTheFolderAttribute) {
  EXPECT_EQ(lum::QueryDir(folder_.path("podsložka"), kAttrDirectory), "podsložka");
  EXPECT_EQ(lum::QueryDir(folder_.path("podsložka"), 0), "");
}

TEST_F(QueryDirTest, WildcardsMatchNamesWithCzechLetters) {
  EXPECT_EQ(lum::QueryDir(folder_.path("*.txt"), 0), "účet.txt");
  EXPECT_EQ(lum::QueryDir(folder_.path("úče?.*"), 0), "účet.txt");
  EXPECT_EQ(lum::QueryDir(folder_.path("podsložka") + kSep + "*.xml", 0), "b.xml");
}

TEST_F(QueryDirTest, TrailingSeparatorListsTheFolder) {
  const std::string sub = folder_.path("podsložka") + kSep;
  // The listing starts with the folder itself.
  EXPECT_EQ(lum::QueryDir(sub, kAttrDirectory), ".");
  EXPECT_EQ(lum::QueryDir(sub, 0), "b.xml");
}

TEST_F(QueryDirTest, NothingMatchingGivesEmptyText) {
  EXPECT_EQ(lum::QueryDir(folder_.path("chybí.xml"), kAttrDirectory), "");
  EXPECT_EQ(lum::QueryDir(folder_.path("*.pdf"), 0), "");
  EXPECT_EQ(lum::QueryDir(folder_.path("není") + kSep + "*.xml", kAttrDirectory), "");
  EXPECT_EQ(lum::QueryDir("", kAttrDirectory), "");
}

}  // namespace
