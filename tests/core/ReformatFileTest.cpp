#include "reformat/ReformatFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/Failure.h"
#include "platform/Files.h"
#include "shared/Paths.h"
#include "tests/support/Files.h"

namespace {

using lum::CopyOutcome;
using lum::test::ReadBytes;
using lum::test::WriteBytes;

class QuietObserver : public lum::CopyObserver {
 public:
  void progress(std::int64_t) override {}
  bool cancelled() override { return false; }
};

std::string Repeat(const std::string& text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += text;
  return out;
}

// The failure number that `action` throws; 0 when it throws none.
int FailureOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const lum::Failure& failure) {
    return failure.number();
  }
  return 0;
}

class ReformatFileTest : public testing::Test {
 protected:
  std::string target(const std::string& source) const { return lum::TargetPathFor(source, lum::kNativePathStyle); }

  lum::test::TempFolder folder_;
  QuietObserver quiet_;
};

TEST_F(ReformatFileTest, WritesTheCopyBesideTheSource) {
  const std::string source = folder_.path("faktura č. 7.xml");
  WriteBytes(source, "<a><b>x</b></a>");
  EXPECT_EQ(lum::ReformatFile(source, target(source), quiet_), CopyOutcome::Completed);
  EXPECT_EQ(ReadBytes(target(source)), "<a>\r\n<b>\r\nx</b>\r\n</a>\r\n");
  EXPECT_EQ(folder_.names(), (std::set<std::string>{"faktura č. 7.xml", "faktura č. 7.xml_LUM.XML"}));
}

TEST_F(ReformatFileTest, EmptySourceGivesEmptyTarget) {
  const std::string source = folder_.path("empty.xml");
  WriteBytes(source, "");
  EXPECT_EQ(lum::ReformatFile(source, target(source), quiet_), CopyOutcome::Completed);
  EXPECT_TRUE(std::filesystem::exists(lum::test::PathOf(target(source))));
  EXPECT_EQ(ReadBytes(target(source)), "");
}

TEST_F(ReformatFileTest, SourceOfManyBuffersIsCopiedWhole) {
  const std::string source = folder_.path("big.xml");
  WriteBytes(source, Repeat("<row>value</row>", 200000));  // 3.2 MB
  EXPECT_EQ(lum::ReformatFile(source, target(source), quiet_), CopyOutcome::Completed);
  EXPECT_EQ(ReadBytes(target(source)), Repeat("<row>\r\nvalue</row>\r\n", 200000));
}

TEST_F(ReformatFileTest, LongerEarlierTargetIsReplacedWhole) {
  const std::string source = folder_.path("a.xml");
  WriteBytes(source, "<a/>");
  WriteBytes(target(source), std::string(10000, 'z'));
  EXPECT_EQ(lum::ReformatFile(source, target(source), quiet_), CopyOutcome::Completed);
  EXPECT_EQ(ReadBytes(target(source)), "<a/>\r\n");
  EXPECT_EQ(folder_.names(), (std::set<std::string>{"a.xml", "a.xml_LUM.XML"}));
}

// A copy that stops in the middle leaves the folder as it found it.
struct BrokenRunRow {
  const char* name;
  bool cancel;         // cancel at the first question; otherwise the first progress point fails
  bool earlierTarget;  // a target from before is there
};

void PrintTo(const BrokenRunRow& row, std::ostream* os) { *os << row.name; }

class BrokenRunTest : public ReformatFileTest, public testing::WithParamInterface<BrokenRunRow> {};

class BreakingObserver : public lum::CopyObserver {
 public:
  explicit BreakingObserver(bool cancel) : cancel_(cancel) {}
  void progress(std::int64_t) override {
    if (!cancel_) throw lum::Failure(lum::err::kOverflow, "window");
  }
  bool cancelled() override { return cancel_; }

 private:
  bool cancel_;
};

TEST_P(BrokenRunTest, LeavesNoTraceAndTheEarlierTargetUntouched) {
  const std::string source = folder_.path("a.xml");
  WriteBytes(source, Repeat("<row>value</row>", 200000));
  if (GetParam().earlierTarget) WriteBytes(target(source), "earlier");
  const std::set<std::string> before = folder_.names();

  BreakingObserver observer(GetParam().cancel);
  if (GetParam().cancel) {
    EXPECT_EQ(lum::ReformatFile(source, target(source), observer), CopyOutcome::Cancelled);
  } else {
    EXPECT_EQ(FailureOf([&] { lum::ReformatFile(source, target(source), observer); }), lum::err::kOverflow);
  }
  EXPECT_EQ(folder_.names(), before);
  if (GetParam().earlierTarget) {
    EXPECT_EQ(ReadBytes(target(source)), "earlier");
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, BrokenRunTest,
                         testing::Values(BrokenRunRow{"Cancelled", true, false},
                                         BrokenRunRow{"CancelledOverEarlierTarget", true, true},
                                         BrokenRunRow{"FailedMidway", false, false},
                                         BrokenRunRow{"FailedMidwayOverEarlierTarget", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Paths that fail before anything is written: the failure number, and the
// folder unchanged.
struct RefusedRow {
  const char* name;
  std::function<void(const lum::test::TempFolder&)> prepare;
  std::string source;
  std::string target;  // empty: the usual target beside the source
  int number;
};

void PrintTo(const RefusedRow& row, std::ostream* os) { *os << row.name; }

class RefusedTest : public ReformatFileTest, public testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedTest, FailsAndCreatesNothing) {
  const RefusedRow& row = GetParam();
  row.prepare(folder_);
  const std::set<std::string> before = folder_.names();
  const std::string source = folder_.path(row.source);
  const std::string targetPath = row.target.empty() ? target(source) : folder_.path(row.target);
  EXPECT_EQ(FailureOf([&] { lum::ReformatFile(source, targetPath, quiet_); }), row.number);
  EXPECT_EQ(folder_.names(), before);
}

void Nothing(const lum::test::TempFolder&) {}
void PlainFile(const lum::test::TempFolder& folder) { WriteBytes(folder.path("plain.xml"), "<a/>"); }
void SubFolder(const lum::test::TempFolder& folder) {
  std::filesystem::create_directory(lum::test::PathOf(folder.path("folder.xml")));
}
void PlainFileAndFolderTarget(const lum::test::TempFolder& folder) {
  PlainFile(folder);
  std::filesystem::create_directory(lum::test::PathOf(folder.path("plain.xml_LUM.XML")));
}

const std::string kSep(1, lum::kNativeSeparator);

INSTANTIATE_TEST_SUITE_P(
    Paths, RefusedTest,
    testing::Values(
        RefusedRow{"MissingSource", Nothing, "missing.xml", "", lum::err::kFileNotFound},
        RefusedRow{"MissingFolderOnTheWay", Nothing, "no folder" + kSep + "a.xml", "", lum::err::kPathNotFound},
        RefusedRow{"FileUsedAsFolder", PlainFile, "plain.xml" + kSep + "a.xml", "", lum::err::kPathNotFound},
        RefusedRow{"FolderAsSource", SubFolder, "folder.xml", "", lum::err::kPathFileAccess},
        RefusedRow{"TargetIsAFolder", PlainFileAndFolderTarget, "plain.xml", "", lum::err::kPathFileAccess},
        RefusedRow{"TargetFolderMissing", PlainFile, "plain.xml", "no folder" + kSep + "a.xml_LUM.XML",
                   lum::err::kPathNotFound}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReformatFileTest, ReplacementNotCommittedLeavesNothing) {
  const std::string path = folder_.path("t.xml");
  WriteBytes(path, "earlier");
  {
    lum::ReplacementFile file(path);
    file.write("new content", 11);
  }
  EXPECT_EQ(folder_.names(), std::set<std::string>{"t.xml"});
  EXPECT_EQ(ReadBytes(path), "earlier");
}

TEST_F(ReformatFileTest, ReplacementKeepsEveryByteValue) {
  std::string bytes;
  for (int i = 0; i < 256 * 4; ++i) bytes += static_cast<char>(i);
  const std::string path = folder_.path("t.bin");
  lum::ReplacementFile file(path);
  file.write(bytes.data(), 300);
  file.write(bytes.data() + 300, bytes.size() - 300);
  file.commit();
  EXPECT_EQ(ReadBytes(path), bytes);
  EXPECT_EQ(folder_.names(), std::set<std::string>{"t.bin"});
}

TEST_F(ReformatFileTest, InputFileReportsItsLengthAndBytes) {
  const std::string path = folder_.path("in.bin");
  const std::string bytes = Repeat(std::string("a>\0b", 4), 1000);
  WriteBytes(path, bytes);
  lum::InputFile file(path);
  EXPECT_EQ(file.size(), static_cast<std::int64_t>(bytes.size()));
  std::string got(bytes.size() + 10, '\0');
  std::size_t total = 0;
  while (const std::size_t n = file.read(got.data() + total, std::min<std::size_t>(777, got.size() - total))) total += n;
  got.resize(total);
  EXPECT_EQ(got, bytes);
}

}  // namespace
