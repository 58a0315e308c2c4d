#include "paths/Paths.h"
#include "tests/support/Table.h"

#include <gtest/gtest.h>

#include <optional>

namespace lum::test {
namespace {

constexpr PathStyle W = PathStyle::Windows, P = PathStyle::Posix;

// A path: its folder part (nothing: it has none) and its file name.
struct SplitRow {
  const char* name;
  PathStyle style;
  std::string path;
  std::optional<std::string> directory;
  std::string fileName;
};

class SplitPathTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitPathTest, FolderAndFileName) {
  const SplitRow& row = GetParam();
  EXPECT_EQ(GetDirectoryPart(row.path, row.style), row.directory);
  EXPECT_EQ(GetFileNamePart(row.path, row.style), row.fileName);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Paths, SplitPathTest,
    testing::Values(
        SplitRow{"WindowsFolderAndFile", W, R"(C:\Data\report.old.xml)", R"(C:\Data)", "report.old.xml"},
        SplitRow{"WindowsDriveRoot", W, R"(C:\file.xml)", R"(C:\)", "file.xml"},
        SplitRow{"WindowsShare", W, R"(\\server\share\a.xml)", R"(\\server\share)", "a.xml"},
        SplitRow{"WindowsTwoCharacterFolder", W, R"(ab\c.xml)", R"(ab\)", "c.xml"},
        SplitRow{"WindowsColonEndsTheName", W, R"(a\b:c.xml)", "a", "c.xml"},
        SplitRow{"WindowsLeadingSeparator", W, R"(\a.xml)", "", "a.xml"},
        SplitRow{"WindowsDriveRelative", W, "C:file.xml", std::nullopt, "C:file.xml"},
        SplitRow{"WindowsTwoLettersInThreeBytes", W, R"(čd\x.xml)", R"(čd\)", "x.xml"},
        SplitRow{"WindowsSurrogatePairIsTwoUnits", W, "\xF0\x9D\x84\x9E\\x.xml", "\xF0\x9D\x84\x9E\\", "x.xml"},
        SplitRow{"PosixFolderAndFile", P, "/data/faktura.xml_LUM.XML", "/data", "faktura.xml_LUM.XML"},
        SplitRow{"PosixRootOnly", P, "/", "", ""},
        SplitRow{"PosixColonIsOrdinary", P, "a/b:c.xml", "a", "b:c.xml"},
        SplitRow{"PosixBareName", P, "file.xml", std::nullopt, "file.xml"},
        SplitRow{"PosixBackslashIsOrdinary", P, R"(d\f.xml)", std::nullopt, R"(d\f.xml)"},
        SplitRow{"PosixEmpty", P, "", std::nullopt, ""},
        SplitRow{"PosixOneLetterInTwoBytes", P, "é/x.xml", "é", "x.xml"}), RowName);
// clang-format on

struct JoinRow {
  const char* name;
  PathStyle style;
  std::string directory, fileName, joined;
};

class JoinPathTest : public testing::TestWithParam<JoinRow> {};

TEST_P(JoinPathTest, PutsOneSeparatorBetween) {
  EXPECT_EQ(JoinPath(GetParam().directory, GetParam().fileName, GetParam().style), GetParam().joined);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Paths, JoinPathTest,
    testing::Values(JoinRow{"WindowsSeparatorAdded", W, R"(C:\Data)", "a.xml", R"(C:\Data\a.xml)"},
                    JoinRow{"WindowsBothHaveOne", W, R"(C:\)", R"(\a.xml)", R"(C:\a.xml)"},
                    JoinRow{"WindowsOnlyOneDropped", W, R"(C:\Data)", R"(\\a.xml)", R"(C:\Data\\a.xml)"},
                    JoinRow{"PosixEmptyDirectory", P, "", "a.xml", "/a.xml"},
                    JoinRow{"PosixEmptyName", P, "/data", "", "/data/"},
                    JoinRow{"PosixBackslashIsOrdinary", P, R"(d\)", R"(\a)", R"(d\/\a)"}), RowName);
// clang-format on

// The folder that the system's file calls get for an entry of a path.
TEST(FolderForFileCalls, KeepsRootsAndNamesTheCurrentFolder) {
  const std::string sep(1, kNativeSeparator);
  EXPECT_EQ(FolderForFileCalls("f.xml"), ".");
  EXPECT_EQ(FolderForFileCalls(sep + "f.xml"), sep);
  EXPECT_EQ(FolderForFileCalls("a" + sep + "b" + sep + "f.xml"), "a" + sep + "b");
#ifdef _WIN32
  EXPECT_EQ(FolderForFileCalls(R"(C:\f.xml)"), R"(C:\)");
  EXPECT_EQ(FolderForFileCalls("C:f.xml"), "C:");
  EXPECT_EQ(FolderForFileCalls("a/f.xml"), "a");
#endif
}

}  // namespace
}  // namespace lum::test
