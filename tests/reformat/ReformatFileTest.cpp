// The reformat job on real files: what it writes, what it refuses, and what
// it leaves when it cannot finish. Whatever happens, the target is either
// the earlier one or the whole copy, and nothing else is left behind.
#include "reformat/ReformatFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "reformat/TargetPath.h"
#include "tests/support/Files.h"
#include "tests/support/ReferenceCopy.h"
#include "tests/support/Streams.h"
#include "tests/support/Table.h"
#ifndef _WIN32
#include <sys/stat.h>

#include "tests/support/PosixFaults.h"
#endif

namespace lum::test {
namespace {

namespace fs = std::filesystem;

constexpr int kCancelled = -1;  // the observer cancels at its first question
const std::string kSep(1, kNativeSeparator);

// A folder with a source of several buffers and an earlier target beside it.
struct Scene {
  TempFolder folder;
  std::string content = Rows(3 << 20);
  std::string source = folder.path("faktura č. 7.xml");
  std::string target = TargetPathFor(source, kNativePathStyle);
};

struct Case {
  const char* name;
  int failure;                                    // 0: written; kCancelled
  std::function<void(Scene&)> prepare = nullptr;  // changes the scene
  std::function<void(Scene&)> during = nullptr;   // at the first progress point
  std::function<void(Scene&)> check = nullptr;    // more to see afterwards
  bool asNobody = false;                          // run by a user whom permissions bind, also under root
  unsigned mode = 0;                              // the target's permission bits afterwards
  unsigned umask = 022;
};

class ReformatFileTest : public testing::TestWithParam<Case> {};

TEST_P(ReformatFileTest, WritesTheWholeCopyOrLeavesAllAsItWas) {
  const Case& row = GetParam();
  Scene scene;
  WriteBytes(scene.source, scene.content);
  WriteBytes(scene.target, "earlier");
  if (row.prepare) row.prepare(scene);
  if (IsSkipped()) return;
  const std::set<std::string> before = scene.folder.names();
  const std::string earlier = ReadBytes(scene.target);

  RecordingObserver observer(row.failure == kCancelled ? 1 : 0);
  auto during = row.during;
  observer.onProgress = [&] {
    if (during) std::exchange(during, nullptr)(scene);
  };
  CopyOutcome outcome{};
  int failure = 0;
  {
#ifndef _WIN32
    const mode_t savedMask = ::umask(row.umask);
    std::optional<AsNobody> nobody;
    if (row.asNobody) nobody.emplace();
#endif
    failure = FailureNumber([&] { outcome = ReformatFile(scene.source, scene.target, observer); });
#ifndef _WIN32
    ::umask(savedMask);
#endif
  }
  EXPECT_EQ(failure == 0 && outcome == CopyOutcome::Cancelled ? kCancelled : failure, row.failure);
  // Apart from the source, which a row may remove, the folder holds what it
  // held and, after a copy, the target.
  std::set<std::string> after = scene.folder.names(), expected = before;
  for (auto* names : {&after, &expected}) names->erase(Utf8Of(PathOf(scene.source).filename()));
  if (row.failure == 0) {
    EXPECT_TRUE(ReadBytes(scene.target) == ReferenceTarget(scene.content)) << "not the whole copy";
    expected.insert(Utf8Of(PathOf(scene.target).filename()));
  } else {
    EXPECT_EQ(ReadBytes(scene.target), earlier);
    const bool refused = !row.during && row.failure != kCancelled;
    EXPECT_TRUE(!refused || observer.questions == 0) << "copied before failing";
  }
  EXPECT_EQ(after, expected);
#ifndef _WIN32
  struct stat status {};
  EXPECT_TRUE(row.mode == 0 || (::stat(scene.target.c_str(), &status) == 0 && (status.st_mode & 07777) == row.mode));
#endif
  if (row.check) row.check(scene);
}

void CutTo(Scene& s, std::uintmax_t size) { fs::resize_file(PathOf(s.source), size); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, ReformatFileTest,
    testing::Values(
        Case{"ReplacesTheEarlierTarget", 0},
        Case{"EmptySourceGivesEmptyTarget", 0, [](Scene& s) { WriteBytes(s.source, s.content = ""); }},
        Case{"Cancelled", kCancelled},
        Case{"FailedMidway", err::kOverflow, {}, [](Scene&) { throw Failure(err::kOverflow, "x"); }},
        Case{"MissingSource", err::kFileNotFound, [](Scene& s) { s.source = s.folder.path("chybí.xml"); }},
        Case{"MissingFolderOnTheWay", err::kPathNotFound,
             [](Scene& s) { s.source = s.folder.path("není" + kSep + "a.xml"); }},
        Case{"FolderAsSource", err::kPathFileAccess, [](Scene& s) { fs::create_directory(PathOf(s.source += "d")); }},
        Case{"TargetIsAFolder", err::kPathFileAccess,
             [](Scene& s) { fs::create_directory(PathOf(s.target = s.folder.path("cíl"))); }},
        Case{"TargetFolderMissing", err::kPathNotFound, [](Scene& s) { s.target = s.folder.path("není" + kSep + "a.xml"); }},
        Case{"SourceCutByOneByte", err::kDeviceIo, {}, [](Scene& s) { CutTo(s, s.content.size() - 1); }}), RowName);
// clang-format on

#ifndef _WIN32
void NoEarlierTarget(Scene& s) { fs::remove(PathOf(s.target)); }
unsigned ModeOf(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 ? status.st_mode : 0;
}
auto Chmod(const std::string& relative, mode_t mode) {
  return [=](Scene& s) { ASSERT_EQ(::chmod(s.folder.path(relative).c_str(), mode), 0); };
}
auto Fifo(bool asSource) {
  return [=](Scene& s) {
    fs::remove(PathOf(asSource ? s.source : s.target));
    ASSERT_EQ(::mkfifo((asSource ? s.source : s.target).c_str(), 0644), 0);
  };
}
// A source whose name is `bytes` long, of Czech letters (two bytes each).
auto NameLength(std::size_t bytes) {
  return [=](Scene& s) {
    std::string name(bytes % 2 == 0 ? "" : "x");
    while (name.size() < bytes - 4) name += "ž";
    WriteBytes(s.source = s.folder.path(name + ".xml"), s.content);
    s.target = s.source + "_LUM.XML";
  };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Posix, ReformatFileTest,
    testing::Values(
        Case{"FifoSourceIsRefusedAtOnce", err::kPathFileAccess, Fifo(true)},
        // Reading its start fails with EIO: a read error of the system, which no retry mends.
        Case{"SourceReadErrorFails", err::kDeviceIo, [](Scene& s) { s.source = "/proc/self/mem"; }},
        Case{"UnreadableSource", err::kPermissionDenied, Chmod("faktura č. 7.xml", 0), {}, {}, true},
        Case{"ReadOnlyFolder", err::kPermissionDenied, Chmod("", 0555), {},
             [](Scene& s) { ::chmod(s.folder.path("").c_str(), 0755); }, true},
        Case{"SourceRemovedWhileReadIsCopiedWhole", 0, {}, [](Scene& s) { fs::remove(PathOf(s.source)); }},
        Case{"SourceReplacedWhileReadIsCopiedWhole", 0, {},
             [](Scene& s) {
               WriteBytes(s.source + ".new", "<jiný/>");
               fs::rename(PathOf(s.source + ".new"), PathOf(s.source));
             }},
        Case{"TargetFolderGoneBeforeTheCopyIsNamed", err::kPathNotFound,
             [](Scene& s) {
               fs::create_directories(PathOf(s.folder.path("výstup/x")));
               s.target = s.folder.path("výstup/x/a.xml");
             },
             [](Scene& s) { fs::remove(PathOf(s.folder.path("výstup/x"))); }},
        Case{"ReadOnlyEarlierTargetIsKept", err::kPathFileAccess, Chmod("faktura č. 7.xml_LUM.XML", 0444), {}, {},
             false, 0444},
        Case{"PipeAsEarlierTargetIsKept", err::kPathFileAccess, Fifo(false), {},
             [](Scene& s) { EXPECT_TRUE(S_ISFIFO(ModeOf(s.target))); }},
        Case{"PermissionsOfTheEarlierTargetCarryOver", 0, Chmod("faktura č. 7.xml_LUM.XML", 0640), {}, {}, false, 0640},
        Case{"NewTargetFollowsTheUmask", 0, NoEarlierTarget, {}, {}, false, 0600, 077},
        Case{"SymbolicLinkIsFollowed", 0,
             [](Scene& s) {
               WriteBytes(s.folder.path("skutečný.xml"), "earlier");
               ::chmod(s.folder.path("skutečný.xml").c_str(), 0600);
               NoEarlierTarget(s);
               fs::create_symlink("skutečný.xml", PathOf(s.target));
             },
             {},
             [](Scene& s) {
               EXPECT_TRUE(S_ISLNK(ModeOf(s.target)));
               EXPECT_EQ(ModeOf(s.folder.path("skutečný.xml")) & 07777, 0600u);
             }},
        Case{"LinkToTheSourceIsRefused", err::kPathFileAccess,
             [](Scene& s) {
               NoEarlierTarget(s);
               fs::create_symlink(PathOf(s.source).filename(), PathOf(s.target));
             }},
        // In a sticky folder everyone may write to, as /tmp.
        Case{"LinkPlantedByAnotherUserIsRefused", err::kPathFileAccess,
             [](Scene& s) {
               if (::geteuid() != 0) GTEST_SKIP() << "only root can give a link to another user";
               ASSERT_EQ(::chmod(s.folder.path("").c_str(), 01777), 0);
               WriteBytes(s.folder.path("oběť.conf"), "earlier");
               NoEarlierTarget(s);
               fs::create_symlink("oběť.conf", PathOf(s.target));
               ASSERT_EQ(::lchown(s.target.c_str(), 65534, 65534), 0);
             },
             {}, [](Scene& s) { EXPECT_TRUE(S_ISLNK(ModeOf(s.target))); }},
        Case{"DanglingLinkGetsItsFile", 0,
             [](Scene& s) {
               NoEarlierTarget(s);
               fs::create_directory(PathOf(s.folder.path("jinde")));
               fs::create_symlink("jinde/nový.xml", PathOf(s.target));
             },
             {}, [](Scene& s) { EXPECT_TRUE(S_ISLNK(ModeOf(s.target))); }},
        Case{"HardLinkIsNotFollowed", 0,
             [](Scene& s) { fs::create_hard_link(PathOf(s.target), PathOf(s.folder.path("jiný.xml"))); }, {},
             [](Scene& s) { EXPECT_EQ(ReadBytes(s.folder.path("jiný.xml")), "earlier"); }},
        Case{"TargetNameOf255Bytes", 0, NameLength(247)},
        Case{"TargetNameOf256BytesFailsFirst", err::kPathFileAccess, NameLength(248)}), RowName);
// clang-format on
#endif

}  // namespace
}  // namespace lum::test
