#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/ProfileString.h"
#include "tests/support/Files.h"
#include "tests/support/Table.h"

namespace lum::test {
namespace {

// A settings file (nothing: none at all), and what reading [LUM] DISABLE
// with `fallback` gives.
struct IniRow {
  const char* name;
  std::optional<std::string> content;
  std::string expected;
  std::string fallback = "dflt";
};

class ReadIniStringTest : public testing::TestWithParam<IniRow> {};

TEST_P(ReadIniStringTest, ReadsValueOrFallback) {
  TempFolder folder;
  if (GetParam().content) WriteBytes(folder.path("LUM_Brevix.INI"), *GetParam().content);
  EXPECT_EQ(ReadIniString("LUM", "DISABLE", GetParam().fallback, folder.path("LUM_Brevix.INI")), GetParam().expected);
  // Names match without regard to case, whichever side is in which case.
  EXPECT_EQ(ReadIniString("lum", "Disable", GetParam().fallback, folder.path("LUM_Brevix.INI")), GetParam().expected);
}

// A settings file is a text file of its system: UTF-8 on POSIX; on Windows
// the ANSI code page (1250 on the Czech systems the tests assume). The values
// come back as UTF-8 either way.
#ifdef _WIN32
const std::string kHorse = "\x9Elu\x9Dou\xE8k\xFD k\xF9\xF2", kEAcute = "\xE9";
#else
const std::string kHorse = "žluťoučký kůň", kEAcute = "é";
#endif
std::string Times(int count, const std::string& text) {
  std::string out;
  while (count-- > 0) out += text;
  return out;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, ReadIniStringTest,
    testing::Values(IniRow{"Plain", "[LUM]\nDISABLE=1\n", "1"},
                    IniRow{"NoFile", std::nullopt, "dflt"},
                    IniRow{"FallbackLosesTrailingBlanks", std::nullopt, "d", "d  "},
                    IniRow{"NamesInAnyCase", "[lum]\ndisable=a\n", "a"},
                    IniRow{"BlanksAroundAll", "[ LUM ]\r\n  DISABLE \t=   c d  \r\n", "c d"},
                    IniRow{"OnePairOfQuotesGoes", "[LUM]\nDISABLE=\"'q'\"\n", "'q'"},
                    IniRow{"SingleQuotesGoToo", "[LUM]\nDISABLE='q'\n", "q"},
                    IniRow{"QuotesAroundNothing", "[LUM]\nDISABLE=\"\"\n", ""},
                    IniRow{"UnmatchedQuotesStay", "[LUM]\nDISABLE=\"q'\n", "\"q'"},
                    IniRow{"EmptyValue", "[LUM]\nDISABLE=\n", ""},
                    IniRow{"CommentedOut", "[LUM]\n  ; DISABLE=1\n", "dflt"},
                    IniRow{"KeyInAnotherSection", "DISABLE=0\n[LUM]\nX=2\n[OTHER]\nDISABLE=1\n", "dflt"},
                    IniRow{"FirstKeyWins", "[LUM]\nDISABLE=a=b\nDISABLE=c\n[LUM]\nDISABLE=d", "a=b"},
                    IniRow{"ByteOrderMarkOnlyFirst", "\xEF\xBB\xBF[LUM]\n\xEF\xBB\xBF""DISABLE=2\nDISABLE=1", "1"},
                    IniRow{"CzechValue", "[LUM]\nDISABLE=" + kHorse + "\n", "žluťoučký kůň"},
                    IniRow{"CutTo254Characters", "[LUM]\nDISABLE=" + Times(300, kEAcute) + "\n", Times(254, "é")},
                    IniRow{"LongFallbackCut", std::nullopt, std::string(254, 'x'), std::string(255, 'x')}), RowName);
// clang-format on

TEST(ReadIniString, FolderInsteadOfFileGivesTheFallback) {
  TempFolder folder;
  EXPECT_EQ(ReadIniString("LUM", "DISABLE", "d", folder.path("")), "d");
}

#ifndef _WIN32
// A settings file that is a pipe reads as missing at once: the read neither
// waits for a writer nor takes what one writes. Should it wait, a writer
// gives it a value after 5 s, which fails the test.
TEST(ReadIniString, PipeReadsAsMissing) {
  TempFolder folder;
  const std::string file = folder.path("LUM_Brevix.INI");
  ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
  auto value = std::async(std::launch::async, [&file] { return ReadIniString("LUM", "DISABLE", "d", file); });
  if (value.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
    const int writer = open(file.c_str(), O_WRONLY | O_NONBLOCK);
    EXPECT_EQ(write(writer, "[LUM]\nDISABLE=1\n", 16), 16);
    close(writer);
  }
  EXPECT_EQ(value.get(), "d");
}
#endif

}  // namespace
}  // namespace lum::test
