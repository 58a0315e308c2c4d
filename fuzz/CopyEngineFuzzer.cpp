// The copy engine against the slow reference copy, for any source (bytes, or
// UTF-16 after a byte-order mark), any buffer size and any read sizes, with
// the sink on the calling thread or on its own: the same target and progress
// points; a cancel or a failing sink stops it with a beginning of that target
// sent and nothing else.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "reformat/CopyEngine.h"
#include "platform/Failure.h"
#include "tests/support/ReferenceCopy.h"

namespace {

// Hands out a string, at most `maxRead` bytes per read (0: no limit).
class MemorySource : public lum::ByteSource {
 public:
  MemorySource(std::string data, std::size_t maxRead) : data_(std::move(data)), maxRead_(maxRead) {}

  std::size_t read(char* buffer, std::size_t capacity) override {
    std::size_t size = std::min(capacity, data_.size() - position_);
    if (maxRead_ != 0) size = std::min(size, maxRead_);
    std::memcpy(buffer, data_.data() + position_, size);
    position_ += size;
    reads_ += size > 0 ? 1 : 0;
    return size;
  }

  int reads() const { return reads_; }

 private:
  std::string data_;
  std::size_t maxRead_;
  std::size_t position_ = 0;
  int reads_ = 0;
};

// Keeps what it gets; with a room, fails as a full disk would once a write
// does not fit.
class StringSink : public lum::ByteSink {
 public:
  explicit StringSink(std::size_t room) : room_(room) {}
  void write(const char* data, std::size_t size) override {
    if (size > room_ - data_.size()) throw lum::Failure(lum::err::kDiskFull, "fuzz");
    data_.append(data, size);
  }
  const std::string& data() const { return data_; }

 private:
  std::size_t room_;
  std::string data_;
};

// Records the points; answers "cancel" at its `cancelAt`-th question (0: never).
class RecordingObserver : public lum::CopyObserver {
 public:
  explicit RecordingObserver(int cancelAt) : cancelAt_(cancelAt) {}
  void progress(std::int64_t remaining) override { points.push_back(remaining); }
  bool cancelled() override { return ++questions == cancelAt_; }

  std::vector<std::int64_t> points;
  int questions = 0;

 private:
  int cancelAt_;
};

template <typename T>
bool IsBeginningOf(const T& part, const T& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

enum class Stop { Never, Cancel, FullSink };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // Mostly small buffers, so that their boundaries fall everywhere; 0 counts as 1.
  std::size_t bufferSize = 0;
  switch (input.ConsumeIntegralInRange(0, 7)) {
    case 0: bufferSize = lum::kDefaultCopyBufferSize; break;
    case 1: bufferSize = input.ConsumeIntegralInRange<std::size_t>(65, 70000); break;
    default: bufferSize = input.ConsumeIntegralInRange<std::size_t>(0, 64); break;
  }
  const std::size_t maxRead = input.ConsumeIntegralInRange<std::size_t>(0, std::max<std::size_t>(bufferSize, 1));
  const auto stop = static_cast<Stop>(input.ConsumeIntegralInRange(0, 2));
  const auto stopAt = input.ConsumeIntegralInRange<std::size_t>(0, 1 << 16);
  const auto totalOffset = input.ConsumeIntegralInRange<std::int64_t>(-100, 100);
  const lum::SinkThread sinkThread = input.ConsumeBool() ? lum::SinkThread::Own : lum::SinkThread::Caller;
  // A longer source, made of repeats, only where buffers are not tiny: one
  // byte at a time through kilobytes would slow every run down.
  const int repeats = bufferSize >= 64 && input.ConsumeBool() ? input.ConsumeIntegralInRange(2, 64) : 1;
  std::string source;
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 1: source = "\xFF\xFE"; break;  // UTF-16, little-endian
    case 2: source = "\xFE\xFF"; break;  // UTF-16, big-endian
    default: break;
  }
  const std::string body = input.ConsumeRemainingBytesAsString();
  for (int i = 0; i < repeats; ++i) source += body;

  const std::int64_t total = static_cast<std::int64_t>(source.size()) + totalOffset;
  const lum::test::ReferenceCopy expected = lum::test::ReferenceFor(source, total);

  MemorySource in(source, maxRead);
  StringSink out(stop == Stop::FullSink ? stopAt : std::string::npos);
  RecordingObserver observer(stop == Stop::Cancel ? static_cast<int>(stopAt % 512) : 0);
  lum::CopyOutcome outcome{};
  try {
    outcome = lum::CopyWithLineBreaks(in, out, total, observer, bufferSize, sinkThread);
  } catch (const lum::Failure& failure) {
    // Only the sink fails here, and only when the target does not fit.
    FUZZ_CHECK(failure.number() == lum::err::kDiskFull);
    FUZZ_CHECK(stop == Stop::FullSink && stopAt < expected.target.size());
    FUZZ_CHECK(IsBeginningOf(out.data(), expected.target));
    FUZZ_CHECK(IsBeginningOf(observer.points, expected.points));
    return 0;
  }
  // One question after every buffer that brought bytes, and no read after a cancel.
  FUZZ_CHECK(observer.questions == in.reads());
  if (outcome == lum::CopyOutcome::Cancelled) {
    FUZZ_CHECK(stop == Stop::Cancel && observer.questions == static_cast<int>(stopAt % 512));
    FUZZ_CHECK(IsBeginningOf(out.data(), expected.target));
    FUZZ_CHECK(IsBeginningOf(observer.points, expected.points));
    return 0;
  }
  FUZZ_CHECK(out.data() == expected.target);
  FUZZ_CHECK(observer.points == expected.points);
  return 0;
}
