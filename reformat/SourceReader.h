#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/ByteStream.h"

namespace lum {

// Which thread calls the source's read().
enum class SourceThread {
  // The thread that copies, one read for each source buffer it copies: for
  // sources whose reads may wait for good (standard input), which only a
  // signal to that thread breaks off.
  Caller,
  // A thread of its own, which reads up to the buffers it was given ahead of
  // the copy: for sources whose reads come back (a file).
  Own,
};

// Reads a source into the buffers it is given, in order, and hands them back
// filled. With SourceThread::Own a reader thread reads while the copying
// thread scans the buffers read before, so that the kernel's copy from the
// file into the process runs beside the scan; it reads no further than the
// buffers it holds. Each read asks for the same `capacity` bytes; the reads,
// their sizes and a failure come back in the same order either way.
//
// Only the thread that made the reader calls its methods. The destructor
// stops the reader thread before its next read (one under way ends first)
// and waits for it; what it read ahead is dropped.
class SourceReader {
 public:
  SourceReader(ByteSource& source, std::size_t capacity, SourceThread sourceThread);
  ~SourceReader();
  SourceReader(const SourceReader&) = delete;
  SourceReader& operator=(const SourceReader&) = delete;

  // A buffer of at least `capacity` bytes to read into.
  void give(char* buffer);

  struct Read {
    char* buffer;
    std::size_t size;  // 0: the end of the source
  };
  // The oldest read not handed back yet; waits for it. Rethrows the failure
  // of a read where that read's result would have come. Needs a buffer given.
  Read next();

 private:
  void readAhead();

  ByteSource& source_;
  const std::size_t capacity_;
  std::mutex mutex_;
  std::condition_variable bufferGiven_;  // the reader thread waits for a buffer or the end
  std::condition_variable bufferRead_;   // the copying thread waits for a read
  std::deque<char*> empty_;
  std::deque<Read> filled_;
  std::exception_ptr failure_;
  bool stopping_ = false;  // the copy is over
  std::thread reader_;
};

}  // namespace lum
