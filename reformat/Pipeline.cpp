#include "reformat/Pipeline.h"

#include <system_error>

namespace lum {
namespace {

// Buffers start on a page boundary: the kernel copies between them and the
// page cache several times faster when both sides are aligned alike.
constexpr std::align_val_t kBufferAlignment{4096};

// The copying thread holds two buffers at a time, one the source is read
// into and one the target is gathered in. A writer thread gets two more: one
// it writes while the next waits for it.
constexpr std::size_t kCallerBuffers = 2;
constexpr std::size_t kOwnThreadBuffers = 4;

}  // namespace

void Pipeline::AlignedDelete::operator()(char* buffer) const { ::operator delete[](buffer, kBufferAlignment); }

Pipeline::Pipeline(ByteSink& sink, std::size_t bufferSize, SinkThread sinkThread) : sink_(sink) {
  const std::size_t count = sinkThread == SinkThread::Own ? kOwnThreadBuffers : kCallerBuffers;
  for (std::size_t i = 0; i < count; ++i) {
    buffers_.emplace_back(static_cast<char*>(::operator new[](bufferSize, kBufferAlignment)));
    free_.push_back(buffers_.back().get());
  }
  queue_.resize(count);
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
