// lum-brevix, the real program, under real faults: killed with SIGKILL at
// any moment, a disk that fills up, a source that changes while it is read,
// and files it has no right to. Whatever happens, a target is either the
// earlier one or the whole new copy, and nothing else is left behind.
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/support/Child.h"
#include "tests/support/Files.h"
#include "tests/support/PosixFaults.h"
#include "tests/support/ReferenceCopy.h"

namespace {

namespace fs = std::filesystem;
using lum::test::Child;
using lum::test::Finished;
using lum::test::PathOf;
using lum::test::WriteBytes;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMiB = std::size_t{1} << 20;

// XML rows up to `size` bytes.
std::string Rows(std::size_t size) {
  std::string text;
  for (int row = 0; text.size() < size; ++row) text += "<row n=\"" + std::to_string(row) + "\">hodnota</row>";
  return text;
}

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(PathOf(folder))) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// A file's bytes, read in one go: the targets here run to tens of megabytes.
std::string ReadBytes(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary | std::ios::ate);
  std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return bytes;
}

int EnvironmentNumber(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

// Runs the program to its end as the user and group nobody (65534), whom
// permissions bind: a test run by root gives up root for good in a process of
// its own first, which starts the program and sends back how it ended.
Finished RunAsNobody(const std::vector<std::string>& arguments, const std::string& folder) {
  if (::geteuid() != 0) return Child(arguments, folder).finish();
  int channel[2];
  if (::pipe(channel) != 0) throw std::runtime_error("pipe");
  const pid_t helper = ::fork();
  if (helper == 0) {
    ::close(channel[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
    try {
      const Finished finished = Child(arguments, folder).finish();
      const std::string report = std::to_string(finished.status) + "\n" + finished.err;
      for (std::size_t sent = 0; sent < report.size();) {
        const ssize_t written = ::write(channel[1], report.data() + sent, report.size() - sent);
        if (written <= 0) ::_exit(1);
        sent += static_cast<std::size_t>(written);
      }
    } catch (...) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(got));
  ::close(channel[0]);
  int status = 0;
  ::waitpid(helper, &status, 0);
  const std::size_t lineEnd = report.find('\n');
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || lineEnd == std::string::npos) {
    throw std::runtime_error("could not run the program as nobody");
  }
  Finished finished;
  finished.status = std::stoi(report.substr(0, lineEnd));
  finished.err = report.substr(lineEnd + 1);
  return finished;
}

// --- SIGKILL at random moments -------------------------------------------------

// What one killed run left: the earlier target or none, or the new copy whole.
enum class Left { EarlierOrNone, WholeCopy };

class KillTest : public testing::Test {
 protected:
  void SetUp() override {
    // On a tmpfs of its own the test also sees that a killed run's unnamed
    // temporary file gives its room back; elsewhere it looks at the names.
    source_ = disk_.mounted() ? disk_.path("big.xml") : temp_.path("big.xml");
    folder_ = source_.substr(0, source_.rfind('/'));
    target_ = source_ + "_LUM.XML";
    WriteBytes(source_, Rows(24 * kMiB));
    expected_ = lum::test::ReferenceTarget(ReadBytes(source_));
  }

  // Runs the program on the big file, kills it where `kill` says, and checks
  // what it left.
  Left runAndCheck(bool earlierTarget, const std::function<void(Child&)>& kill) {
    fs::remove(PathOf(target_));
    if (earlierTarget) WriteBytes(target_, "<earlier/>");
    const std::optional<std::uint64_t> freeBefore =
        disk_.mounted() ? std::optional(disk_.freeBytes()) : std::nullopt;

    const Clock::time_point start = Clock::now();
    Child child({"big.xml"}, folder_);
    kill(child);
    const Finished finished = child.finish();
    lastRun_ = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    EXPECT_TRUE(finished.status == -SIGKILL || finished.status == 0) << finished.status << ": " << finished.err;

    const bool targetThere = fs::exists(PathOf(target_));
    const auto size = targetThere ? fs::file_size(PathOf(target_)) : 0;
    const std::string target = targetThere && (size == expected_.size() || size < 100) ? ReadBytes(target_) : "";
    const bool whole = targetThere && target == expected_;
    const bool earlier = targetThere ? target == "<earlier/>" : !earlierTarget;
    // Replacing an earlier target takes a rename: killed between naming the
    // finished copy and the rename, the program leaves that whole copy under
    // its temporary name beside the untouched earlier target. Anything else
    // left is a fault.
    std::set<std::string> expectedNames{"big.xml"};
    if (targetThere) expectedNames.insert("big.xml_LUM.XML");
    for (const std::string& name : Names(folder_)) {
      if (expectedNames.count(name) != 0 || name.rfind(".lum-", 0) != 0 || !earlierTarget || !earlier) continue;
      const std::string leftover = folder_ + "/" + name;
      if (fs::file_size(PathOf(leftover)) == expected_.size() && ReadBytes(leftover) == expected_) {
        fs::remove(PathOf(leftover));
        ++finishedUnderTemporaryName_;
      }
    }
    EXPECT_EQ(Names(folder_), expectedNames);
    EXPECT_TRUE(targetThere || !earlierTarget) << "the earlier target is gone";
    EXPECT_TRUE(whole || earlier) << "a target of " << size << " bytes is neither the earlier one nor whole";
    if (finished.status == 0) {
      EXPECT_TRUE(whole) << "the program ended well without a whole target";
    }
    if (freeBefore && !whole) {
      EXPECT_EQ(disk_.freeBytes(), *freeBefore) << "the killed copy still takes room";
    }
    return whole ? Left::WholeCopy : Left::EarlierOrNone;
  }

  lum::test::SmallDisk disk_{160 * kMiB};
  lum::test::TempFolder temp_;
  std::string folder_;
  std::string source_;
  std::string target_;
  std::string expected_;
  std::chrono::microseconds lastRun_{};  // from start to end of the last run's program
  int finishedUnderTemporaryName_ = 0;
};

// Half the runs are killed after a random time, from the start of the
// process to past its usual end; the other half at a random place in the
// source, held still while that place is read.
TEST_F(KillTest, EarlierTargetOrWholeCopyAndNothingElse) {
  const int runs = EnvironmentNumber("BREVIX_KILL_RUNS", 40);
  std::random_device entropy;
  const unsigned seed = static_cast<unsigned>(EnvironmentNumber("BREVIX_KILL_SEED", static_cast<int>(entropy() >> 1)));
  std::mt19937 random(seed);
  RecordProperty("seed", static_cast<int>(seed));

  ASSERT_EQ(runAndCheck(false, [](Child&) {}), Left::WholeCopy);
  const std::chrono::microseconds usual = lastRun_;
  const auto sourceSize = static_cast<long long>(fs::file_size(PathOf(source_)));

  int midCopy = 0;
  int afterCommit = 0;
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run) + " of seed " + std::to_string(seed));
    const bool earlierTarget = random() % 2 == 0;
    Left left{};
    if (run % 2 == 0) {
      const auto delay = std::chrono::microseconds(random() % (usual.count() * 6 / 5 + 1));
      left = runAndCheck(earlierTarget, [&](Child& child) {
        std::this_thread::sleep_for(delay);
        ::kill(child.pid(), SIGKILL);
      });
    } else {
      const long long place = static_cast<long long>(random() % static_cast<unsigned long long>(sourceSize));
      left = runAndCheck(earlierTarget, [&](Child& child) {
        // Holds the program still now and then until it has read past the
        // place; a program that has closed the source is past it too.
        bool seenOpen = false;
        for (;;) {
          const std::optional<long long> position = child.stopAndReadPosition(source_);
          if (!child.running()) return;
          seenOpen = seenOpen || position.has_value();
          if ((position && *position >= place) || (!position && seenOpen)) break;
          child.resume();
          std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        ::kill(child.pid(), SIGKILL);
      });
    }
    (left == Left::WholeCopy ? afterCommit : midCopy) += 1;
    if (HasFailure()) break;
  }
  std::printf("kill -9: %d runs (seed %u, %lld-byte source, usual run %lld ms): %d left the earlier target or none "
              "(%d of them also the whole copy under its temporary name), %d the whole copy%s\n",
              runs, seed, sourceSize, static_cast<long long>(usual.count() / 1000), midCopy,
              finishedUnderTemporaryName_, afterCommit,
              HasFailure() ? "" : disk_.mounted() ? "; nothing else left, all room given back" : "; nothing else left");
  // Most kills must land in the middle of the copy, or the test proves little.
  EXPECT_GE(midCopy, runs / 3);
}

// --- The disk fills up -------------------------------------------------------------

class CliFaultTest : public testing::Test {
 protected:
  lum::test::TempFolder folder_;
};

// The shell's "ulimit -f", with SIGXFSZ at its default action (ending the
// process) as a shell leaves it: writes past the limit fail as on a full disk.
TEST_F(CliFaultTest, FileSizeLimitIsAFullDisk) {
  WriteBytes(folder_.path("a.xml"), Rows(kMiB));
  WriteBytes(folder_.path("a.xml_LUM.XML"), "<earlier/>");
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto savedHandler = ::signal(SIGXFSZ, SIG_DFL);
  rlimit limited = saved;
  limited.rlim_cur = 64 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &limited);
  Child child({"a.xml"}, folder_.path(""));  // keeps the limit and the signal's action
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, savedHandler);

  const Finished finished = child.finish();
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err, "a.xml_LUM.XML: 61-Disk je plný\n");
  EXPECT_EQ(ReadBytes(folder_.path("a.xml_LUM.XML")), "<earlier/>");
  EXPECT_EQ(folder_.names(), (std::set<std::string>{"a.xml", "a.xml_LUM.XML"}));
}

struct FullDiskRow {
  const char* name;
  std::vector<std::string> arguments;  // run on the disk's folder
  const char* target;
};

void PrintTo(const FullDiskRow& row, std::ostream* os) { *os << row.name; }

class FullDiskTest : public testing::TestWithParam<FullDiskRow> {};

// A tmpfs of 1 MiB with a source of 400 KB: its copy does not fit.
TEST_P(FullDiskTest, ReportsAndKeepsTheEarlierTargetAndItsRoom) {
  const lum::test::SmallDisk disk(kMiB);
  if (!disk.mounted()) GTEST_SKIP() << disk.problem();
  std::string content;
  while (content.size() < 400 * 1024) content += "<a>";
  WriteBytes(disk.path("a.xml"), content);
  WriteBytes(disk.path(GetParam().target), "<earlier/>");
  const std::set<std::string> before = Names(disk.path(""));
  const std::uint64_t freeBefore = disk.freeBytes();

  const Finished finished = Child(GetParam().arguments, disk.path("")).finish();
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err, std::string(GetParam().target) + ": 61-Disk je plný\n");
  EXPECT_EQ(ReadBytes(disk.path(GetParam().target)), "<earlier/>");
  EXPECT_EQ(Names(disk.path("")), before);
  EXPECT_EQ(disk.freeBytes(), freeBefore) << "the unfinished copy still takes room";
}

INSTANTIATE_TEST_SUITE_P(Targets, FullDiskTest,
                         testing::Values(FullDiskRow{"BesideTheSource", {"a.xml"}, "a.xml_LUM.XML"},
                                         FullDiskRow{"NamedOutput", {"-o", "out.xml", "a.xml"}, "out.xml"}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The source changes while it is read ------------------------------------------

struct SourceChangeRow {
  const char* name;
  std::function<void(const std::string& source)> change;
  int status;
  const char* err;  // the whole of standard error
  bool copied;      // the target is the copy of the source as it was opened
};

void PrintTo(const SourceChangeRow& row, std::ostream* os) { *os << row.name; }

class SourceChangeTest : public CliFaultTest, public testing::WithParamInterface<SourceChangeRow> {};

// The program is held still once it has read part of the source, the source
// is changed, and the program goes on.
TEST_P(SourceChangeTest, WhileRead) {
  const std::string source = folder_.path("a.xml");
  const std::string content = Rows(8 * kMiB);
  WriteBytes(source, content);
  WriteBytes(folder_.path("a.xml_LUM.XML"), "<earlier/>");

  Child child({"-q", "a.xml"}, folder_.path(""));
  bool changed = false;
  while (!changed) {
    const std::optional<long long> position = child.stopAndReadPosition(source);
    if (!child.running()) break;
    if (position && *position > 0 && *position < static_cast<long long>(content.size())) {
      GetParam().change(source);
      changed = true;
    }
    child.resume();
  }
  const Finished finished = child.finish();
  ASSERT_TRUE(changed) << "the program read the source before it could be held";
  EXPECT_EQ(finished.status, GetParam().status);
  EXPECT_EQ(finished.err, GetParam().err);
  const std::string target = ReadBytes(folder_.path("a.xml_LUM.XML"));
  EXPECT_TRUE(target == (GetParam().copied ? lum::test::ReferenceTarget(content) : "<earlier/>"))
      << "the target holds " << target.size() << " bytes";
  std::set<std::string> names = folder_.names();
  names.erase("a.xml");
  EXPECT_EQ(names, std::set<std::string>{"a.xml_LUM.XML"});
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SourceChangeTest,
    testing::Values(SourceChangeRow{"CutShort", [](const std::string& source) { fs::resize_file(PathOf(source), 100); },
                                    1, "a.xml: 57-Chyba vstupu/výstupu zařízení\n", false},
                    SourceChangeRow{"Removed", [](const std::string& source) { fs::remove(PathOf(source)); }, 0, "",
                                    true},
                    SourceChangeRow{"ReplacedByAnother",
                                    [](const std::string& source) {
                                      WriteBytes(source + ".new", "<other/>");
                                      fs::rename(PathOf(source + ".new"), PathOf(source));
                                    },
                                    0, "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Refused before anything is written ---------------------------------------------

struct RefusalRow {
  const char* name;
  // Prepares the folder, where "a.xml_LUM.XML" holds "<earlier/>".
  std::function<void(const lum::test::TempFolder&)> prepare;
  std::vector<std::string> arguments;
  bool asNobody;  // run as a user whom permissions bind, also when the tests run as root
  const char* err;
};

void PrintTo(const RefusalRow& row, std::ostream* os) { *os << row.name; }

class RefusalTest : public CliFaultTest, public testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusalTest, ExitsWith1AndChangesNothing) {
  WriteBytes(folder_.path("a.xml_LUM.XML"), "<earlier/>");
  GetParam().prepare(folder_);
  const std::set<std::string> before = folder_.names();
  const Finished finished = GetParam().asNobody ? RunAsNobody(GetParam().arguments, folder_.path(""))
                                                : Child(GetParam().arguments, folder_.path("")).finish();
  ::chmod(folder_.path("").c_str(), 0755);
  EXPECT_EQ(finished.status, 1);
  EXPECT_EQ(finished.err, GetParam().err);
  EXPECT_EQ(folder_.names(), before);
  EXPECT_EQ(ReadBytes(folder_.path("a.xml_LUM.XML")), "<earlier/>");
}

void Source(const lum::test::TempFolder& folder) { WriteBytes(folder.path("a.xml"), "<a/>"); }

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusalTest,
    testing::Values(
        RefusalRow{"UnreadableSource",
                   [](const lum::test::TempFolder& folder) {
                     Source(folder);
                     ::chmod(folder.path("a.xml").c_str(), 0);
                   },
                   {"a.xml"}, true, "a.xml: 70-Přístup byl odepřen\n"},
        RefusalRow{"ReadOnlyFolder",
                   [](const lum::test::TempFolder& folder) {
                     Source(folder);
                     ::chmod(folder.path("").c_str(), 0555);
                   },
                   {"a.xml"}, true, "a.xml_LUM.XML: 70-Přístup byl odepřen\n"},
        RefusalRow{"ReadOnlyOutputFolder",
                   [](const lum::test::TempFolder& folder) {
                     Source(folder);
                     fs::create_directory(PathOf(folder.path("ro")));
                     ::chmod(folder.path("ro").c_str(), 0555);
                   },
                   {"-o", "ro/out.xml", "a.xml"}, true, "ro/out.xml: 70-Přístup byl odepřen\n"},
        RefusalRow{"TargetNameIsAFolder",
                   [](const lum::test::TempFolder& folder) {
                     Source(folder);
                     fs::create_directory(PathOf(folder.path("out.xml")));
                   },
                   {"-o", "out.xml", "a.xml"}, false, "out.xml: 75-Chyba přístupu k cestě nebo souboru\n"},
        RefusalRow{"CharacterDevice", [](const lum::test::TempFolder&) {}, {"-o", "out.xml", "/dev/null"}, false,
                   "/dev/null: 75-Chyba přístupu k cestě nebo souboru\n"},
        RefusalRow{"EndlessDevice", [](const lum::test::TempFolder&) {}, {"-o", "out.xml", "/dev/zero"}, false,
                   "/dev/zero: 75-Chyba přístupu k cestě nebo souboru\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
