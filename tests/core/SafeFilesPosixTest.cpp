// The reformat job's files on POSIX: sources that are no regular files,
// permissions, the file-size limit, long names, and what becomes of an
// earlier target: its mode, a read-only one, links.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "reformat/ReformatFile.h"
#include "platform/Failure.h"
#include "tests/support/Files.h"

namespace {

namespace fs = std::filesystem;
using lum::test::ReadBytes;
using lum::test::WriteBytes;

class QuietObserver : public lum::CopyObserver {
 public:
  void progress(std::int64_t) override {}
  bool cancelled() override { return false; }
};

// The failure number of reformatting `source` into `target`; 0 for success,
// 255 for anything that is not a lum::Failure.
int ReformatFailure(const std::string& source, const std::string& target) {
  QuietObserver quiet;
  try {
    lum::ReformatFile(source, target, quiet);
  } catch (const lum::Failure& failure) {
    return failure.number();
  } catch (...) {
    return 255;
  }
  return 0;
}

// Runs `action` in a child process and gives its exit code. The child first
// runs `prepare`; with `unprivileged` a child started as root becomes the user
// and group nobody (65534), so that file permissions apply to it.
int ExitCodeInChild(bool unprivileged, const std::function<void()>& prepare, const std::function<int()>& action) {
  const pid_t child = fork();
  if (child == 0) {
    if (unprivileged && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(254);
    }
    prepare();
    _exit(action());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

class SafeFilesPosixTest : public testing::Test {
 protected:
  lum::test::TempFolder folder_;
};

struct NotRegularRow {
  const char* name;
  std::function<std::string(const lum::test::TempFolder&)> make;  // gives the source's path
};

void PrintTo(const NotRegularRow& row, std::ostream* os) { *os << row.name; }

class NotRegularSourceTest : public SafeFilesPosixTest, public testing::WithParamInterface<NotRegularRow> {};

// A pipe without a writer would block a plain open; it is refused at once.
TEST_P(NotRegularSourceTest, IsRefusedWith75AndNothingIsCreated) {
  const std::string source = GetParam().make(folder_);
  const std::set<std::string> before = folder_.names();
  EXPECT_EQ(ReformatFailure(source, folder_.path("out.xml_LUM.XML")), lum::err::kPathFileAccess);
  EXPECT_EQ(folder_.names(), before);
}

INSTANTIATE_TEST_SUITE_P(Sources, NotRegularSourceTest,
                         testing::Values(NotRegularRow{"Fifo",
                                                       [](const lum::test::TempFolder& folder) {
                                                         const std::string path = folder.path("pipe.xml");
                                                         EXPECT_EQ(mkfifo(path.c_str(), 0644), 0);
                                                         return path;
                                                       }},
                                         NotRegularRow{"CharacterDevice",
                                                       [](const lum::test::TempFolder&) {
                                                         return std::string("/dev/null");
                                                       }}),
                         [](const auto& info) { return std::string(info.param.name); });

// Run as a user that permissions bind (root drops to nobody in a child).
TEST_F(SafeFilesPosixTest, ReadOnlyTargetFolderGives70) {
  const std::string source = folder_.path("a.xml");
  WriteBytes(source, "<a/>");
  const fs::path readOnly = lum::test::PathOf(folder_.path("read-only"));
  fs::create_directory(readOnly);
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const std::string target = folder_.path("read-only/a.xml_LUM.XML");
  EXPECT_EQ(ExitCodeInChild(true, [] {}, [&] { return ReformatFailure(source, target); }), lum::err::kPermissionDenied);
  EXPECT_TRUE(fs::is_empty(readOnly));
}

TEST_F(SafeFilesPosixTest, UnreadableSourceGives70) {
  const std::string source = folder_.path("secret.xml");
  WriteBytes(source, "<a/>");
  fs::permissions(lum::test::PathOf(source), fs::perms::none);
  EXPECT_EQ(ExitCodeInChild(true, [] {}, [&] { return ReformatFailure(source, source + "_LUM.XML"); }),
            lum::err::kPermissionDenied);
  EXPECT_EQ(folder_.names(), std::set<std::string>{"secret.xml"});
}

// A full disk, made real by the file-size limit: writes past it fail with
// EFBIG once SIGXFSZ is ignored.
TEST_F(SafeFilesPosixTest, FileSizeLimitGives61AndLeavesNothing) {
  const std::string source = folder_.path("a.xml");
  std::string content;
  while (content.size() < (1 << 20)) content += "<row>value</row>";
  WriteBytes(source, content);
  const std::string target = source + "_LUM.XML";
  WriteBytes(target, "earlier");

  const auto limitFileSize = [] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
  };
  EXPECT_EQ(ExitCodeInChild(false, limitFileSize, [&] { return ReformatFailure(source, target); }), lum::err::kDiskFull);
  EXPECT_EQ(folder_.names(), (std::set<std::string>{"a.xml", "a.xml_LUM.XML"}));
  EXPECT_EQ(ReadBytes(target), "earlier");
}

struct ModeRow {
  const char* name;
  mode_t umask;
  mode_t mode;
};

void PrintTo(const ModeRow& row, std::ostream* os) { *os << row.name; }

class NewTargetModeTest : public SafeFilesPosixTest, public testing::WithParamInterface<ModeRow> {};

TEST_P(NewTargetModeTest, IsThatOfAnyNewFile) {
  const std::string source = folder_.path("a.xml");
  WriteBytes(source, "<a/>");
  const std::string target = source + "_LUM.XML";
  const mode_t saved = umask(GetParam().umask);
  const int failure = ReformatFailure(source, target);
  umask(saved);
  ASSERT_EQ(failure, 0);
  struct stat status {};
  ASSERT_EQ(stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(Umasks, NewTargetModeTest,
                         testing::Values(ModeRow{"Usual", 022, 0644}, ModeRow{"Private", 077, 0600},
                                         ModeRow{"Group", 002, 0664}),
                         [](const auto& info) { return std::string(info.param.name); });

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}

// What stands at the target's name before the run, and what must be true of
// the folder after it. The source is a.xml ("<a/>"), the target
// a.xml_LUM.XML; the tests run as root too, which permissions do not stop.
struct EarlierTargetRow {
  const char* name;
  std::function<void(const lum::test::TempFolder&)> prepare;
  int failure;  // 0: the copy is written
  std::function<void(const lum::test::TempFolder&)> check;
};

void PrintTo(const EarlierTargetRow& row, std::ostream* os) { *os << row.name; }

class EarlierTargetTest : public SafeFilesPosixTest, public testing::WithParamInterface<EarlierTargetRow> {};

TEST_P(EarlierTargetTest, IsReplacedOnlyAsItsOwnerAllows) {
  const std::string source = folder_.path("a.xml");
  WriteBytes(source, "<a/>");
  GetParam().prepare(folder_);
  const std::set<std::string> before = folder_.names();
  EXPECT_EQ(ReformatFailure(source, source + "_LUM.XML"), GetParam().failure);
  GetParam().check(folder_);
  if (GetParam().failure != 0) {
    EXPECT_EQ(folder_.names(), before);
  }
}

constexpr char kCopy[] = "<a/>\r\n";

void Earlier(const lum::test::TempFolder& folder, const std::string& name, mode_t mode) {
  WriteBytes(folder.path(name), "earlier");
  ASSERT_EQ(::chmod(folder.path(name).c_str(), mode), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EarlierTargetTest,
    testing::Values(
        EarlierTargetRow{"ReadOnlyIsRefusedAndKept",
                         [](const auto& folder) { Earlier(folder, "a.xml_LUM.XML", 0444); }, lum::err::kPathFileAccess,
                         [](const auto& folder) {
                           EXPECT_EQ(ReadBytes(folder.path("a.xml_LUM.XML")), "earlier");
                           EXPECT_EQ(ModeOf(folder.path("a.xml_LUM.XML")) & 07777, 0444u);
                         }},
        EarlierTargetRow{"PipeIsRefusedAndKept",
                         [](const auto& folder) {
                           ASSERT_EQ(::mkfifo(folder.path("a.xml_LUM.XML").c_str(), 0666), 0);
                         },
                         lum::err::kPathFileAccess,
                         [](const auto& folder) { EXPECT_TRUE(S_ISFIFO(ModeOf(folder.path("a.xml_LUM.XML")))); }},
        EarlierTargetRow{"PermissionsCarryOver", [](const auto& folder) { Earlier(folder, "a.xml_LUM.XML", 0640); },
                         0,
                         [](const auto& folder) {
                           EXPECT_EQ(ReadBytes(folder.path("a.xml_LUM.XML")), kCopy);
                           EXPECT_EQ(ModeOf(folder.path("a.xml_LUM.XML")) & 07777, 0640u);
                         }},
        EarlierTargetRow{"SymbolicLinkIsFollowed",
                         [](const auto& folder) {
                           fs::create_directory(lum::test::PathOf(folder.path("elsewhere")));
                           Earlier(folder, "elsewhere/real.xml", 0600);
                           fs::create_symlink("elsewhere/real.xml", lum::test::PathOf(folder.path("a.xml_LUM.XML")));
                         },
                         0,
                         [](const auto& folder) {
                           EXPECT_TRUE(S_ISLNK(ModeOf(folder.path("a.xml_LUM.XML"))));
                           EXPECT_EQ(ReadBytes(folder.path("elsewhere/real.xml")), kCopy);
                           EXPECT_EQ(ModeOf(folder.path("elsewhere/real.xml")) & 07777, 0600u);
                           EXPECT_EQ(fs::directory_iterator(lum::test::PathOf(folder.path("elsewhere")))->path().filename(),
                                     "real.xml");
                         }},
        EarlierTargetRow{"DanglingLinkGetsItsFile",
                         [](const auto& folder) {
                           fs::create_symlink("made.xml", lum::test::PathOf(folder.path("a.xml_LUM.XML")));
                         },
                         0,
                         [](const auto& folder) {
                           EXPECT_TRUE(S_ISLNK(ModeOf(folder.path("a.xml_LUM.XML"))));
                           EXPECT_EQ(ReadBytes(folder.path("made.xml")), kCopy);
                         }},
        EarlierTargetRow{"HardLinkIsNotFollowed",
                         [](const auto& folder) {
                           Earlier(folder, "a.xml_LUM.XML", 0644);
                           fs::create_hard_link(lum::test::PathOf(folder.path("a.xml_LUM.XML")),
                                                lum::test::PathOf(folder.path("other.xml")));
                         },
                         0,
                         [](const auto& folder) {
                           EXPECT_EQ(ReadBytes(folder.path("a.xml_LUM.XML")), kCopy);
                           EXPECT_EQ(ReadBytes(folder.path("other.xml")), "earlier");
                         }}),
    [](const auto& info) { return std::string(info.param.name); });

// Counts the buffers the copy got through.
class BufferCounter : public lum::CopyObserver {
 public:
  void progress(std::int64_t) override {}
  bool cancelled() override {
    ++buffers;
    return false;
  }
  int buffers = 0;
};

struct NameLengthRow {
  const char* name;
  std::size_t sourceNameBytes;  // the target's name is 8 bytes longer
  int failure;
};

void PrintTo(const NameLengthRow& row, std::ostream* os) { *os << row.name; }

class NameLengthTest : public SafeFilesPosixTest, public testing::WithParamInterface<NameLengthRow> {};

// Czech names take two bytes a letter in UTF-8: 120 of them fill most of the
// 255 bytes a file system allows for a name.
TEST_P(NameLengthTest, ATargetThatFitsIsWrittenOneThatDoesNotFailsFirst) {
  std::string name;
  while (name.size() + 2 + 4 <= GetParam().sourceNameBytes) name += "ž";
  if (name.size() + 4 < GetParam().sourceNameBytes) name += "x";
  name += ".xml";
  ASSERT_EQ(name.size(), GetParam().sourceNameBytes);
  const std::string source = folder_.path(name);
  WriteBytes(source, std::string(3 << 20, '>'));
  const std::set<std::string> before = folder_.names();

  BufferCounter counter;
  int failure = 0;
  try {
    lum::ReformatFile(source, source + "_LUM.XML", counter);
  } catch (const lum::Failure& caught) {
    failure = caught.number();
  }
  EXPECT_EQ(failure, GetParam().failure);
  if (failure != 0) {
    EXPECT_EQ(counter.buffers, 0) << "copied before failing";
    EXPECT_EQ(folder_.names(), before);
  } else {
    EXPECT_EQ(fs::file_size(lum::test::PathOf(source + "_LUM.XML")), std::uintmax_t{9} << 20);
    EXPECT_EQ(folder_.names().size(), before.size() + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Names, NameLengthTest,
                         testing::Values(NameLengthRow{"TargetOf232Bytes", 224, 0},
                                         NameLengthRow{"TargetOf255Bytes", 247, 0},
                                         NameLengthRow{"TargetOf256Bytes", 248, lum::err::kPathFileAccess}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
