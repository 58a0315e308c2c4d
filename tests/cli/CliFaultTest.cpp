// lum-brevix, the real program, where only a process shows it: killed with
// SIGKILL at any moment, a disk that fills up, the shell's file-size limit,
// standard output on a full device, on the source file itself and on a pipe
// whose reader is gone, Ctrl+C, standard input read to its end. Whatever happens, the target is either the earlier one
// or the whole copy, and nothing else is left behind.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>

#include "tests/support/Files.h"
#include "tests/support/PosixFaults.h"
#include "tests/support/ReferenceCopy.h"
#include "tests/support/Table.h"

namespace lum::test {
namespace {

namespace fs = std::filesystem;

// The program under test, lum-brevix, started in `folder` with a pipe on its
// standard input and error and its standard output going nowhere, after the
// shell command `setup` when one is given; killed if it still runs when the
// object goes.
class Child {
 public:
  Child(std::vector<std::string> arguments, const std::string& folder, const std::string& setup = "") {
    // A child that stops reading its input must not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    int input[2], errors[2];
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(errors, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    arguments.insert(arguments.begin(), LUM_BREVIX_PROGRAM);
    if (!setup.empty()) arguments.insert(arguments.begin(), {"/bin/sh", "-c", setup + " && exec \"$0\" \"$@\""});
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      // As a login shell starts it: an ignored signal would stay ignored across exec.
      ::signal(SIGPIPE, SIG_DFL);
      ::signal(SIGXFSZ, SIG_DFL);
      const int nowhere = ::open("/dev/null", O_WRONLY);
      if (::dup2(input[0], 0) == 0 && ::dup2(nowhere, 1) == 1 && ::dup2(errors[1], 2) == 2 &&
          ::chdir(folder.c_str()) == 0) {
        ::execv(argv[0], argv.data());
      }
      ::_exit(127);
    }
    ::close(input[0]);
    ::close(errors[1]);
    in_ = input[1];
    err_ = errors[0];
  }
  ~Child() {
    if (pid_ > 0) ::kill(pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
    ::close(in_);
    ::close(err_);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t pid() const { return pid_; }
  void send(std::string_view bytes) {
    for (ssize_t written; !bytes.empty(); bytes.remove_prefix(static_cast<std::size_t>(written))) {
      if ((written = ::write(in_, bytes.data(), bytes.size())) < 0) throw std::runtime_error("write");
    }
  }
  // From now on the child must end while its standard input stays open.
  void keepInputOpen() { inputOpen_ = true; }
  // Closes standard input (unless kept open), reads standard error to its end
  // and waits: the exit code, or -signal when a signal ended the child, and
  // what it said. A child that keeps running with its input open for 10 s
  // gives -1 (and is killed).
  std::pair<int, std::string> finish() {
    if (!inputOpen_) ::close(std::exchange(in_, -1));
    std::string said;
    char buffer[4096];
    pollfd errors{err_, POLLIN, 0};
    bool ended = false;
    while (!ended && ::poll(&errors, 1, inputOpen_ ? 10000 : -1) > 0) {
      const ssize_t got = ::read(err_, buffer, sizeof buffer);
      ended = got <= 0;
      if (!ended) said.append(buffer, static_cast<std::size_t>(got));
    }
    if (!ended) return {-1, said};
    int status = 0;
    ::waitpid(std::exchange(pid_, -1), &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), said};
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int err_ = -1;
  bool inputOpen_ = false;
};

// A folder on a small tmpfs of its own where mounting is allowed (so that a
// full disk is real and the room a copy took can be counted), else in /tmp.
using Scene = SmallDisk;

struct Row {
  const char* name;
  std::vector<std::string> arguments;
  std::function<void(Scene&)> prepare;
  std::function<void(Child&)> during;
  int status;
  const char* messages;
  bool needsSmallDisk = false;
  const char* setup = "";  // a shell command before the program
};

class ProcessTest : public testing::TestWithParam<Row> {};

TEST_P(ProcessTest, ReportsAndChangesNothing) {
  Scene scene(1 << 20);
  if (GetParam().needsSmallDisk && !scene.mounted()) GTEST_SKIP() << scene.problem();
  WriteBytes(scene.path("a.xml"), Rows(400 << 10));
  WriteBytes(scene.path("a.xml_LUM.XML"), "<earlier/>");
  if (GetParam().prepare) GetParam().prepare(scene);
  const std::set<std::string> before = NamesIn(scene.path(""));
  const std::uint64_t freeBefore = scene.mounted() ? scene.freeBytes() : 0;
  Child child(GetParam().arguments, scene.path(""), GetParam().setup);
  if (GetParam().during) GetParam().during(child);
  const auto [status, messages] = child.finish();
  EXPECT_EQ(status, GetParam().status);
  EXPECT_EQ(messages, GetParam().messages);
  EXPECT_EQ(NamesIn(scene.path("")), before);
  EXPECT_EQ(ReadBytes(scene.path("a.xml_LUM.XML")), "<earlier/>");
  EXPECT_TRUE(!scene.mounted() || scene.freeBytes() == freeBefore) << "the unfinished copy takes room";
}

// Sends `signal` once the program has read most of its input, so it runs;
// the input does not end, as a terminal's or a silent writer's does not.
std::function<void(Child&)> InterruptWith(int signal) {
  return [signal](Child& child) {
    child.send(Rows(300 << 10));
    ::kill(child.pid(), signal);
    child.keepInputOpen();
  };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Faults, ProcessTest,
    testing::Values(
        // SIGXFSZ stays at its default action, which ends a process, as a shell leaves it.
        Row{"FileSizeLimitIsAFullDisk", {"a.xml"}, nullptr, nullptr, 1, "a.xml_LUM.XML: 61-Disk je plný\n", false,
            "ulimit -f 128"},
        Row{"FullDisk", {"a.xml"}, [](Scene& s) { WriteBytes(s.path("zabráno"), std::string(400 << 10, 'x')); },
            nullptr, 1, "a.xml_LUM.XML: 61-Disk je plný\n", true},
        Row{"FullStandardOutput", {"-o", "-", "a.xml"}, nullptr, nullptr, 1, "standardní výstup: 61-Disk je plný\n",
            false, "ulimit -t 10 && exec >/dev/full"},  // a program that kept trying would spin
        // Without the refusal the copy would grow its own source up to the limit.
        Row{"StandardOutputIsTheSource", {"-o", "-", "a.xml"}, nullptr, nullptr, 1,
            "standardní výstup: 75-Kopie by přepsala zdrojový soubor\n", false, "ulimit -f 4096 && exec >>a.xml"},
        Row{"StandardInputAndOutputAreTheSource", {"-o", "-", "-"}, nullptr, nullptr, 1,
            "standardní výstup: 75-Kopie by přepsala zdrojový soubor\n", false, "ulimit -f 4096 && exec <a.xml >>a.xml"},
        // The reader, head, is gone after 10 bytes: an end by SIGPIPE, as for
        // other filters, and not a word.
        Row{"ReaderOfStandardOutputGone", {"-o", "-", "a.xml"}, nullptr, nullptr, -SIGPIPE, "", false,
            "mkfifo out && { head -c 10 out >/dev/null & } && exec >out && rm out"},
        Row{"CtrlCWhileWaitingForInput", {"-o", "a.xml_LUM.XML", "-"}, nullptr, InterruptWith(SIGINT), 130,
            "standardní vstup: přerušeno, kopie nebyla uložena\n"},
        Row{"TerminatedWhileWaitingForInput", {"-o", "a.xml_LUM.XML", "-"}, nullptr, InterruptWith(SIGTERM), 130,
            "standardní vstup: přerušeno, kopie nebyla uložena\n"}), RowName);
// clang-format on

// Standard input read to its end, as `gzip -dc … | lum-brevix -o - -` reads it.
TEST(StandardInput, ReadToItsEnd) {
  TempFolder folder;
  const std::string source = Rows(300 << 10);
  Child child({"-q", "-o", "a.xml_LUM.XML", "-"}, folder.path(""));
  child.send(source);
  EXPECT_EQ(child.finish(), std::make_pair(0, std::string()));
  EXPECT_TRUE(ReadBytes(folder.path("a.xml_LUM.XML")) == ReferenceTarget(source));
}

// Started with standard input closed, as some services start programs, the
// program opens the source as descriptor 0, which is a file like any other.
TEST(StandardInput, ClosedIsNoHindrance) {
  TempFolder folder;
  WriteBytes(folder.path("a.xml"), "<a>");
  Child child({"-q", "a.xml"}, folder.path(""), "exec <&-");
  EXPECT_EQ(child.finish(), std::make_pair(0, std::string()));
  EXPECT_EQ(ReadBytes(folder.path("a.xml_LUM.XML")), "<a>\r\n");
}

// SIGKILL at a random moment from the start of the process to past its usual
// end, with and without an earlier target.
TEST(KillTest, EarlierTargetOrWholeCopyAndNothingElse) {
  Scene scene(160 << 20);
  const TempFolder elsewhere;
  const std::string source = scene.path("big.xml"), target = source + "_LUM.XML";
  WriteBytes(source, Rows(24 << 20));
  const std::string expected = ReferenceTarget(ReadBytes(source));
  const char* runsSetting = std::getenv("BREVIX_KILL_RUNS");
  const int runs = runsSetting != nullptr ? std::atoi(runsSetting) : 40;
  const unsigned seed = std::random_device()();
  std::mt19937 random(seed);

  // Three whole runs first, from a folder on another disk, replacing an
  // earlier target named by its full path at the root of the disk: its
  // temporary name must be on that disk too. The quickest of them sets the
  // kills' times: one slowed down by other programs would make most kills come
  // after the end.
  auto usual = std::chrono::steady_clock::duration::max();
  for (int run = 0; run < 3; ++run) {
    WriteBytes(target, "<earlier/>");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Child({source}, elsewhere.path("")).finish().first, 0);
    usual = std::min(usual, std::chrono::steady_clock::now() - start);
    ASSERT_TRUE(ReadBytes(target) == expected);
  }
  int midCopy = 0, underTemporaryName = 0;
  for (int run = 0; run < runs && !testing::Test::HasFailure(); ++run) {
    SCOPED_TRACE("run " + std::to_string(run) + " of seed " + std::to_string(seed));
    const bool earlier = random() % 2 == 0;
    fs::remove(PathOf(target));
    if (earlier) WriteBytes(target, "<earlier/>");
    const std::uint64_t freeBefore = scene.mounted() ? scene.freeBytes() : 0;
    Child child({"big.xml"}, scene.path(""));
    std::this_thread::sleep_for(usual * (random() % 1200) / 1000);
    ::kill(child.pid(), SIGKILL);
    const int status = child.finish().first;
    EXPECT_TRUE(status == -SIGKILL || status == 0) << status;
    const std::string left = ReadBytes(target);
    const bool whole = left.size() == expected.size() && left == expected;
    EXPECT_TRUE(whole || left == (earlier ? "<earlier/>" : "")) << "a target of " << left.size() << " bytes";
    EXPECT_TRUE(whole || status != 0) << "the program ended well without a whole target";
    std::set<std::string> names = NamesIn(scene.path(""));
    const int leftoversBefore = underTemporaryName;
    // Replacing an earlier target takes a rename: killed between naming the
    // finished copy and the rename, the program leaves that whole copy under
    // its temporary name beside the untouched earlier target.
    for (const std::string& name : std::set(names)) {
      if (earlier && !whole && name.starts_with(".lum-") && ReadBytes(scene.path(name)) == expected) {
        fs::remove(PathOf(scene.path(name)));
        names.erase(name);
        ++underTemporaryName;
      }
    }
    EXPECT_EQ(names, (whole || earlier ? std::set<std::string>{"big.xml", "big.xml_LUM.XML"}
                                       : std::set<std::string>{"big.xml"}));
    const bool roomCounts = scene.mounted() && !whole && underTemporaryName == leftoversBefore;
    EXPECT_TRUE(!roomCounts || scene.freeBytes() == freeBefore) << "the killed copy still takes room";
    midCopy += whole ? 0 : 1;
  }
  std::printf("kill -9: %d runs (seed %u), %d in the middle of the copy, %d whole copies under the temporary name\n",
              runs, seed, midCopy, underTemporaryName);
  // Most kills must land in the middle of the copy, or the test proves little.
  EXPECT_GE(midCopy, runs / 3);
}

}  // namespace
}  // namespace lum::test
