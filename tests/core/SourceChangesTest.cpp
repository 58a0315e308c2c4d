// The source changes while it is read: cut short, it fails the copy and
// leaves the folder as it was; removed or replaced, the opened file is still
// what gets copied, whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "reformat/ReformatFile.h"
#include "platform/Failure.h"
#include "tests/support/Files.h"
#include "tests/support/ReferenceCopy.h"

namespace {

namespace fs = std::filesystem;
using lum::test::PathOf;
using lum::test::ReadBytes;
using lum::test::WriteBytes;

// Three buffers and more of tags: the copy is in its first buffer at the
// first progress point.
std::string ManyTags() {
  std::string bytes;
  while (bytes.size() < 3 * lum::kDefaultCopyBufferSize + 1000) bytes += "<row>value</row>";
  return bytes;
}

// Does something to the source at the first progress point.
class MeddlingObserver : public lum::CopyObserver {
 public:
  explicit MeddlingObserver(std::function<void()> meddle) : meddle_(std::move(meddle)) {}
  void progress(std::int64_t) override {
    if (meddle_) std::exchange(meddle_, nullptr)();
  }
  bool cancelled() override { return false; }

 private:
  std::function<void()> meddle_;
};

struct ChangeRow {
  const char* name;
  std::function<void(const std::string& source)> change;
  int failure;  // 0: the copy completes
};

void PrintTo(const ChangeRow& row, std::ostream* os) { *os << row.name; }

class SourceChangesTest : public testing::TestWithParam<ChangeRow> {
 protected:
  lum::test::TempFolder folder_;
};

TEST_P(SourceChangesTest, CutShortFailsAndAnythingElseCopiesTheOpenedFile) {
  const std::string source = folder_.path("a.xml");
  const std::string target = folder_.path("a.xml_LUM.XML");
  const std::string content = ManyTags();
  WriteBytes(source, content);
  WriteBytes(target, "earlier");

  MeddlingObserver observer([&] { GetParam().change(source); });
  int failure = 0;
  try {
    EXPECT_EQ(lum::ReformatFile(source, target, observer), lum::CopyOutcome::Completed);
  } catch (const lum::Failure& caught) {
    failure = caught.number();
  }
  EXPECT_EQ(failure, GetParam().failure);
  // Compared as a whole: a diff of megabytes would be of no use.
  const std::string written = ReadBytes(target);
  EXPECT_TRUE(written == (failure == 0 ? lum::test::ReferenceTarget(content) : "earlier"))
      << "the target holds " << written.size() << " bytes";
  std::set<std::string> names = folder_.names();
  names.erase("a.xml");
  EXPECT_EQ(names, std::set<std::string>{"a.xml_LUM.XML"}) << "nothing else is left behind";
}

const ChangeRow kChanges[] = {
    {"CutToNothing", [](const std::string& source) { fs::resize_file(PathOf(source), 0); }, lum::err::kDeviceIo},
    {"CutToHalf",
     [](const std::string& source) { fs::resize_file(PathOf(source), fs::file_size(PathOf(source)) / 2); },
     lum::err::kDeviceIo},
    {"CutByOneByte",
     [](const std::string& source) { fs::resize_file(PathOf(source), fs::file_size(PathOf(source)) - 1); },
     lum::err::kDeviceIo},
#ifndef _WIN32
    // Windows does not let a file that is open for reading go.
    {"Removed", [](const std::string& source) { fs::remove(PathOf(source)); }, 0},
    {"ReplacedByAnother",
     [](const std::string& source) {
       WriteBytes(source + ".new", "<other/>");
       fs::rename(PathOf(source + ".new"), PathOf(source));
     },
     0},
#endif
};

INSTANTIATE_TEST_SUITE_P(Changes, SourceChangesTest, testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
