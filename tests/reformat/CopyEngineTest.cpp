#include "reformat/CopyEngine.h"
#include "reformat/ScanKernel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "tests/support/ReferenceCopy.h"
#include "tests/support/Streams.h"
#include "tests/support/Table.h"

namespace lum::test {
namespace {

// The target and progress points of a copy, or the failure that refused it.
ReferenceCopy Copy(const std::string& source, std::size_t bufferSize, ScanKernel kernel) {
  MemorySource in(source);
  MemorySink out;
  RecordingObserver observer;
  const auto total = static_cast<std::int64_t>(source.size());
  const int failure = FailureNumber([&] {
    EXPECT_EQ(CopyWithScanKernel(kernel, in, out, total, observer, bufferSize, SinkThread::Own),
              CopyOutcome::Completed);
  });
  return {out.bytes, observer.points, failure};
}

// Rows checked by hand, which pin the rule down for the reference too; each
// is copied with buffers from one byte up, so that every split is met, by
// every scan kernel this CPU runs.
struct Row {
  const char* name;
  std::string source;
  ReferenceCopy expected;
};

class KnownCopyTest : public testing::TestWithParam<Row> {};

TEST_P(KnownCopyTest, GivesTargetAndProgressPoints) {
  const auto total = static_cast<std::int64_t>(GetParam().source.size());
  ASSERT_EQ(ReferenceFor(GetParam().source, total), GetParam().expected);
  for (const std::size_t bufferSize : {1, 2, 3, 64, 1 << 20}) {
    for (const ScanKernel kernel : SupportedScanKernels()) {
      EXPECT_EQ(Copy(GetParam().source, bufferSize, kernel), GetParam().expected) << bufferSize;
    }
  }
}

using namespace std::string_literals;
const std::string x47(47, 'x'), le = "\xFF\xFE", be = "\xFE\xFF", le32 = "\xFF\xFE\0\0"s, be32 = "\0\0\xFE\xFF"s;
constexpr int kBadFormat = err::kBadFileFormat;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Rows, KnownCopyTest,
    testing::Values(Row{"Empty", "", {"", {}}},
                    Row{"EveryGtAlsoInValuesAndText", "<a b='>'>1>\r\n", {"<a b='>\r\n'>\r\n1>\r\n\r\n", {}}},
                    Row{"LfOn50IsAPoint", x47 + ">x", {x47 + ">\r\nx", {1}}},
                    Row{"MarkOnlyAtTheStart", "a\xFF\xFE>\0"s, {"a\xFF\xFE>\r\n\0"s, {}}},
                    Row{"HalvesOfOtherUnits", le + "\0>>\x01>>A>\0A"s, {le + "\0>>\x01>>A>\0A"s, {}}},
                    Row{"OddLastByteKept", be + "\0>>"s, {be + "\0>\0\r\0\n>"s, {}}},
                    Row{"LfUnitEndsOn50", le + std::string(42, 'x') + ">\0"s, {le + std::string(42, 'x') + ">\0\r\0\n\0"s, {0}}},
                    Row{"Utf16LittleEndianWithoutMark", "<\0?\0>\0"s, {"<\0?\0>\0\r\0\n\0"s, {}}},
                    Row{"Utf16BigEndianWithoutMark", "\0<\0?\0>"s, {"\0<\0?\0>\0\r\0\n"s, {}}},
                    Row{"Utf32LittleEndianOtherBytesAndCutUnit", le32 + ">\0\0\0\0>\0\0>\0\0"s,
                        {le32 + ">\0\0\0\r\0\0\0\n\0\0\0\0>\0\0>\0\0"s, {}}},
                    Row{"Ucs4BigEndianWithoutMark", "\0\0\0<\0\0\0>"s, {"\0\0\0<\0\0\0>\0\0\0\r\0\0\0\n"s, {}}},
                    Row{"Utf32LfUnitEndsOn100", "<\0\0\0"s + std::string(84, 'x') + ">\0\0\0A\0\0\0"s,
                        {"<\0\0\0"s + std::string(84, 'x') + ">\0\0\0\r\0\0\0\n\0\0\0A\0\0\0"s, {4}}},
                    Row{"Ucs4In2143Refused", "\0\0<\0\0\0?\0"s, {"", {}, kBadFormat}},
                    Row{"Ucs4In3412MarkRefused", "\xFE\xFF\0\0\0<\0\0"s, {"", {}, kBadFormat}},
                    Row{"EbcdicRefused", "\x4C\x6F\xA7\x94\x93", {"", {}, kBadFormat}}), RowName);
// clang-format on

#if defined(__linux__) && defined(__x86_64__) && defined(__GNUC__)
// The AVX2 kernel is offered, and so tested and used, exactly where the
// processor has what it needs, as the system lists it in /proc/cpuinfo.
TEST(ScanKernels, Avx2WhereTheProcessorHasIt) {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line;
  while (std::getline(cpuinfo, line) && !line.starts_with("flags")) continue;
  std::set<std::string> flags;
  std::istringstream words(line);
  for (std::string flag; words >> flag;) flags.insert(flag);
  const bool avx2 =
      flags.contains("avx2") && flags.contains("bmi1") && flags.contains("bmi2") && flags.contains("popcnt");
  const std::vector<ScanKernel> expected = {ScanKernel::Sse2, ScanKernel::Avx2};
  EXPECT_EQ(SupportedScanKernels(), std::vector(expected.begin(), expected.end() - (avx2 ? 0 : 1)));
}
#endif

// Zero bytes with one ">" at the 1-based place `gtAt`, never held in memory.
class ZerosWithOneGt : public ByteSource {
 public:
  ZerosWithOneGt(std::int64_t size, std::int64_t gtAt) : left_(size), gtAt_(gtAt) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(capacity), left_));
    std::fill_n(buffer, n, '\0');
    if (gtAt_ > 0 && gtAt_ <= static_cast<std::int64_t>(n)) buffer[gtAt_ - 1] = '>';
    gtAt_ -= static_cast<std::int64_t>(n);
    left_ -= static_cast<std::int64_t>(n);
    return n;
  }

 private:
  std::int64_t left_, gtAt_;
};

TEST(CopyWithLineBreaks, CountsPastTwoGibibytes) {
  // The LF after the ">" lands on 2^31 + 52, a multiple of 50.
  const std::int64_t size = (std::int64_t{1} << 31) + 1000, gtAt = (std::int64_t{1} << 31) + 50;
  ZerosWithOneGt in(size, gtAt);
  RecordingObserver observer;
  struct Counter : ByteSink {
    std::int64_t bytes = 0;
    void write(const char*, std::size_t size) override { bytes += static_cast<std::int64_t>(size); }
  } counter;
  EXPECT_EQ(CopyWithLineBreaks(in, counter, size, observer), CopyOutcome::Completed);
  EXPECT_EQ(counter.bytes, size + 2);
  EXPECT_EQ(observer.points, std::vector<std::int64_t>{size - gtAt});
}

// A failure of the sink passes through, also from the sink's own thread.
TEST(CopyWithLineBreaks, SinkFailurePassesThrough) {
  for (const SinkThread sinkThread : {SinkThread::Caller, SinkThread::Own}) {
    MemorySource in(std::string(10000, '>'));
    MemorySink full(3000);
    RecordingObserver observer;
    EXPECT_EQ(FailureNumber([&] { CopyWithLineBreaks(in, full, 0, observer, 700, sinkThread); }), err::kDiskFull);
  }
}

}  // namespace
}  // namespace lum::test
