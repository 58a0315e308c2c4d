#include "reformat/CopyEngine.h"
#include "reformat/ScanKernel.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/ReferenceCopy.h"
#include "tests/support/Streams.h"

namespace {

using lum::CopyOutcome;
using lum::SinkThread;
using lum::test::MemorySink;
using lum::test::MemorySource;
using lum::test::RecordingObserver;
using lum::test::ReferenceCopy;

ReferenceCopy Copy(const std::string& source, std::int64_t total, std::size_t bufferSize, SinkThread sinkThread,
                   lum::ScanKernel kernel, std::size_t maxRead = SIZE_MAX) {
  MemorySource in(source, maxRead);
  MemorySink out;
  RecordingObserver observer;
  EXPECT_EQ(lum::CopyWithScanKernel(kernel, in, out, total, observer, bufferSize, sinkThread), CopyOutcome::Completed);
  EXPECT_TRUE(sinkThread == SinkThread::Own || !out.byAnotherThread) << "the caller's sink written by another thread";
  return {out.bytes, observer.points};
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
  ASSERT_EQ(lum::test::ReferenceFor(GetParam().source, total), GetParam().expected);
  for (const std::size_t bufferSize : {1, 2, 3, 64, 1 << 20}) {
    for (const lum::ScanKernel kernel : lum::SupportedScanKernels()) {
      EXPECT_EQ(Copy(GetParam().source, total, bufferSize, SinkThread::Own, kernel), GetParam().expected) << bufferSize;
    }
  }
}

using namespace std::string_literals;
const std::string x47(47, 'x'), le = "\xFF\xFE", be = "\xFE\xFF";

INSTANTIATE_TEST_SUITE_P(
    Rows, KnownCopyTest,
    testing::Values(Row{"Empty", "", {"", {}}},
                    Row{"EveryGtAlsoInValuesAndText", "<a b='>'>1>\r\n", {"<a b='>\r\n'>\r\n1>\r\n\r\n", {}}},
                    Row{"LfOn50IsAPoint", x47 + ">x", {x47 + ">\r\nx", {1}}},
                    Row{"MarkOnlyAtTheStart", "a\xFF\xFE>\0"s, {"a\xFF\xFE>\r\n\0"s, {}}},
                    Row{"LittleEndianGt", le + ">\0"s, {le + ">\0\r\0\n\0"s, {}}},
                    Row{"HalvesOfOtherUnits", le + "\0>>\x01>>A>\0A"s, {le + "\0>>\x01>>A>\0A"s, {}}},
                    Row{"OddLastByteKept", be + "\0>>"s, {be + "\0>\0\r\0\n>"s, {}}},
                    Row{"LfUnitEndsOn50", le + std::string(42, 'x') + ">\0"s, {le + std::string(42, 'x') + ">\0\r\0\n\0"s, {0}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Random sources against the reference, through every scan kernel this CPU
// runs: bytes with stretches of up to 3000 from no ">" to almost nothing else,
// and UTF-16 in both orders with units that hold a 3E byte but are no ">";
// random buffer sizes, reads cut short, a total other than the length, the
// sink on either thread.
TEST(CopyWithLineBreaks, MatchesTheReference) {
  std::mt19937 random(20240611);
  const char16_t units[] = {u'>', u'>', 0x3E00, 0x013E, 0x3E3E, u'A', 0x010D, 0xD83D, 0xDE00, u'\r', u'\n'};
  const unsigned gtPerMille[] = {0, 10, 300, 600, 900};
  for (int round = 0; round < 800; ++round) {
    const std::size_t size = round % 40 == 0 ? random() % 300000 : random() % 3000;
    const int kind = round % 4;  // 0, 1: bytes; 2: little-endian; 3: big-endian
    std::string source = kind == 2 ? le : kind == 3 ? be : "";
    for (std::size_t i = 0; source.size() < size; ++i) {
      const unsigned gt = gtPerMille[(i / (1 + round % 3000) + round) % 5];
      const char16_t unit = units[random() % std::size(units)];
      if (kind < 2) source += random() % 1000 < gt ? '>' : random() % 7 == 0 ? '\xFF' : static_cast<char>(random());
      else source += kind == 2 ? std::string{char(unit), char(unit >> 8)} : std::string{char(unit >> 8), char(unit)};
    }
    const std::size_t bufferSize = random() % 4 == 0 ? 65 + random() % 5000 : 1 + random() % 64;
    const std::size_t maxRead = random() % 2 ? SIZE_MAX : 1 + random() % bufferSize;
    const std::int64_t total = static_cast<std::int64_t>(source.size() + random() % 3 * 1000);
    const SinkThread sinkThread = round / 8 % 2 ? SinkThread::Own : SinkThread::Caller;
    for (const lum::ScanKernel kernel : lum::SupportedScanKernels()) {
      ASSERT_EQ(Copy(source, total, bufferSize, sinkThread, kernel, maxRead), lum::test::ReferenceFor(source, total))
          << "round " << round << ", buffer " << bufferSize << ", reads of " << maxRead << ", kernel "
          << static_cast<int>(kernel);
    }
  }
}

// Zero bytes with one ">" at the 1-based place `gtAt`, never held in memory.
class ZerosWithOneGt : public lum::ByteSource {
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
  struct Counter : lum::ByteSink {
    std::int64_t bytes = 0;
    void write(const char*, std::size_t size) override { bytes += static_cast<std::int64_t>(size); }
  } counter;
  EXPECT_EQ(lum::CopyWithLineBreaks(in, counter, size, observer), CopyOutcome::Completed);
  EXPECT_EQ(counter.bytes, size + 2);
  EXPECT_EQ(observer.points, std::vector<std::int64_t>{size - gtAt});
}

// A failure of either end passes through; a cancel stops before the next
// read. Both with the sink on either thread.
TEST(CopyWithLineBreaks, FailuresAndCancelStopTheCopy) {
  const std::string source(10000, '>');
  for (const SinkThread sinkThread : {SinkThread::Caller, SinkThread::Own}) {
    for (const int at : {1, 3}) {
      MemorySource in(source), failingIn(source, SIZE_MAX, at);
      MemorySink out, fullOut(at * 1000);
      RecordingObserver observer, cancelling(at);
      EXPECT_EQ(lum::test::FailureNumber([&] { lum::CopyWithLineBreaks(in, fullOut, 0, observer, 700, sinkThread); }),
                lum::err::kDiskFull);
      EXPECT_EQ(lum::test::FailureNumber([&] { lum::CopyWithLineBreaks(failingIn, out, 0, observer, 700, sinkThread); }),
                lum::err::kDeviceIo);
      MemorySource cancelled(source);
      EXPECT_EQ(lum::CopyWithLineBreaks(cancelled, out, 0, cancelling, 700, sinkThread), CopyOutcome::Cancelled);
      EXPECT_EQ(cancelled.reads, at) << "no read after the cancel";
      EXPECT_EQ(cancelling.questions, at);
    }
  }
}

}  // namespace
