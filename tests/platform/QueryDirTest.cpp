#include "platform/QueryDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "paths/Paths.h"
#include "platform/DirectoryListing.h"
#include "tests/support/Files.h"

namespace {

using lum::kAttrDirectory;

TEST(QueryDir, NamesWhatThePathNamesOrNothing) {
  lum::test::TempFolder folder;
  lum::test::WriteBytes(folder.path("účet.txt"), "x");
  std::filesystem::create_directory(lum::test::PathOf(folder.path("podsložka")));
  const std::string sub = folder.path("podsložka") + lum::kNativeSeparator;

  EXPECT_EQ(lum::QueryDir(folder.path("účet.txt"), 0), "účet.txt");
  // A folder only with the folder attribute; a trailing separator names the
  // folder itself.
  EXPECT_EQ(lum::QueryDir(folder.path("podsložka"), kAttrDirectory), "podsložka");
  EXPECT_EQ(lum::QueryDir(folder.path("podsložka"), 0), "");
  EXPECT_EQ(lum::QueryDir(sub, kAttrDirectory), ".");
  EXPECT_EQ(lum::QueryDir(sub, 0), "");
  EXPECT_EQ(lum::QueryDir(folder.path("není") + lum::kNativeSeparator + "b.xml", kAttrDirectory), "");
  EXPECT_EQ(lum::QueryDir("", kAttrDirectory), "");
}

}  // namespace
