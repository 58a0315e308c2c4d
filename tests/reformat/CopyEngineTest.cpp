#include "reformat/CopyEngine.h"
#include "reformat/ScanKernel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "tests/support/ReferenceCopy.h"
#include "tests/support/Streams.h"
#include "tests/support/Table.h"

namespace lum::test {
namespace {

// The target and progress points of a copy, or the failure that refused it.
ReferenceCopy Copy(const std::string& source, std::int64_t total, std::size_t bufferSize, SinkThread sinkThread,
                   ScanKernel kernel, std::size_t maxRead = SIZE_MAX) {
  MemorySource in(source, maxRead);
  MemorySink out;
  RecordingObserver observer;
  const int failure = FailureNumber([&] {
    EXPECT_EQ(CopyWithScanKernel(kernel, in, out, total, observer, bufferSize, sinkThread), CopyOutcome::Completed);
  });
  EXPECT_TRUE(sinkThread == SinkThread::Own || !out.byAnotherThread) << "the caller's sink written by another thread";
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
      EXPECT_EQ(Copy(GetParam().source, total, bufferSize, SinkThread::Own, kernel), GetParam().expected) << bufferSize;
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

// Random sources against the reference, through every scan kernel this CPU
// runs: bytes with stretches of up to 3000 from no ">" to almost nothing else,
// and UTF-16 and UTF-32 in both orders, with and without a mark, whose units
// hold a 3E byte but are no ">"; random buffer sizes, reads cut short, a
// total other than the length, the sink on either thread.
TEST(CopyWithLineBreaks, MatchesTheReference) {
  std::mt19937 random(20240611);
  const char32_t units[] = {U'>',   U'>',   0x3E00, 0x013E, 0x3E3E,   U'A',       0x010D,
                            0xD83D, 0xDE00, U'\r',  U'\n',  0x3E0000, 0x3E000000, 0x1F600};
  // The start of a source, its unit and whether big-endian.
  const std::tuple<std::string, std::size_t, bool> kinds[] = {
      {"", 1, false},   {"", 1, false},        {le, 2, false},        {be, 2, true},
      {le32, 4, false}, {"\0\0\0<"s, 4, true}, {"<\0?\0"s, 2, false}, {be32, 4, true}};
  const unsigned gtPerMille[] = {0, 10, 300, 600, 900};
  for (int round = 0; round < 800; ++round) {
    const std::size_t size = round % 40 == 0 ? random() % 300000 : random() % 3000;
    const auto& [start, unitSize, big] = kinds[round % std::size(kinds)];
    std::string source = start;
    for (std::size_t i = 0; source.size() < size; ++i) {
      const unsigned gt = gtPerMille[(i / (1 + round % 3000) + round) % 5];
      const char32_t unit = units[random() % std::size(units)];
      if (unitSize == 1)
        source += random() % 1000 < gt ? '>' : random() % 7 == 0 ? '\xFF' : static_cast<char>(random());
      for (std::size_t byte = 0; unitSize > 1 && byte < unitSize; ++byte) {
        source += static_cast<char>(unit >> 8 * (big ? unitSize - 1 - byte : byte));
      }
    }
    const std::size_t bufferSize = random() % 4 == 0 ? 65 + random() % 5000 : 1 + random() % 64;
    const std::size_t maxRead = random() % 2 ? SIZE_MAX : 1 + random() % bufferSize;
    const std::int64_t total = static_cast<std::int64_t>(source.size() + random() % 3 * 1000);
    const SinkThread sinkThread = round / 8 % 2 ? SinkThread::Own : SinkThread::Caller;
    for (const ScanKernel kernel : SupportedScanKernels()) {
      ASSERT_EQ(Copy(source, total, bufferSize, sinkThread, kernel, maxRead), ReferenceFor(source, total))
          << "round " << round << ", buffer " << bufferSize << ", reads of " << maxRead << ", kernel "
          << static_cast<int>(kernel);
    }
  }
}

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
