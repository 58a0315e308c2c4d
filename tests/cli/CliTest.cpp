// lum-brevix's command line in-process, through its Console: exit codes,
// messages, standard streams, the files it leaves, the progress line.
#include "cli/Cli.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/Progress.h"
#include "tests/support/Files.h"
#include "tests/support/ReferenceCopy.h"
#include "tests/support/Streams.h"
#include "tests/support/Table.h"

namespace lum::test {
namespace {

const std::string kBig = Rows(5 << 20);  // shows a progress line on a terminal

struct Row {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  std::string messages;                           // after the last progress line drawn
  std::map<std::string, std::string> files = {};  // written, by name
  std::string output = "";                        // standard output; for --help its start
  std::string input = "";                         // standard input
  bool terminal = false;                          // messages go to a terminal
  bool progressShown = false;                     // and the progress line shows there
  bool stop = false;                              // Ctrl+C comes
  std::size_t outputRoom = SIZE_MAX;              // standard output fails past it
};

class CliTest : public testing::TestWithParam<Row> {};

TEST_P(CliTest, ExitCodeMessagesAndFiles) {
  const Row& row = GetParam();
  TempFolder folder;
  const std::map<std::string, std::string> sources = {
      {"a.xml", "<a><b/></a>"}, {"velký.xml", kBig}, {"-q.xml", "<q/>"}, {"a.xml_LUM.XML", "earlier"}};
  for (const auto& [name, bytes] : sources) WriteBytes(folder.path(name), bytes);
  std::filesystem::create_directory(PathOf(folder.path("výstup")));
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(PathOf(folder.path("")));

  MemorySource input(row.input);
  MemorySink output(row.outputRoom, err::kDeviceIo), messages;
  // A Ctrl+C comes while the first file is copied.
  const cli::Console console{input, output, messages, row.terminal,
                             [&, asked = 0]() mutable { return row.stop && ++asked > 1; }};
  const int status = cli::RunCli(row.arguments, console);
  std::filesystem::current_path(saved);

  EXPECT_EQ(status, row.status);
  EXPECT_EQ(messages.bytes.substr(messages.bytes.rfind('\r') + 1), row.messages);
  // A drawn line, not only the wipe at the end, which starts with '\r' too.
  EXPECT_EQ(messages.bytes.starts_with('\r') && messages.bytes.find(" MiB") != std::string::npos, row.progressShown);
  EXPECT_TRUE((row.arguments[0] == "--help" ? output.bytes.substr(0, row.output.size()) : output.bytes) == row.output);
  std::set<std::string> names = {"a.xml", "velký.xml", "-q.xml", "a.xml_LUM.XML", "výstup"};
  for (const auto& [name, bytes] : row.files) {
    EXPECT_TRUE(ReadBytes(folder.path(name)) == bytes) << name;
    names.insert(name.substr(0, name.find('/')));
  }
  EXPECT_EQ(folder.names(), names);
  EXPECT_TRUE(row.files.count("a.xml_LUM.XML") || ReadBytes(folder.path("a.xml_LUM.XML")) == "earlier");
}

std::string Usage(const std::string& problem) { return "lum-brevix: " + problem + "\nNápověda: lum-brevix --help\n"; }
const std::string kCopyOfA = "<a>\r\n<b/>\r\n</a>\r\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    CommandLines, CliTest,
    testing::Values(
        Row{"NoFile", {"-q"}, 2, Usage("chybí SOUBOR")},
        Row{"UnknownOptionAmongShortOnes", {"a.xml", "-qx"}, 2, Usage("neznámá volba -x")},
        Row{"UnknownLongOption", {"--xyz=1", "a.xml"}, 2, Usage("neznámá volba --xyz")},
        Row{"UnknownOptionWithAControlCharacterIsEscaped", {"-\x1b", "a.xml"}, 2, Usage("neznámá volba $'-\\x1B'")},
        Row{"LongOptionWithoutArgumentGivenOne", {"--quiet=ano", "a.xml"}, 2, Usage("volba --quiet nemá argument")},
        Row{"OutputWithoutName", {"a.xml", "-o"}, 2, Usage("u volby -o chybí VÝSTUP")},
        Row{"OutputTwice", {"-o", "x", "-o", "y", "a.xml"}, 2, Usage("volba -o je zadána víckrát")},
        Row{"OutputWithTwoFiles", {"-o", "x", "a.xml", "velký.xml"}, 2, Usage("s volbou -o jen jeden SOUBOR")},
        Row{"StandardInputWithoutOutput", {"a.xml", "-"}, 2, Usage("standardní vstup (-) jen s volbou -o")},
        Row{"Help", {"--help"}, 0, "", {}, "Použití: lum-brevix [-q] SOUBOR...\n"},
        Row{"HelpThatCannotBeWrittenFails", {"--help"}, 1, "standardní výstup: 57-Chyba vstupu/výstupu zařízení\n", {},
            "", "", false, false, false, 0},
        Row{"DoubleDashEndsTheOptions", {"--", "-q.xml"}, 0, "-q.xml: kopie uložena do -q.xml_LUM.XML\n",
            {{"-q.xml_LUM.XML", "<q/>\r\n"}}},
        Row{"BatchGoesOnPastAMissingFile", {"a.xml", "chybí.xml", "velký.xml"}, 1,
            "a.xml: kopie uložena do a.xml_LUM.XML\nchybí.xml: 53-Soubor nebyl nalezen\n"
            "velký.xml: kopie uložena do velký.xml_LUM.XML\n",
            {{"a.xml_LUM.XML", kCopyOfA}, {"velký.xml_LUM.XML", ReferenceTarget(kBig)}}},
        Row{"QuietSaysOnlyErrors", {"chybí.xml", "-q", "a.xml"}, 1, "chybí.xml: 53-Soubor nebyl nalezen\n",
            {{"a.xml_LUM.XML", kCopyOfA}}},
        Row{"LongOutputOptionWithEquals", {"--output=výstup/hotovo.xml", "a.xml"}, 0,
            "a.xml: kopie uložena do výstup/hotovo.xml\n", {{"výstup/hotovo.xml", kCopyOfA}}},
        Row{"ShortenedLongOptionThenItsArgument", {"--out", "out.xml", "a.xml"}, 0, "a.xml: kopie uložena do out.xml\n",
            {{"out.xml", kCopyOfA}}},
        Row{"ShortOptionsTogether", {"-qo", "out.xml", "a.xml"}, 0, "", {{"out.xml", kCopyOfA}}},
        Row{"OutputArgumentInTheSameWord", {"a.xml", "-oout.xml"}, 0, "a.xml: kopie uložena do out.xml\n",
            {{"out.xml", kCopyOfA}}},
        Row{"FailureNamesTheTarget", {"-o", "chybí/out.xml", "a.xml"}, 1, "chybí/out.xml: 76-Cesta nebyla nalezena\n"},
        Row{"OutputNamingTheSourceConvertsItInPlace", {"-o", "a.xml", "a.xml"}, 0, "a.xml: kopie uložena do a.xml\n",
            {{"a.xml", kCopyOfA}}},
        Row{"RefusedFormNamesTheSource", {"-o", "out.xml", "-"}, 1,
            "standardní vstup: 321-Neplatný formát souboru: kódování EBCDIC se nepodporuje\n", {}, "", "\x4C\x6F\xA7\x94"},
        Row{"FileToStandardOutput", {"-o", "-", "velký.xml"}, 0, "", {}, ReferenceTarget(kBig)},
        Row{"StandardInputToFile", {"-o", "out.xml", "-"}, 0, "standardní vstup: kopie uložena do out.xml\n",
            {{"out.xml", ReferenceTarget(kBig)}}, "", kBig},
        Row{"EmptyStandardInput", {"-q", "-o", "out.xml", "-"}, 0, "", {{"out.xml", ""}}},
        Row{"FailingStandardOutput", {"-o", "-", "a.xml"}, 1, "standardní výstup: 57-Chyba vstupu/výstupu zařízení\n",
            {}, "", "", false, false, false, 4},
        Row{"InterruptedLeavesNothing", {"a.xml", "velký.xml"}, 130, "a.xml: přerušeno, kopie nebyla uložena\n", {}, "",
            "", false, false, true},
        Row{"ProgressOnATerminal", {"velký.xml"}, 0, "velký.xml: kopie uložena do velký.xml_LUM.XML\n",
            {{"velký.xml_LUM.XML", ReferenceTarget(kBig)}}, "", "", true, true},
        Row{"NoProgressWhenQuiet", {"-q", "velký.xml"}, 0, "", {{"velký.xml_LUM.XML", ReferenceTarget(kBig)}}, "", "",
            true},
        Row{"NoProgressForASmallFile", {"a.xml"}, 0, "a.xml: kopie uložena do a.xml_LUM.XML\n",
            {{"a.xml_LUM.XML", kCopyOfA}}, "", "", true}), RowName);
// clang-format on

// Names only POSIX has: of the process's streams, and with a control
// character (ESC; "\\" is no separator there).
#ifndef _WIN32
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    PosixNames, CliTest,
    testing::Values(Row{"StandardOutputByName", {"-q", "-o", "/dev/stdout", "a.xml"}, 0, "", {}, kCopyOfA},
                    Row{"OtherStreamByNameIsRefused", {"-o", "/dev/fd/3", "a.xml"}, 2,
                        Usage("VÝSTUP /dev/fd/3 je otevřený proud, ne soubor; standardní výstup je -o -")},
                    // Only the control character and the stray byte are escaped, also with a character of two bytes last.
                    Row{"ControlCharactersInANameAreEscaped", {"chybí\x1b[2J\x80\\.č"}, 1,
                        "$'chybí\\x1B[2J\\x80\\\\.č': 53-Soubor nebyl nalezen\n"},
                    // The first and last surrogates are no characters; U+D7FF and U+E000 around them are.
                    Row{"SurrogatesInANameAreEscaped", {"\xED\x9F\xBF\xED\xA0\x80\xED\xBF\xBF\xEE\x80\x80"}, 1,
                        "$'\xED\x9F\xBF\\xED\\xA0\\x80\\xED\\xBF\\xBF\xEE\x80\x80': 53-Soubor nebyl nalezen\n"}), RowName);
// clang-format on
#endif

// The progress line: a decimal comma, h:mm:ss, GiB from 10 GiB, and a name
// cut from the front so that the line keeps to 79 columns.
struct LineRow {
  const char* name;
  std::string file;
  std::int64_t total, done;
  double seconds;
  std::string text;
};

class ProgressTextTest : public testing::TestWithParam<LineRow> {};

TEST_P(ProgressTextTest, Shows) {
  const LineRow& row = GetParam();
  EXPECT_EQ(cli::ProgressText(row.file, row.total, row.done, row.seconds), row.text);
}

constexpr std::int64_t MiB = 1 << 20, GiB = MiB << 10;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, ProgressTextTest,
    testing::Values(
        LineRow{"UnknownSize", "-", -1, 13 * MiB / 2, 0.5, "-  6,5 MiB  13 MiB/s"},
        LineRow{"TooSoonForARate", "a.xml", 100 * MiB, 50 * MiB, 0.001, "a.xml   50 % [#####     ] 50,0/100,0 MiB"},
        LineRow{"HoursLeftInGiB", "a.xml", 20 * GiB, GiB, 256, "a.xml    5 % [          ] 1,0/20,0 GiB  4 MiB/s  zbývá 1:21:04"},
        LineRow{"NameThatJustFitsIsWhole", "faktura-2026-12-07.xml", 100 * MiB, 50 * MiB, 2,
                "faktura-2026-12-07.xml   50 % [#####     ] 50,0/100,0 MiB  25 MiB/s  zbývá 0:02"},
        LineRow{"LongNameCutFromTheFront", std::string(40, 'x') + "faktura-2026-12-07.xml", 100 * MiB, 50 * MiB, 2,
                "…aktura-2026-12-07.xml   50 % [#####     ] 50,0/100,0 MiB  25 MiB/s  zbývá 0:02"}), RowName);
// clang-format on

}  // namespace
}  // namespace lum::test
