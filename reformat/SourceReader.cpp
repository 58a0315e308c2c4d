#include "reformat/SourceReader.h"

#include <system_error>

namespace lum {

SourceReader::SourceReader(ByteSource& source, std::size_t capacity, SourceThread sourceThread)
    : source_(source), capacity_(capacity) {
  if (sourceThread == SourceThread::Caller) return;
  try {
    reader_ = std::thread([this] { readAhead(); });
  } catch (const std::system_error&) {
    // No thread to be had: the copying thread reads, as for SourceThread::Caller.
  }
}

SourceReader::~SourceReader() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  bufferGiven_.notify_one();
  if (reader_.joinable()) reader_.join();
}

void SourceReader::give(char* buffer) {
  {
    const std::lock_guard lock(mutex_);
    empty_.push_back(buffer);
  }
  bufferGiven_.notify_one();
}

SourceReader::Read SourceReader::next() {
  if (!reader_.joinable()) {
    char* const buffer = empty_.front();
    empty_.pop_front();
    return {buffer, source_.read(buffer, capacity_)};
  }
  std::unique_lock lock(mutex_);
  bufferRead_.wait(lock, [this] { return !filled_.empty() || failure_; });
  if (filled_.empty()) std::rethrow_exception(failure_);
  const Read read = filled_.front();
  filled_.pop_front();
  return read;
}

// The reader thread: one read into each buffer given, until the end of the
// source, a failure or the end of the copy.
void SourceReader::readAhead() {
  std::unique_lock lock(mutex_);
  for (;;) {
    bufferGiven_.wait(lock, [this] { return stopping_ || !empty_.empty(); });
    if (stopping_) return;
    char* const buffer = empty_.front();
    empty_.pop_front();
    lock.unlock();
    std::exception_ptr failure;
    std::size_t size = 0;
    try {
      size = source_.read(buffer, capacity_);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (failure) {
      failure_ = failure;
    } else {
      filled_.push_back({buffer, size});
    }
    // The copying thread, woken, finds the lock free.
    lock.unlock();
    bufferRead_.notify_one();
    lock.lock();
    if (failure || size == 0) return;
  }
}

}  // namespace lum
