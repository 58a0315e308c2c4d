#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "platform/ByteStream.h"
#include "reformat/CopyEngine.h"
#include "tests/support/FailureNumber.h"

namespace lum::test {

// Hands out `data`, at most `maxRead` bytes a read.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string data, std::size_t maxRead = std::numeric_limits<std::size_t>::max())
      : data_(std::move(data)), maxRead_(maxRead) {}

  std::size_t read(char* buffer, std::size_t capacity) override {
    ++reads;
    const std::size_t size = std::min({capacity, maxRead_, data_.size() - position_});
    std::memcpy(buffer, data_.data() + position_, size);
    position_ += size;
    return size;
  }

  int reads = 0;

 private:
  std::string data_;
  std::size_t maxRead_;
  std::size_t position_ = 0;
};

// Keeps what it is given, and whether a thread other than the one that made
// it wrote; past `room` bytes it fails with `failure`.
class MemorySink : public ByteSink {
 public:
  explicit MemorySink(std::size_t room = std::numeric_limits<std::size_t>::max(), int failure = err::kDiskFull)
      : room_(room), failure_(failure) {}

  void write(const char* data, std::size_t size) override {
    if (bytes.size() + size > room_) throw Failure(failure_, "test");
    bytes.append(data, size);
    byAnotherThread |= std::this_thread::get_id() != maker_;
  }

  std::string bytes;
  bool byAnotherThread = false;

 private:
  std::size_t room_;
  int failure_;
  std::thread::id maker_ = std::this_thread::get_id();
};

// Records the progress points and answers "cancel" from its `cancelAt`-th
// question on (0: never); `onProgress` runs at every point.
class RecordingObserver : public CopyObserver {
 public:
  explicit RecordingObserver(int cancelAt = 0) : cancelAt_(cancelAt) {}
  void progress(std::int64_t remaining) override {
    points.push_back(remaining);
    if (onProgress) onProgress();
  }
  bool cancelled() override { return ++questions >= cancelAt_ && cancelAt_ > 0; }

  std::vector<std::int64_t> points;
  int questions = 0;
  std::function<void()> onProgress;

 private:
  int cancelAt_;
};

}  // namespace lum::test
