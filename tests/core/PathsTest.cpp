#include "shared/Paths.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using lum::PathStyle;

// One source path: how it splits, whether the folder part reports failure 5,
// and the target the reformat command writes for it.
struct SplitRow {
  const char* name;
  PathStyle style;
  std::string path;
  std::string directory;
  bool directoryFails;
  std::string fileName;
  std::string target;
};

void PrintTo(const SplitRow& row, std::ostream* os) { *os << row.name; }

class SplitPathTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitPathTest, DirectoryPart) {
  const SplitRow& row = GetParam();
  std::vector<int> reported;
  const std::string directory =
      lum::GetDirectoryPart(row.path, row.style, [&](const lum::Failure& failure) { reported.push_back(failure.number()); });
  EXPECT_EQ(directory, row.directory);
  EXPECT_EQ(reported, row.directoryFails ? std::vector<int>{lum::err::kInvalidCall} : std::vector<int>{});
}

TEST_P(SplitPathTest, DirectoryPartWithoutReporterStillReturns) {
  EXPECT_EQ(lum::GetDirectoryPart(GetParam().path, GetParam().style, {}), GetParam().directory);
}

TEST_P(SplitPathTest, FileNamePart) {
  EXPECT_EQ(lum::GetFileNamePart(GetParam().path, GetParam().style), GetParam().fileName);
}

TEST_P(SplitPathTest, TargetPath) { EXPECT_EQ(lum::TargetPathFor(GetParam().path, GetParam().style), GetParam().target); }

constexpr PathStyle W = PathStyle::Windows;
constexpr PathStyle P = PathStyle::Posix;

INSTANTIATE_TEST_SUITE_P(
    Windows, SplitPathTest,
    testing::Values(
        SplitRow{"FolderAndFile", W, R"(C:\Data\file.xml)", R"(C:\Data)", false, "file.xml", R"(C:\Data\file.xml_LUM.XML)"},
        SplitRow{"TwoDots", W, R"(C:\Data\report.old.xml)", R"(C:\Data)", false, "report.old.xml",
                 R"(C:\Data\report.old.xml_LUM.XML)"},
        SplitRow{"DriveRoot", W, R"(C:\file.xml)", R"(C:\)", false, "file.xml", R"(C:\file.xml_LUM.XML)"},
        SplitRow{"NetworkShare", W, R"(\\server\share\a.xml)", R"(\\server\share)", false, "a.xml",
                 R"(\\server\share\a.xml_LUM.XML)"},
        SplitRow{"TrailingSeparator", W, R"(C:\Data\)", R"(C:\Data)", false, "", R"(C:\Data\_LUM.XML)"},
        SplitRow{"RootOnly", W, R"(C:\)", R"(C:\)", false, "", R"(C:\_LUM.XML)"},
        SplitRow{"TwoCharacterFolderKeepsSeparator", W, R"(ab\c.xml)", R"(ab\)", false, "c.xml", R"(ab\c.xml_LUM.XML)"},
        SplitRow{"ColonIsLastSeparatorOfName", W, R"(a\b:c.xml)", "a", false, "c.xml", R"(a\c.xml_LUM.XML)"},
        SplitRow{"LeadingSeparatorOnly", W, R"(\a.xml)", "", false, "a.xml", R"(\a.xml_LUM.XML)"},
        SplitRow{"BareNameTargetBesideIt", W, "file.xml", "", true, "file.xml", "file.xml_LUM.XML"},
        SplitRow{"DriveRelativeTargetBesideIt", W, "C:file.xml", "", true, "C:file.xml", "C:file.xml_LUM.XML"},
        SplitRow{"Empty", W, "", "", false, "", "_LUM.XML"},
        SplitRow{"ForwardSlashIsOrdinary", W, "C:/Data/file.xml", "", true, "C:/Data/file.xml", "C:/Data/file.xml_LUM.XML"},
        SplitRow{"SpacesAndCzechLetters", W, R"(C:\Moje dokumenty\Účetnictví\faktura č. 7.xml)",
                 R"(C:\Moje dokumenty\Účetnictví)", false, "faktura č. 7.xml",
                 R"(C:\Moje dokumenty\Účetnictví\faktura č. 7.xml_LUM.XML)"},
        SplitRow{"TargetProcessedAgain", W, R"(C:\Data\faktura.xml_LUM.XML)", R"(C:\Data)", false,
                 "faktura.xml_LUM.XML", R"(C:\Data\faktura.xml_LUM.XML_LUM.XML)"},
        // The two-character rule counts UTF-16 code units, not UTF-8 bytes.
        SplitRow{"TwoLettersInThreeBytes", W, R"(čd\x.xml)", R"(čd\)", false, "x.xml", R"(čd\x.xml_LUM.XML)"},
        SplitRow{"OneLetterInTwoBytes", W, R"(é\x.xml)", "é", false, "x.xml", R"(é\x.xml_LUM.XML)"},
        SplitRow{"SurrogatePairIsTwoUnits", W, "\xF0\x9D\x84\x9E\\x.xml", "\xF0\x9D\x84\x9E\\", false, "x.xml",
                 "\xF0\x9D\x84\x9E\\x.xml_LUM.XML"}),
    [](const auto& info) { return std::string(info.param.name); });

// The same rows in the POSIX style: "/" separates, ":" and "\" are ordinary.
INSTANTIATE_TEST_SUITE_P(
    Posix, SplitPathTest,
    testing::Values(
        SplitRow{"FolderAndFile", P, "/data/file.xml", "/data", false, "file.xml", "/data/file.xml_LUM.XML"},
        SplitRow{"TwoDots", P, "/data/report.old.xml", "/data", false, "report.old.xml", "/data/report.old.xml_LUM.XML"},
        SplitRow{"NetworkShare", P, "//server/share/a.xml", "//server/share", false, "a.xml",
                 "//server/share/a.xml_LUM.XML"},
        SplitRow{"TrailingSeparator", P, "/data/", "/data", false, "", "/data/_LUM.XML"},
        SplitRow{"RootOnly", P, "/", "", false, "", "/_LUM.XML"},
        SplitRow{"TwoCharacterFolderKeepsSeparator", P, "ab/c.xml", "ab/", false, "c.xml", "ab/c.xml_LUM.XML"},
        SplitRow{"ColonIsOrdinary", P, "a/b:c.xml", "a", false, "b:c.xml", "a/b:c.xml_LUM.XML"},
        SplitRow{"LeadingSeparatorOnly", P, "/a.xml", "", false, "a.xml", "/a.xml_LUM.XML"},
        SplitRow{"BareNameTargetBesideIt", P, "file.xml", "", true, "file.xml", "file.xml_LUM.XML"},
        SplitRow{"ColonNameTargetBesideIt", P, "C:file.xml", "", true, "C:file.xml", "C:file.xml_LUM.XML"},
        SplitRow{"BackslashIsOrdinary", P, R"(data\file.xml)", "", true, R"(data\file.xml)", R"(data\file.xml_LUM.XML)"},
        SplitRow{"Empty", P, "", "", false, "", "_LUM.XML"},
        SplitRow{"SpacesAndCzechLetters", P, "/home/jana/Moje dokumenty/faktura č. 7.xml", "/home/jana/Moje dokumenty",
                 false, "faktura č. 7.xml", "/home/jana/Moje dokumenty/faktura č. 7.xml_LUM.XML"},
        SplitRow{"TargetProcessedAgain", P, "/data/faktura.xml_LUM.XML", "/data", false, "faktura.xml_LUM.XML",
                 "/data/faktura.xml_LUM.XML_LUM.XML"},
        SplitRow{"TwoLettersInThreeBytes", P, "čd/x.xml", "čd/", false, "x.xml", "čd/x.xml_LUM.XML"},
        SplitRow{"OneLetterInTwoBytes", P, "é/x.xml", "é", false, "x.xml", "é/x.xml_LUM.XML"}),
    [](const auto& info) { return std::string(info.param.name); });

struct JoinRow {
  const char* name;
  PathStyle style;
  std::string directory;
  std::string fileName;
  std::string joined;
};

void PrintTo(const JoinRow& row, std::ostream* os) { *os << row.name; }

class JoinPathTest : public testing::TestWithParam<JoinRow> {};

TEST_P(JoinPathTest, PutsOneSeparatorBetween) {
  EXPECT_EQ(lum::JoinPath(GetParam().directory, GetParam().fileName, GetParam().style), GetParam().joined);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, JoinPathTest,
    testing::Values(JoinRow{"SeparatorAdded", W, R"(C:\Data)", "a.xml", R"(C:\Data\a.xml)"},
                    JoinRow{"BothHaveSeparator", W, R"(C:\Data\)", R"(\a.xml)", R"(C:\Data\a.xml)"},
                    JoinRow{"Root", W, R"(C:\)", "a.xml", R"(C:\a.xml)"},
                    JoinRow{"EmptyDirectory", W, "", "a.xml", R"(\a.xml)"},
                    JoinRow{"OnlyOneLeadingSeparatorDropped", W, R"(C:\Data)", R"(\\a.xml)", R"(C:\Data\\a.xml)"},
                    JoinRow{"EmptyName", W, R"(C:\Data)", "", R"(C:\Data\)"},
                    JoinRow{"ForwardSlashIsOrdinary", W, "C:/Data/", "/a.xml", R"(C:/Data/\/a.xml)"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Posix, JoinPathTest,
    testing::Values(JoinRow{"SeparatorAdded", P, "/data", "a.xml", "/data/a.xml"},
                    JoinRow{"BothHaveSeparator", P, "/data/", "/a.xml", "/data/a.xml"},
                    JoinRow{"Root", P, "/", "a.xml", "/a.xml"},
                    JoinRow{"EmptyDirectory", P, "", "a.xml", "/a.xml"},
                    JoinRow{"OnlyOneLeadingSeparatorDropped", P, "/data", "//a.xml", "/data//a.xml"},
                    JoinRow{"EmptyName", P, "/data", "", "/data/"},
                    JoinRow{"BackslashIsOrdinary", P, R"(data\)", R"(\a.xml)", R"(data\/\a.xml)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NativePathStyle, SplitsThePlatformsOwnPaths) {
  const std::string folder = lum::ProgramFolder();
  const std::string sep(1, lum::kNativeSeparator);
  EXPECT_EQ(lum::TargetPathFor(folder + sep + "a.xml", lum::kNativePathStyle), folder + sep + "a.xml_LUM.XML");
}

}  // namespace
