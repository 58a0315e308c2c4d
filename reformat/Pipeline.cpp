#include "reformat/Pipeline.h"

#include <new>
#include <system_error>
#include <tuple>
#include <utility>

#include "platform/LargePages.h"

namespace lum {
namespace {

// Buffers start on a page boundary: the kernel copies between them and the
// page cache several times faster when both sides are aligned alike.
constexpr std::size_t kPageSize = 4096;
constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

// The copying thread holds two buffers at a time, one the source is read
// into and one the target is gathered in. A writer thread gets two more: one
// it writes while the next waits for it.
constexpr std::size_t kCallerBuffers = 2;
constexpr std::size_t kOwnThreadBuffers = 4;

// The first write to each page of fresh memory is a page fault, which on a
// virtual machine can cost more than copying the page. A block of a large page or
// more therefore starts on a large-page boundary and asks for large pages:
// one fault for each 2 MiB. A smaller block, for a small file, stays in small
// pages, so that only the pages the copy uses count as the process's memory.
std::align_val_t AlignmentFor(std::size_t size) {
  return std::align_val_t{size >= kLargePageSize ? kLargePageSize : kPageSize};
}

char* NewBlock(std::size_t size) {
  auto* const data = static_cast<char*>(::operator new(size, AlignmentFor(size)));
  if (size >= kLargePageSize) PreferLargePages(data, size);
  return data;
}

void DeleteBlock(char* data, std::size_t size) { ::operator delete(data, AlignmentFor(size)); }

// The block of the pipeline that ended last, kept for the next one: a batch
// of files, or the window's next job, then fills memory whose pages are
// there already instead of faulting in new ones for every file.
class SpareBlock {
 public:
  SpareBlock() = default;
  SpareBlock(const SpareBlock&) = delete;
  SpareBlock& operator=(const SpareBlock&) = delete;
  ~SpareBlock() {
    if (data_ != nullptr) DeleteBlock(data_, size_);
  }

  // The spare block where it holds `size` bytes, else a new one; a spare
  // that is too small goes first, so that the two are never held at once.
  std::pair<char*, std::size_t> take(std::size_t size) {
    {
      const std::lock_guard lock(mutex_);
      if (data_ != nullptr) {
        if (size_ >= size) return {std::exchange(data_, nullptr), size_};
        DeleteBlock(std::exchange(data_, nullptr), size_);
      }
    }
    return {NewBlock(size), size};
  }

  // Keeps the larger of `data` and the spare block.
  void give(char* data, std::size_t size) {
    const std::lock_guard lock(mutex_);
    if (data_ != nullptr && size_ >= size) return DeleteBlock(data, size);
    if (data_ != nullptr) DeleteBlock(data_, size_);
    data_ = data;
    size_ = size;
  }

 private:
  std::mutex mutex_;
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

SpareBlock& Spare() {
  static SpareBlock spare;
  return spare;
}

}  // namespace

Pipeline::Block::Block(std::size_t size) { std::tie(data_, size_) = Spare().take(size); }

Pipeline::Block::~Block() { Spare().give(data_, size_); }

Pipeline::Pipeline(ByteSink& sink, std::size_t bufferSize, SinkThread sinkThread)
    : sink_(sink),
      count_(sinkThread == SinkThread::Own ? kOwnThreadBuffers : kCallerBuffers),
      stride_((bufferSize + kPageSize - 1) / kPageSize * kPageSize),
      block_(count_ * stride_) {
  for (std::size_t i = 0; i < count_; ++i) free_.push_back(block_.data() + i * stride_);
  queue_.resize(count_);
  if (sinkThread == SinkThread::Caller) return;
  try {
    writer_ = std::thread([this] { writeChunks(); });
  } catch (const std::system_error&) {
    // No thread to be had: the copying thread writes, as for SinkThread::Caller.
  }
}

Pipeline::~Pipeline() {
  {
    const std::lock_guard lock(mutex_);
    ending_ = true;
  }
  chunkQueued_.notify_one();
  if (writer_.joinable()) writer_.join();
}

char* Pipeline::take() {
  std::unique_lock lock(mutex_);
  for (;;) {
    rethrowFailure();
    if (!free_.empty()) break;
    makeProgress(lock);
  }
  char* const buffer = free_.back();
  free_.pop_back();
  return buffer;
}

void Pipeline::write(char* buffer, const char* data, std::size_t size) {
  {
    const std::lock_guard lock(mutex_);
    rethrowFailure();
    queue_[(queueHead_ + queued_) % queue_.size()] = Chunk{buffer, data, size};
    ++queued_;
  }
  chunkQueued_.notify_one();
}

void Pipeline::finish() {
  std::unique_lock lock(mutex_);
  for (;;) {
    rethrowFailure();
    if (queued_ == 0 && !writing_) return;
    makeProgress(lock);
  }
}

// The copying thread, which needs a buffer or the end: it writes the oldest
// chunk itself when no write is under way. That is always so without a
// writer thread; with one, it is a writer that has been woken but not yet
// given a CPU, which on a machine busy with other work can take longer than
// the write. Otherwise it waits for the write under way.
void Pipeline::makeProgress(std::unique_lock<std::mutex>& lock) {
  if (!writing_ && queued_ > 0) {
    writeOldest(lock);
  } else {
    chunkWritten_.wait(lock);
  }
}

// The writer thread: the queued chunks in order, until the pipeline ends or
// the sink fails.
void Pipeline::writeChunks() {
  std::unique_lock lock(mutex_);
  for (;;) {
    chunkQueued_.wait(lock, [this] { return ending_ || failure_ || (queued_ > 0 && !writing_); });
    if (ending_ || failure_) return;
    writeOldest(lock);
  }
}

// Writes the oldest chunk, with the lock let go meanwhile. Only one write is
// ever under way, so chunks reach the sink whole and in order.
void Pipeline::writeOldest(std::unique_lock<std::mutex>& lock) {
  const Chunk chunk = queue_[queueHead_];
  queueHead_ = (queueHead_ + 1) % queue_.size();
  --queued_;
  writing_ = true;
  lock.unlock();
  std::exception_ptr failure;
  try {
    sink_.write(chunk.data, chunk.size);
  } catch (...) {
    failure = std::current_exception();
  }
  lock.lock();
  writing_ = false;
  if (failure) failure_ = failure;
  free_.push_back(chunk.buffer);
  // The other thread, woken, finds the lock free.
  lock.unlock();
  chunkWritten_.notify_one();
  chunkQueued_.notify_one();
  lock.lock();
}

void Pipeline::rethrowFailure() const {
  if (failure_) std::rethrow_exception(failure_);
}

}  // namespace lum
