#pragma once

// The target side of one copy, which the engine's byte path (CopyEngine.cpp)
// and the path of wider units (WideUnits.cpp) share. The scan kernels do not
// include it.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "reformat/CopyEngine.h"
#include "reformat/CopyEngineInternal.h"
#include "reformat/Pipeline.h"

namespace lum {

// The buffers of one copy: the one the source is read into, and the one in
// which the target's bytes are gathered into writes of about a source buffer.
// The target's holds three source buffers (a buffer of nothing but ">"
// triples) and the slack, so that the byte path can write a whole source
// buffer's lines without checking for room. The rest of a source buffer that
// is at least a source buffer long and finds the target's buffer empty goes
// to the sink as it lies, in the source's buffer; the next source buffer is
// read into another one.
class OutputBuffer {
 public:
  OutputBuffer(Pipeline& pipeline, std::size_t sourceBufferSize)
      : pipeline_(pipeline),
        input_(pipeline.take()),
        buffer_(pipeline.take()),
        capacity_(3 * sourceBufferSize + kSlack),
        directFrom_(sourceBufferSize) {}

  // Where the next source buffer is read into; kSlack readable bytes follow
  // the source buffer.
  char* input() const { return input_; }

  // Where `size` bytes can be written at once; commit() says how far they went.
  char* reserve(std::size_t size) {
    if (capacity_ - used_ < size) flush();
    return buffer_ + used_;
  }

  void commit(const char* end) {
    used_ = static_cast<std::size_t>(end - buffer_);
    if (used_ >= directFrom_) flush();
  }

  void append(const char* data, std::size_t size) {
    std::memcpy(reserve(size), data, size);
    commit(buffer_ + used_ + size);
  }

  // The last bytes of the source buffer; nothing of that buffer may be read
  // afterwards, since it may be on its way to the sink.
  void appendRest(const char* data, std::size_t size) {
    if (used_ != 0 || size < directFrom_) return append(data, size);
    pipeline_.write(input_, data, size);
    input_ = pipeline_.take();
  }

  void flush() {
    if (used_ == 0) return;
    pipeline_.write(buffer_, buffer_, used_);
    used_ = 0;
    buffer_ = pipeline_.take();
  }

 private:
  Pipeline& pipeline_;
  char* input_;
  char* buffer_;
  std::size_t capacity_;
  std::size_t directFrom_;
  std::size_t used_ = 0;
};

// The output buffer with the counts of the copy so far, which place its
// progress points, and whom to tell of them.
class CopyOutput : public OutputBuffer {
 public:
  CopyOutput(Pipeline& pipeline, std::size_t sourceBufferSize, std::int64_t total, CopyObserver& observer)
      : OutputBuffer(pipeline, sourceBufferSize), total_(total), observer_(observer) {}

  // Source bytes copied unchanged.
  void copy(const char* data, std::size_t size) {
    append(data, size);
    count(size, size);
  }

  // The rest of the source buffer, copied unchanged (see appendRest()).
  void copyRest(const char* data, std::size_t size) {
    appendRest(data, size);
    count(size, size);
  }

  // `read` more source bytes went to the target as `written` bytes.
  void count(std::size_t read, std::size_t written) {
    read_ += static_cast<std::int64_t>(read);
    written_ += static_cast<std::int64_t>(written);
  }

  // The target's length so far: the 1-based position of its last byte.
  std::int64_t written() const { return written_; }
  // The total given to the copy less the source bytes read so far.
  std::int64_t remaining() const { return total_ - read_; }
  CopyObserver& observer() const { return observer_; }

 private:
  const std::int64_t total_;
  CopyObserver& observer_;
  std::int64_t read_ = 0;
  std::int64_t written_ = 0;
};

}  // namespace lum
