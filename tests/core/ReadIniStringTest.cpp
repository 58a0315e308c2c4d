#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "shared/Settings.h"

namespace {

namespace fs = std::filesystem;

struct IniRow {
  const char* name;
  std::optional<std::string> content;  // nothing: no file at all
  std::string section;
  std::string key;
  std::string defaultValue;
  std::string expected;
};

class ReadIniStringTest : public testing::TestWithParam<IniRow> {
 protected:
  void SetUp() override {
    file_ = fs::temp_directory_path() / ("brevix_ini_" + std::string(GetParam().name) + ".INI");
    fs::remove(file_);
    if (GetParam().content) std::ofstream(file_, std::ios::binary) << *GetParam().content;
  }
  void TearDown() override { fs::remove(file_); }

  fs::path file_;
};

TEST_P(ReadIniStringTest, ReadsValueOrDefault) {
  const IniRow& row = GetParam();
  EXPECT_EQ(lum::ReadIniString(row.section, row.key, row.defaultValue, file_.string()), row.expected);
}

const std::string k255(255, 'x');
const std::string k254(254, 'x');
// 254 two-byte letters: the cut counts characters, not bytes.
std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// A settings file is a text file of its system: UTF-8 on POSIX; on Windows
// the ANSI code page (1250 on the Czech systems the tests assume), unless the
// file starts with a byte-order mark. The values come back as UTF-8 either way.
#ifdef _WIN32
const std::string kEAcuteInFile = "\xE9";
const std::string kHorseInFile = "\x9Elu\x9Dou\xE8k\xFD k\xF9\xF2";
#else
const std::string kEAcuteInFile = "é";
const std::string kHorseInFile = "žluťoučký kůň";
#endif

INSTANTIATE_TEST_SUITE_P(
    Table, ReadIniStringTest,
    testing::Values(
        IniRow{"Plain", "[LUM]\nDISABLE=1\n", "LUM", "DISABLE", "", "1"},
        IniRow{"NoFile", std::nullopt, "LUM", "DISABLE", "dflt", "dflt"},
        IniRow{"NoFileEmptyDefault", std::nullopt, "LUM", "DISABLE", "", ""},
        IniRow{"SectionCase", "[lum]\nDISABLE=a\n", "LUM", "DISABLE", "", "a"},
        IniRow{"KeyCase", "[LUM]\ndisable=b\n", "LUM", "DISABLE", "", "b"},
        IniRow{"BlanksAroundKeyAndValue", "[LUM]\n  DISABLE \t=   c d  \n", "LUM", "DISABLE", "", "c d"},
        IniRow{"BlanksInsideBrackets", "[ LUM ]\nDISABLE=e\n", "LUM", "DISABLE", "", "e"},
        IniRow{"CrLfLines", "[LUM]\r\nDISABLE=f\r\nX=1\r\n", "LUM", "DISABLE", "", "f"},
        IniRow{"DoubleQuotes", "[LUM]\nDISABLE=\" q \"\n", "LUM", "DISABLE", "", " q "},
        IniRow{"SingleQuotes", "[LUM]\nDISABLE='q'\n", "LUM", "DISABLE", "", "q"},
        IniRow{"OnlyOnePairOfQuotes", "[LUM]\nDISABLE=\"\"q\"\"\n", "LUM", "DISABLE", "", "\"q\""},
        IniRow{"UnmatchedQuotesStay", "[LUM]\nDISABLE=\"q'\n", "LUM", "DISABLE", "", "\"q'"},
        IniRow{"ZeroIsAValue", "[LUM]\nDISABLE=0\n", "LUM", "DISABLE", "", "0"},
        IniRow{"EmptyValue", "[LUM]\nDISABLE=\n", "LUM", "DISABLE", "dflt", ""},
        IniRow{"CommentedOut", "[LUM]\n;DISABLE=1\n", "LUM", "DISABLE", "", ""},
        IniRow{"IndentedComment", "[LUM]\n   ; DISABLE=1\n", "LUM", "DISABLE", "", ""},
        IniRow{"KeyInOtherSection", "[OTHER]\nDISABLE=1\n[LUM]\nX=2\n", "LUM", "DISABLE", "", ""},
        IniRow{"KeyAfterSectionEnds", "[LUM]\nX=2\n[OTHER]\nDISABLE=1\n", "LUM", "DISABLE", "", ""},
        IniRow{"KeyBeforeAnySection", "DISABLE=1\n[LUM]\n", "LUM", "DISABLE", "", ""},
        IniRow{"FirstKeyWins", "[LUM]\nDISABLE=first\nDISABLE=second\n", "LUM", "DISABLE", "", "first"},
        IniRow{"EqualsInValue", "[LUM]\nDISABLE=a=b\n", "LUM", "DISABLE", "", "a=b"},
        IniRow{"NoNewlineAtEnd", "[LUM]\nDISABLE=z", "LUM", "DISABLE", "", "z"},
        IniRow{"Utf8ByteOrderMark", "\xEF\xBB\xBF[LUM]\nDISABLE=1\n", "LUM", "DISABLE", "", "1"},
        IniRow{"DefaultLosesTrailingBlanks", std::nullopt, "LUM", "DISABLE", "d  ", "d"},
        IniRow{"LongValueCutTo254", "[LUM]\nDISABLE=" + k255 + "\n", "LUM", "DISABLE", "", k254},
        IniRow{"Exactly254Kept", "[LUM]\nDISABLE=" + k254 + "\n", "LUM", "DISABLE", "", k254},
        IniRow{"CzechValue", "[LUM]\nDISABLE=" + kHorseInFile + "\n", "LUM", "DISABLE", "", "žluťoučký kůň"},
        IniRow{"CutCountsCharacters", "[LUM]\nDISABLE=" + Repeat(kEAcuteInFile, 300) + "\n", "LUM", "DISABLE", "",
               Repeat("é", 254)},
        IniRow{"LongDefaultCut", std::nullopt, "LUM", "DISABLE", k255, k254}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadIniString, FolderInsteadOfFileGivesDefault) {
  EXPECT_EQ(lum::ReadIniString("LUM", "DISABLE", "d", fs::temp_directory_path().string()), "d");
}

}  // namespace
