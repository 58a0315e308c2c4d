// lum-brevix as its users meet it: the real program in a child process, with
// its exit status, its messages and the files it leaves behind.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "platform/Version.h"
#include "tests/support/Child.h"
#include "tests/support/Files.h"
#include "tests/support/ReferenceCopy.h"

namespace {

using lum::test::Child;
using lum::test::ErrorsTo;
using lum::test::Finished;
using lum::test::ReadBytes;
using lum::test::WriteBytes;

constexpr int kMiB = 1 << 20;

// XML rows up to `size` bytes.
std::string Rows(std::size_t size) {
  std::string text;
  for (int row = 0; text.size() < size; ++row) text += "<row n=\"" + std::to_string(row) + "\">hodnota</row>";
  return text;
}

std::string UsageMessage(const std::string& problem) {
  return "lum-brevix: " + problem + "\nNápověda: lum-brevix --help\n";
}

class CliTest : public testing::Test {
 protected:
  // Runs the program in the folder to its end.
  Finished run(const std::vector<std::string>& arguments, const std::string& input = {},
               ErrorsTo errorsTo = ErrorsTo::Pipe) {
    return Child(arguments, folder_.path(""), errorsTo).finish(input);
  }
  // A file in the folder, with its name relative to the folder.
  std::string file(const std::string& name, const std::string& bytes) {
    WriteBytes(folder_.path(name), bytes);
    return name;
  }
  std::string read(const std::string& name) const { return ReadBytes(folder_.path(name)); }

  lum::test::TempFolder folder_;
};

// --- The command line --------------------------------------------------------

struct UsageRow {
  const char* name;
  std::vector<std::string> arguments;
  const char* problem;
};

void PrintTo(const UsageRow& row, std::ostream* os) { *os << row.name; }

class UsageErrorTest : public CliTest, public testing::WithParamInterface<UsageRow> {};

TEST_P(UsageErrorTest, ExitsWith2AndTouchesNoFile) {
  file("a.xml", "<a/>");
  file("b.xml", "<b/>");
  const Finished finished = run(GetParam().arguments);
  EXPECT_EQ(finished.status, 2);
  EXPECT_EQ(finished.err, UsageMessage(GetParam().problem));
  EXPECT_EQ(finished.out, "");
  EXPECT_EQ(folder_.names(), (std::set<std::string>{"a.xml", "b.xml"}));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, UsageErrorTest,
    testing::Values(UsageRow{"NoFile", {}, "chybí SOUBOR"},
                    UsageRow{"OnlyQuiet", {"-q"}, "chybí SOUBOR"},
                    UsageRow{"UnknownOption", {"a.xml", "-x"}, "neznámá volba -x"},
                    UsageRow{"UnknownLongOption", {"--output=x", "a.xml"}, "neznámá volba --output=x"},
                    UsageRow{"OutputWithoutName", {"a.xml", "-o"}, "u volby -o chybí VÝSTUP"},
                    UsageRow{"OutputTwice", {"-o", "x", "-o", "y", "a.xml"}, "volba -o je zadána víckrát"},
                    UsageRow{"OutputWithTwoFiles", {"-o", "x", "a.xml", "b.xml"}, "s volbou -o jen jeden SOUBOR"},
                    UsageRow{"StandardInputWithoutOutput", {"a.xml", "-"}, "standardní vstup (-) jen s volbou -o"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliTest, HelpIsCzechUsageOnStandardOutput) {
  const Finished finished = run({"--help"});
  EXPECT_EQ(finished.status, 0);
  EXPECT_EQ(finished.out.rfind("Použití: lum-brevix [-q] SOUBOR...\n", 0), 0u) << finished.out;
  EXPECT_NE(finished.out.find("-o VÝSTUP"), std::string::npos);
  EXPECT_EQ(finished.err, "");
}

TEST_F(CliTest, VersionIsTheProjectVersion) {
  const Finished finished = run({"--version"});
  EXPECT_EQ(finished.status, 0);
  EXPECT_EQ(finished.out, std::string("lum-brevix ") + lum::version::kFull + "\n");
}

// "--" lets a file's name start with "-".
TEST_F(CliTest, DoubleDashEndsTheOptions) {
  file("-q.xml", "<q/>");
  const Finished finished = run({"--", "-q.xml"});
  EXPECT_EQ(finished.status, 0) << finished.err;
  EXPECT_EQ(read("-q.xml_LUM.XML"), "<q/>\r\n");
}

// --- Files -------------------------------------------------------------------

TEST_F(CliTest, BatchGoesOnPastAMissingFileAndExitsWith1) {
  const std::string first = Rows(3 * kMiB);  // more than one buffer
  file("první.xml", first);
  file("druhý.xml", "<b>x</b>");
  const Finished finished = run({"první.xml", "chybí.xml", "druhý.xml"});
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err,
            "první.xml: kopie uložena do první.xml_LUM.XML\n"
            "chybí.xml: 53-Soubor nebyl nalezen\n"
            "druhý.xml: kopie uložena do druhý.xml_LUM.XML\n");
  EXPECT_EQ(read("první.xml_LUM.XML"), lum::test::ReferenceTarget(first));
  EXPECT_EQ(read("druhý.xml_LUM.XML"), "<b>\r\nx</b>\r\n");
  EXPECT_EQ(folder_.names(),
            (std::set<std::string>{"první.xml", "první.xml_LUM.XML", "druhý.xml", "druhý.xml_LUM.XML"}));
}

TEST_F(CliTest, AllWrittenExitsWith0AndQuietSaysNothing) {
  file("a.xml", "<a/>");
  file("b.xml", "<b/>");
  const Finished finished = run({"-q", "a.xml", "b.xml"});
  EXPECT_EQ(finished.status, 0);
  EXPECT_EQ(finished.err, "");
  EXPECT_EQ(finished.out, "");
  EXPECT_EQ(read("b.xml_LUM.XML"), "<b/>\r\n");
}

TEST_F(CliTest, QuietStillReportsErrors) {
  file("a.xml", "<a/>");
  const Finished finished = run({"chybí.xml", "a.xml", "-q"});
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err, "chybí.xml: 53-Soubor nebyl nalezen\n");
  EXPECT_EQ(read("a.xml_LUM.XML"), "<a/>\r\n");
}

TEST_F(CliTest, OutputOptionWritesThereAndNotBesideTheSource) {
  file("a.xml", "<a><b/></a>");
  std::filesystem::create_directory(lum::test::PathOf(folder_.path("výstup")));
  const Finished finished = run({"-o", "výstup/hotovo.xml", "a.xml"});
  EXPECT_EQ(finished.status, 0) << finished.err;
  EXPECT_EQ(finished.err, "a.xml: kopie uložena do výstup/hotovo.xml\n");
  EXPECT_EQ(read("výstup/hotovo.xml"), "<a>\r\n<b/>\r\n</a>\r\n");
  EXPECT_EQ(folder_.names(), (std::set<std::string>{"a.xml", "výstup"}));
}

// A failure names the file it concerns: the source when reading, the target
// when writing.
TEST_F(CliTest, MissingTargetFolderIsReportedForTheTarget) {
  file("a.xml", "<a/>");
  const Finished finished = run({"-o", "chybí/out.xml", "a.xml"});
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err, "chybí/out.xml: 76-Cesta nebyla nalezena\n");
  EXPECT_EQ(folder_.names(), std::set<std::string>{"a.xml"});
}

struct NotRegularRow {
  const char* name;
  std::function<void(const lum::test::TempFolder&)> make;  // makes "src.xml"
  std::vector<std::string> arguments;
};

void PrintTo(const NotRegularRow& row, std::ostream* os) { *os << row.name; }

class NotRegularSourceTest : public CliTest, public testing::WithParamInterface<NotRegularRow> {};

// A pipe without a writer would hold up a plain open; it is refused at once.
TEST_P(NotRegularSourceTest, IsRefusedAndNothingIsCreated) {
  GetParam().make(folder_);
  const std::set<std::string> before = folder_.names();
  const Finished finished = run(GetParam().arguments);
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err, "src.xml: 75-Chyba přístupu k cestě nebo souboru\n");
  EXPECT_EQ(folder_.names(), before);
}

const auto kMakeFifo = [](const lum::test::TempFolder& folder) {
  ASSERT_EQ(::mkfifo(folder.path("src.xml").c_str(), 0644), 0);
};
const auto kMakeFolder = [](const lum::test::TempFolder& folder) {
  std::filesystem::create_directory(lum::test::PathOf(folder.path("src.xml")));
};

INSTANTIATE_TEST_SUITE_P(Sources, NotRegularSourceTest,
                         testing::Values(NotRegularRow{"FifoBeside", kMakeFifo, {"src.xml"}},
                                         NotRegularRow{"FifoToOutput", kMakeFifo, {"-o", "out.xml", "src.xml"}},
                                         NotRegularRow{"FifoToStandardOutput", kMakeFifo, {"-o", "-", "src.xml"}},
                                         NotRegularRow{"FolderBeside", kMakeFolder, {"src.xml"}},
                                         NotRegularRow{"FolderToOutput", kMakeFolder, {"-o", "out.xml", "src.xml"}}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Pipes -------------------------------------------------------------------

struct PipeRow {
  const char* name;
  std::vector<std::string> arguments;
  bool fromInput;   // the source comes on standard input, else from "src.xml"
  bool toOutput;    // the copy goes to standard output, else to "out.xml"
};

void PrintTo(const PipeRow& row, std::ostream* os) { *os << row.name; }

class PipeTest : public CliTest, public testing::WithParamInterface<PipeRow> {};

// Several buffers' worth, so that both pipes fill up on the way.
TEST_P(PipeTest, CarriesTheCopy) {
  const PipeRow& row = GetParam();
  const std::string source = Rows(3 * kMiB + 123);
  if (!row.fromInput) file("src.xml", source);
  const std::set<std::string> before = folder_.names();

  const Finished finished = run(row.arguments, row.fromInput ? source : "");
  EXPECT_EQ(finished.status, 0) << finished.err;
  if (row.toOutput) {
    EXPECT_EQ(finished.out, lum::test::ReferenceTarget(source));
    EXPECT_EQ(finished.err, "");  // the data is all there is
    EXPECT_EQ(folder_.names(), before);
  } else {
    EXPECT_EQ(finished.out, "");
    EXPECT_EQ(finished.err, "standardní vstup: kopie uložena do out.xml\n");
    EXPECT_EQ(read("out.xml"), lum::test::ReferenceTarget(source));
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, PipeTest,
                         testing::Values(PipeRow{"FileToStandardOutput", {"-o", "-", "src.xml"}, false, true},
                                         PipeRow{"StandardInputToFile", {"-o", "out.xml", "-"}, true, false},
                                         PipeRow{"StandardInputToStandardOutput", {"-o", "-", "-"}, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliTest, EmptyStandardInputGivesEmptyCopy) {
  const Finished finished = run({"-q", "-o", "out.xml", "-"});
  EXPECT_EQ(finished.status, 0) << finished.err;
  EXPECT_TRUE(std::filesystem::exists(lum::test::PathOf(folder_.path("out.xml"))));
  EXPECT_EQ(read("out.xml"), "");
}

// A reader that goes away is an error to report, not a signal to die of.
TEST_F(CliTest, ClosedStandardOutputIsAnError) {
  file("src.xml", Rows(2 * kMiB));
  Child child({"-o", "-", "src.xml"}, folder_.path(""));
  child.stopReadingOutput();
  const Finished finished = child.finish();
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err, "standardní výstup: 57-Chyba vstupu/výstupu zařízení\n");
}

// --- The progress line -------------------------------------------------------

struct ProgressRow {
  const char* name;
  ErrorsTo errorsTo;
  bool quiet;
  std::size_t size;
  bool shown;
  std::string source = "src.xml";
  std::string shownName = "src.xml";  // the end of the name, as the line shows it
};

void PrintTo(const ProgressRow& row, std::ostream* os) { *os << row.name; }

// Terminal columns of UTF-8 text.
std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
  }));
}

class ProgressTest : public CliTest, public testing::WithParamInterface<ProgressRow> {};

TEST_P(ProgressTest, ShowsOnlyOnATerminalForALargeFile) {
  const ProgressRow& row = GetParam();
  file(row.source, Rows(row.size));
  std::vector<std::string> arguments{row.source};
  if (row.quiet) arguments.push_back("-q");
  const Finished finished = run(arguments, {}, row.errorsTo);
  EXPECT_EQ(finished.status, 0) << finished.err;

  const std::string done = row.quiet ? "" : row.source + ": kopie uložena do " + row.source + "_LUM.XML\n";
  if (!row.shown) {
    EXPECT_EQ(finished.err, done);
    return;
  }
  // Drawn in place, then wiped with spaces before the message.
  ASSERT_GE(finished.err.size(), done.size());
  EXPECT_EQ(finished.err.substr(finished.err.size() - done.size()), done);
  const std::string line = finished.err.substr(0, finished.err.size() - done.size());
  EXPECT_EQ(line.front(), '\r');
  EXPECT_EQ(line.back(), '\r');
  EXPECT_EQ(line.find('\n'), std::string::npos);
  for (const std::string& part : {row.shownName + "  ", std::string(" % ["), std::string(" MiB"),
                                  std::string(" MiB/s"), std::string("zbývá ")}) {
    EXPECT_NE(line.find(part), std::string::npos) << part << " missing in: " << line;
  }
  // No drawing fills an 80-column terminal's last column, where it would wrap.
  for (std::size_t start = 1; start < line.size();) {
    const std::size_t end = std::min(line.find('\r', start), line.size());
    EXPECT_LE(Columns(line.substr(start, end - start)), 79u) << line.substr(start, end - start);
    start = end + 1;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressTest,
    testing::Values(ProgressRow{"LargeFileToPipe", ErrorsTo::Pipe, false, 8 * kMiB, false},
                    ProgressRow{"LargeFileToTerminal", ErrorsTo::Terminal, false, 8 * kMiB, true},
                    ProgressRow{"LongNameCutFromTheFront", ErrorsTo::Terminal, false, 8 * kMiB, true,
                                "faktura-za-prosinec-velmi-dlouhy-nazev-souboru-2026-12.xml", "souboru-2026-12.xml"},
                    ProgressRow{"QuietOnTerminal", ErrorsTo::Terminal, true, 8 * kMiB, false},
                    ProgressRow{"SmallFileOnTerminal", ErrorsTo::Terminal, false, 2 * kMiB, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Ctrl-C ------------------------------------------------------------------

struct InterruptRow {
  const char* name;
  int signal;
  bool fromInput;  // the source comes on standard input, else from the file big.xml
};

void PrintTo(const InterruptRow& row, std::ostream* os) { *os << row.name; }

class InterruptTest : public CliTest, public testing::WithParamInterface<InterruptRow> {};

// Stopped in the middle of a file, the program leaves the folder as it was:
// no new target, an earlier one untouched, the file after it not begun.
TEST_P(InterruptTest, MidFileLeavesNothingAndExitsWith130) {
  const InterruptRow& row = GetParam();
  const std::string source = Rows(row.fromInput ? 3 * kMiB : 64 * kMiB);
  const std::string target = row.fromInput ? "out.xml" : "big.xml_LUM.XML";
  file(target, "earlier");
  file("next.xml", "<n/>");
  if (!row.fromInput) file("big.xml", source);
  const std::set<std::string> before = folder_.names();

  Child child(row.fromInput ? std::vector<std::string>{"-o", "out.xml", "-"}
                            : std::vector<std::string>{"big.xml", "next.xml"},
              folder_.path(""));
  if (row.fromInput) {
    // It has read most of this and waits for more.
    child.send(source);
    ::kill(child.pid(), row.signal);
  } else {
    // Held still somewhere between its first and its last buffer.
    const std::string path = std::filesystem::canonical(lum::test::PathOf(folder_.path("big.xml"))).string();
    for (;;) {
      const std::optional<long long> position = child.stopAndReadPosition(path);
      ASSERT_TRUE(child.running()) << "the copy ended before it could be stopped";
      if (position && *position > 0 && *position < static_cast<long long>(source.size())) break;
      child.resume();
      ASSERT_EQ(::usleep(500), 0);
    }
    ::kill(child.pid(), row.signal);
    child.resume();
  }
  const Finished finished = child.finish();
  EXPECT_EQ(finished.status, 130);
  EXPECT_EQ(finished.err, std::string(row.fromInput ? "standardní vstup" : "big.xml") +
                              ": přerušeno, kopie nebyla uložena\n");
  EXPECT_EQ(folder_.names(), before);
  EXPECT_EQ(read(target), "earlier");
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptTest,
                         testing::Values(InterruptRow{"CtrlCInFile", SIGINT, false},
                                         InterruptRow{"TerminateInFile", SIGTERM, false},
                                         InterruptRow{"CtrlCWaitingForInput", SIGINT, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Memory ------------------------------------------------------------------

// Each file's buffers go before the next file's come.
TEST_F(CliTest, BatchNeedsNoMoreMemoryThanOneFile) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer keeps freed memory in quarantine";
#endif
  std::vector<std::string> batch;
  for (int i = 0; i < 24; ++i) batch.push_back(file("f" + std::to_string(i) + ".xml", Rows(3 * kMiB)));
  const Finished one = run({"-q", batch.front()});
  const Finished all = run([&] {
    std::vector<std::string> arguments{"-q"};
    arguments.insert(arguments.end(), batch.begin(), batch.end());
    return arguments;
  }());
  ASSERT_EQ(one.status, 0);
  ASSERT_EQ(all.status, 0);
  EXPECT_LT(all.peakKiB - one.peakKiB, 2048) << one.peakKiB << " KiB for one file, " << all.peakKiB << " for 24";
}

}  // namespace
