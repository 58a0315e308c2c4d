#include "reformat/CopyEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/Failure.h"

namespace {

using lum::CopyOutcome;
using lum::SinkThread;

// Every copy below runs both ways: the sink called between source buffers,
// and the sink on a writer thread of its own.
const SinkThread kSinkThreads[] = {SinkThread::Caller, SinkThread::Own};

const char* Named(SinkThread sinkThread) {
  return sinkThread == SinkThread::Own ? "sink on its own thread" : "sink on the caller";
}

constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();

// Hands out a string, at most `maxRead` bytes per read.
class MemorySource : public lum::ByteSource {
 public:
  explicit MemorySource(std::string data, std::size_t maxRead = kUnlimited) : data_(std::move(data)), maxRead_(maxRead) {}

  std::size_t read(char* buffer, std::size_t capacity) override {
    const std::size_t size = std::min({capacity, maxRead_, data_.size() - position_});
    std::memcpy(buffer, data_.data() + position_, size);
    position_ += size;
    ++reads_;
    return size;
  }

  int reads() const { return reads_; }

 private:
  std::string data_;
  std::size_t maxRead_;
  std::size_t position_ = 0;
  int reads_ = 0;
};

class StringSink : public lum::ByteSink {
 public:
  void write(const char* data, std::size_t size) override {
    data_.append(data, size);
    ++writes_;
  }
  const std::string& data() const { return data_; }
  int writes() const { return writes_; }

 private:
  std::string data_;
  int writes_ = 0;
};

// Records the progress points; answers "cancel" from its `cancelAt`-th
// question on (0: never).
class RecordingObserver : public lum::CopyObserver {
 public:
  explicit RecordingObserver(int cancelAt = 0) : cancelAt_(cancelAt) {}
  void progress(std::int64_t remaining) override { points.push_back(remaining); }
  bool cancelled() override { return ++questions == cancelAt_; }

  std::vector<std::int64_t> points;
  int questions = 0;

 private:
  int cancelAt_;
};

// What the copy must give: the target and the progress points.
struct Expected {
  std::string target;
  std::vector<std::int64_t> points;
};

bool operator==(const Expected& a, const Expected& b) { return a.target == b.target && a.points == b.points; }

void PrintTo(const Expected& e, std::ostream* os) {
  *os << "target of " << e.target.size() << " bytes " << testing::PrintToString(e.target) << ", points "
      << testing::PrintToString(e.points);
}

// The copy the slow way, one byte at a time: a ">" gets CR LF after it, and
// when that LF's 1-based position is a multiple of 50 the remaining count is
// recorded.
Expected ByteByByte(const std::string& source, std::int64_t total) {
  Expected out;
  std::int64_t read = 0;
  for (const char byte : source) {
    ++read;
    out.target += byte;
    if (byte != '>') continue;
    out.target += "\r\n";
    if (out.target.size() % 50 == 0) out.points.push_back(total - read);
  }
  return out;
}

// The copy of a UTF-16 source the slow way, one unit at a time; an odd last
// byte is copied as it is.
Expected UnitByUnit(const std::string& source, std::int64_t total, bool littleEndian) {
  Expected out;
  const std::string lineBreak = littleEndian ? std::string("\r\0\n\0", 4) : std::string("\0\r\0\n", 4);
  std::size_t i = 0;
  for (; i + 1 < source.size(); i += 2) {
    const auto low = static_cast<unsigned char>(source[littleEndian ? i : i + 1]);
    const auto high = static_cast<unsigned char>(source[littleEndian ? i + 1 : i]);
    out.target += source.substr(i, 2);
    if (low != 0x3E || high != 0) continue;
    out.target += lineBreak;
    if (out.target.size() % 50 == 0) out.points.push_back(total - static_cast<std::int64_t>(i + 2));
  }
  out.target += source.substr(i);
  return out;
}

Expected Reference(const std::string& source, std::int64_t total) {
  if (source.starts_with("\xFF\xFE")) return UnitByUnit(source, total, true);
  if (source.starts_with("\xFE\xFF")) return UnitByUnit(source, total, false);
  return ByteByByte(source, total);
}

Expected Copy(const std::string& source, std::size_t bufferSize, SinkThread sinkThread,
              std::size_t maxRead = kUnlimited) {
  MemorySource in(source, maxRead);
  StringSink out;
  RecordingObserver observer;
  const CopyOutcome outcome =
      lum::CopyWithLineBreaks(in, out, static_cast<std::int64_t>(source.size()), observer, bufferSize, sinkThread);
  EXPECT_EQ(outcome, CopyOutcome::Completed);
  return {out.data(), observer.points};
}

const std::vector<std::size_t> kBufferSizes = {1, 2, 3, 5, 8, 64, lum::kDefaultCopyBufferSize};

// Cases whose result is known by hand; each is copied with buffers from one
// byte up, so that every split of the source is met.
struct KnownCase {
  const char* name;
  std::string source;
  Expected expected;
};

void PrintTo(const KnownCase& row, std::ostream* os) { *os << row.name; }

class KnownCaseTest : public testing::TestWithParam<KnownCase> {};

TEST_P(KnownCaseTest, GivesTargetAndProgressPoints) {
  for (const std::size_t bufferSize : kBufferSizes) {
    for (const SinkThread sinkThread : kSinkThreads) {
      EXPECT_EQ(Copy(GetParam().source, bufferSize, sinkThread), GetParam().expected)
          << "buffer of " << bufferSize << ", " << Named(sinkThread);
    }
  }
}

std::string S(const char* bytes, std::size_t size) { return std::string(bytes, size); }
const std::string x47(47, 'x');
const std::string x46(46, 'x');
std::string Units(const std::string& unit, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += unit;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, KnownCaseTest,
    testing::Values(
        KnownCase{"EmptySource", "", {"", {}}},
        KnownCase{"SingleGt", ">", {">\r\n", {}}},
        KnownCase{"NoGtIsCopiedUnchanged", "<a b='1' / <c", {"<a b='1' / <c", {}}},
        KnownCase{"EveryGtCountsAlsoInValuesAndText", "<a b=\"x>y\">1>2</a>",
                  {"<a b=\"x>\r\ny\">\r\n1>\r\n2</a>\r\n", {}}},
        KnownCase{"ExistingLineBreakGetsAnother", "<a>\r\n<b/>", {"<a>\r\n\r\n<b/>\r\n", {}}},
        KnownCase{"LfOfLastByteLandsOn50", x47 + ">", {x47 + ">\r\n", {0}}},
        KnownCase{"LfOnPosition49GivesNoPoint", x46 + ">x", {x46 + ">\r\nx", {}}},
        KnownCase{"EveryTenthTagIsAPoint", Units("<a>", 20), {Units("<a>\r\n", 20), {30, 0}}},
        KnownCase{"NulAndHighBytesUntouched", S("\0>\x80\xFF", 4), {S("\0>\r\n\x80\xFF", 6), {}}},
        // Only FF FE and FE FF at the very start switch to UTF-16.
        KnownCase{"LoneFFThenGt", S("\xFF>", 2), {S("\xFF>\r\n", 4), {}}},
        KnownCase{"LoneFEThenGt", S("\xFE>", 2), {S("\xFE>\r\n", 4), {}}},
        KnownCase{"JustFF", S("\xFF", 1), {S("\xFF", 1), {}}},
        KnownCase{"FFFFIsNoMark", S("\xFF\xFF>\0", 4), {S("\xFF\xFF>\r\n\0", 6), {}}},
        KnownCase{"Utf8MarkStaysBytewise", "\xEF\xBB\xBF<a>", {"\xEF\xBB\xBF<a>\r\n", {}}},
        KnownCase{"MarkLaterIsOrdinary", S("a\xFF\xFE>\0", 5), {S("a\xFF\xFE>\r\n\0", 7), {}}}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kLe = S("\xFF\xFE", 2);
const std::string kBe = S("\xFE\xFF", 2);

INSTANTIATE_TEST_SUITE_P(
    Utf16, KnownCaseTest,
    testing::Values(
        KnownCase{"LittleEndianGt", kLe + S(">\0", 2), {kLe + S(">\0\r\0\n\0", 6), {}}},
        KnownCase{"BigEndianGt", kBe + S("\0>", 2), {kBe + S("\0>\0\r\0\n", 6), {}}},
        KnownCase{"MarkAlone", kLe, {kLe, {}}},
        // U+3E00, U+013E, U+3E3E hold a 3E byte but are no ">".
        KnownCase{"LittleEndianHalves", kLe + S("\0>>\x01>>", 6), {kLe + S("\0>>\x01>>", 6), {}}},
        KnownCase{"BigEndianHalves", kBe + S(">\0\x01>>>", 6), {kBe + S(">\0\x01>>>", 6), {}}},
        // 3E 00 across two units (U+3E41 U+4100) is no ">" either.
        KnownCase{"LittleEndianAcrossUnits", kLe + S("A>\0A", 4), {kLe + S("A>\0A", 4), {}}},
        KnownCase{"BigEndianAcrossUnits", kBe + S("A\0>A", 4), {kBe + S("A\0>A", 4), {}}},
        KnownCase{"OddLastByteCopiedAsItIs", kLe + S(">\0>", 3), {kLe + S(">\0\r\0\n\0>", 7), {}}},
        KnownCase{"CzechTextAroundGt", kBe + S("\x01\x0D\0>\0a", 6), {kBe + S("\x01\x0D\0>\0\r\0\n\0a", 10), {}}},
        // Mark 2 + 21 units 42 + ">" 2: the LF unit's last byte is byte 50.
        KnownCase{"LfUnitEndsOn50", kLe + Units(S("x\0", 2), 21) + S(">\0", 2),
                  {kLe + Units(S("x\0", 2), 21) + S(">\0\r\0\n\0", 6), {0}}},
        KnownCase{"LfUnitEndsOn48", kBe + Units(S("\0x", 2), 20) + S("\0>", 2),
                  {kBe + Units(S("\0x", 2), 20) + S("\0>\0\r\0\n", 6), {}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CopyWithLineBreaks, RemainingCountsFromTheGivenTotal) {
  MemorySource in(x47 + ">");
  StringSink out;
  RecordingObserver observer;
  lum::CopyWithLineBreaks(in, out, 1000, observer);
  EXPECT_EQ(observer.points, std::vector<std::int64_t>{952});
}

TEST(CopyWithLineBreaks, GtAroundEveryBufferBoundary) {
  for (const std::size_t bufferSize : {2, 3, 4, 8, 64}) {
    for (std::size_t offset = bufferSize - 2; offset <= bufferSize + 1; ++offset) {
      const std::string source = std::string(offset, 'a') + ">" + std::string(bufferSize, 'b') + ">>";
      for (const SinkThread sinkThread : kSinkThreads) {
        EXPECT_EQ(Copy(source, bufferSize, sinkThread), Reference(source, static_cast<std::int64_t>(source.size())))
            << "buffer " << bufferSize << ", > at " << offset << ", " << Named(sinkThread);
      }
    }
  }
}

// A random buffer size: mostly small, so that boundaries fall everywhere.
std::size_t RandomBufferSize(std::mt19937& random) {
  switch (random() % 4) {
    case 0: return 65 + random() % 5000;
    case 1: return lum::kDefaultCopyBufferSize;
    default: return 1 + random() % 64;
  }
}

std::size_t RandomMaxRead(std::mt19937& random, std::size_t bufferSize) {
  return random() % 2 == 0 ? kUnlimited : 1 + random() % bufferSize;
}

TEST(CopyWithLineBreaks, RandomBytesMatchTheByteByByteCopy) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 400; ++round) {
    // From almost no ">" to almost nothing else, in every third round
    // changing every few hundred bytes, so that long lines meet dense markup;
    // FF and FE are frequent, so that near-marks at the start come up.
    const std::vector<unsigned> gtPercents = {1, 10, 40, 90};
    const std::size_t stretch = round % 3 == 0 ? 1 + random() % 400 : kUnlimited;
    const std::size_t size = round % 20 == 0 ? random() % 300000 : random() % 3000;
    std::string source;
    for (std::size_t i = 0; i < size; ++i) {
      const unsigned gtPercent = gtPercents[(round + i / stretch) % gtPercents.size()];
      const unsigned pick = random() % 100;
      source += pick < gtPercent ? '>' : pick % 7 == 0 ? '\xFF' : pick % 7 == 1 ? '\xFE' : static_cast<char>(random());
    }
    const std::size_t bufferSize = RandomBufferSize(random);
    const std::size_t maxRead = RandomMaxRead(random, bufferSize);
    const SinkThread sinkThread = kSinkThreads[round / 4 % 2];
    ASSERT_EQ(Copy(source, bufferSize, sinkThread, maxRead),
              Reference(source, static_cast<std::int64_t>(source.size())))
        << "round " << round << ", buffer " << bufferSize << ", reads of at most " << maxRead << ", " << Named(sinkThread);
  }
}

TEST(CopyWithLineBreaks, RandomUtf16MatchesTheUnitByUnitCopy) {
  // ">", units with a 3E half, Czech letters, a surrogate pair, CR, LF.
  const std::vector<std::uint16_t> units = {0x003E, 0x003E, 0x3E00, 0x013E, 0x3E3E, 0x0041,
                                            0x010D, 0x0161, 0xD83D, 0xDE00, 0x000D, 0x000A};
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    const bool littleEndian = round % 2 == 0;
    std::string source = littleEndian ? kLe : kBe;
    const std::size_t count = round % 20 == 0 ? random() % 100000 : random() % 2000;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint16_t unit = units[random() % units.size()];
      const char low = static_cast<char>(unit & 0xFF);
      const char high = static_cast<char>(unit >> 8);
      source += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    if (random() % 3 == 0) source += static_cast<char>(random());
    const std::size_t bufferSize = RandomBufferSize(random);
    const std::size_t maxRead = RandomMaxRead(random, bufferSize);
    const SinkThread sinkThread = kSinkThreads[round / 4 % 2];
    ASSERT_EQ(Copy(source, bufferSize, sinkThread, maxRead),
              Reference(source, static_cast<std::int64_t>(source.size())))
        << "round " << round << (littleEndian ? " LE" : " BE") << ", buffer " << bufferSize << ", reads of at most "
        << maxRead << ", " << Named(sinkThread);
  }
}

// Gives `size` zero bytes with one ">" at the 1-based position `gtAt`,
// without holding them in memory.
class ZerosWithOneGt : public lum::ByteSource {
 public:
  ZerosWithOneGt(std::int64_t size, std::int64_t gtAt) : size_(size), gtAt_(gtAt) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(capacity), size_ - position_));
    std::memset(buffer, 0, n);
    if (gtAt_ > position_ && gtAt_ <= position_ + static_cast<std::int64_t>(n)) buffer[gtAt_ - position_ - 1] = '>';
    position_ += static_cast<std::int64_t>(n);
    return n;
  }

 private:
  std::int64_t size_;
  std::int64_t gtAt_;
  std::int64_t position_ = 0;
};

class CountingSink : public lum::ByteSink {
 public:
  void write(const char*, std::size_t size) override { bytes += static_cast<std::int64_t>(size); }
  std::int64_t bytes = 0;
};

TEST(CopyWithLineBreaks, CountsPastTwoGibibytes) {
  const std::int64_t size = (std::int64_t{1} << 31) + 1000;
  // The first position past 2^31 whose LF (two bytes later) is on a multiple of 50.
  std::int64_t gtAt = (std::int64_t{1} << 31) + 1;
  while ((gtAt + 2) % 50 != 0) ++gtAt;
  ZerosWithOneGt in(size, gtAt);
  CountingSink out;
  RecordingObserver observer;
  EXPECT_EQ(lum::CopyWithLineBreaks(in, out, size, observer), CopyOutcome::Completed);
  EXPECT_EQ(out.bytes, size + 2);
  EXPECT_EQ(observer.points, std::vector<std::int64_t>{size - gtAt});
}

TEST(CopyWithLineBreaks, WritesWholeBuffersNotBytes) {
  constexpr std::size_t kBuffer = 4096;
  for (const std::string& source : {Units("<a>", 100000), std::string(300000, 'x')}) {
    for (const SinkThread sinkThread : kSinkThreads) {
      MemorySource in(source);
      StringSink out;
      RecordingObserver observer;
      lum::CopyWithLineBreaks(in, out, static_cast<std::int64_t>(source.size()), observer, kBuffer, sinkThread);
      EXPECT_LE(static_cast<std::size_t>(out.writes()), out.data().size() / kBuffer + 1) << Named(sinkThread);
      EXPECT_EQ(in.reads(), static_cast<int>(source.size() / kBuffer + 2));  // the last read finds the end
    }
  }
}

class FailingSink : public lum::ByteSink {
 public:
  explicit FailingSink(std::size_t room) : room_(room) {}
  void write(const char*, std::size_t size) override {
    if (size > room_) throw lum::Failure(lum::err::kDiskFull, "test");
    room_ -= size;
  }

 private:
  std::size_t room_;
};

class FailingSource : public lum::ByteSource {
 public:
  explicit FailingSource(int goodReads) : goodReads_(goodReads) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    if (goodReads_-- == 0) throw lum::Failure(lum::err::kDeviceIo, "test");
    std::memset(buffer, '>', capacity);
    return capacity;
  }

 private:
  int goodReads_;
};

int FailureNumberOf(lum::ByteSource& in, lum::ByteSink& out, std::size_t bufferSize, SinkThread sinkThread) {
  RecordingObserver observer;
  try {
    lum::CopyWithLineBreaks(in, out, 0, observer, bufferSize, sinkThread);
  } catch (const lum::Failure& failure) {
    return failure.number();
  }
  return 0;
}

TEST(CopyWithLineBreaks, FailuresPassThrough) {
  for (const std::size_t bufferSize : {1, 7, 4096}) {
    for (const SinkThread sinkThread : kSinkThreads) {
      MemorySource text(Units("<a>", 5000));
      FailingSink full(1000);
      EXPECT_EQ(FailureNumberOf(text, full, bufferSize, sinkThread), lum::err::kDiskFull)
          << bufferSize << ", " << Named(sinkThread);

      FailingSource broken(3);
      StringSink out;
      EXPECT_EQ(FailureNumberOf(broken, out, bufferSize, sinkThread), lum::err::kDeviceIo)
          << bufferSize << ", " << Named(sinkThread);
    }
  }
}

TEST(CopyWithLineBreaks, AsksAfterEveryBufferAndStopsWhenCancelled) {
  const std::string source = Units("<a>", 1000);
  constexpr std::size_t kBuffer = 100;
  {
    MemorySource in(source);
    StringSink out;
    RecordingObserver observer;
    EXPECT_EQ(lum::CopyWithLineBreaks(in, out, 0, observer, kBuffer), CopyOutcome::Completed);
    EXPECT_EQ(observer.questions, static_cast<int>(source.size() / kBuffer));
  }
  for (const int cancelAt : {1, 3, 30}) {
    for (const SinkThread sinkThread : kSinkThreads) {
      MemorySource in(source);
      StringSink out;
      RecordingObserver observer(cancelAt);
      EXPECT_EQ(lum::CopyWithLineBreaks(in, out, 0, observer, kBuffer, sinkThread), CopyOutcome::Cancelled)
          << cancelAt << ", " << Named(sinkThread);
      EXPECT_EQ(in.reads(), cancelAt) << "no read after the cancel";
      EXPECT_LE(out.data().size(), ByteByByte(source.substr(0, kBuffer * cancelAt), 0).target.size());
    }
  }
}

}  // namespace
