#include "platform/QueryDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/DirectoryListing.h"
#include "paths/Paths.h"
#include "platform/Program.h"
#include "tests/support/Files.h"

namespace {

using lum::kAttrDirectory;

TEST(QueryDir, NamesTheFirstMatchOrNothing) {
  lum::test::TempFolder folder;
  const std::string sub = folder.path("podsložka") + lum::kNativeSeparator;
  lum::test::WriteBytes(folder.path("účet.txt"), "x");
  std::filesystem::create_directory(lum::test::PathOf(folder.path("podsložka")));
  lum::test::WriteBytes(sub + "b.xml", "<b/>");

  EXPECT_EQ(lum::QueryDir(folder.path("účet.txt"), 0), "účet.txt");
  EXPECT_EQ(lum::QueryDir(folder.path("úče?.*"), 0), "účet.txt");
  EXPECT_EQ(lum::QueryDir(sub + "*.xml", 0), "b.xml");
  // A folder only with the folder attribute; a trailing separator lists the
  // folder, starting with the folder itself.
  EXPECT_EQ(lum::QueryDir(folder.path("podsložka"), kAttrDirectory), "podsložka");
  EXPECT_EQ(lum::QueryDir(folder.path("podsložka"), 0), "");
  EXPECT_EQ(lum::QueryDir(sub, kAttrDirectory), ".");
  EXPECT_EQ(lum::QueryDir(sub, 0), "b.xml");
  EXPECT_EQ(lum::QueryDir(folder.path("*.pdf"), 0), "");
  EXPECT_EQ(lum::QueryDir(folder.path("není") + lum::kNativeSeparator + "*.xml", kAttrDirectory), "");
  EXPECT_EQ(lum::QueryDir("", kAttrDirectory), "");
#ifndef _WIN32
  // A folder that sorts first is passed over for the file after it.
  EXPECT_EQ(lum::QueryDir(folder.path("*"), 0), "účet.txt");
  // Dot names are hidden: wildcards match them only when asked to.
  lum::test::WriteBytes(sub + ".skrytý.xml", "");
  EXPECT_EQ(lum::QueryDir(sub + "*.xml", 0), "b.xml");
  EXPECT_EQ(lum::QueryDir(sub + "*.xml", lum::kAttrHidden), ".skrytý.xml");
#endif
}

}  // namespace
