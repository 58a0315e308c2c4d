#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ByteStream.h"

namespace lum {

// Which thread calls the sink's write().
enum class SinkThread {
  // The thread that copies, between two source buffers: for sinks whose
  // writes may wait for good (a pipe or a terminal), which only a signal to
  // that thread breaks off.
  Caller,
  // Mostly a thread of its own, while the next source buffers are read and
  // scanned: for sinks whose writes come back (a file, memory). The
  // thread that copies writes a waiting buffer itself when the writer
  // thread has not got going by the time it needs the buffer.
  Own,
};

// A fixed set of equal buffers that go round between the thread that copies,
// which fills them, and the sink, which empties them in the order they were
// filled, one write at a time. With SinkThread::Own a writer thread calls the
// sink, so that the kernel's copy of one buffer into the target overlaps the
// reading and scanning of the next ones; the buffers bound the memory
// whatever the length of the copy.
//
// The buffers lie in one block of memory, which the pipeline that ends
// leaves to the next one (see Pipeline.cpp).
//
// Only the thread that made the pipeline calls its methods. A failure of the
// sink stops the writing; the next call of take(), write() or finish()
// rethrows that exception. The destructor drops what is not written yet and
// waits for the writer thread to end.
class Pipeline {
 public:
  // `bufferSize` bytes each, page-aligned.
  Pipeline(ByteSink& sink, std::size_t bufferSize, SinkThread sinkThread);
  // Ends the writer thread and leaves the block to the next pipeline.
  ~Pipeline();
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // A buffer that is nobody's; waits while the sink holds them all.
  char* take();
  // Passes `size` bytes at `data`, inside `buffer` (from take()), to the
  // sink. The buffer is the sink's from here on, until it is written.
  void write(char* buffer, const char* data, std::size_t size);
  // Waits until the sink has written everything passed to it.
  void finish();

 private:
  struct Chunk {
    char* buffer;
    const char* data;
    std::size_t size;
  };
  // The memory of all the buffers: a block of at least `size` bytes, the
  // one the last pipeline left where it is large enough, handed on to the
  // next pipeline at the end.
  class Block {
   public:
    explicit Block(std::size_t size);
    ~Block();
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    char* data() const { return data_; }

   private:
    char* data_;
    std::size_t size_;
  };

  void makeProgress(std::unique_lock<std::mutex>& lock);
  void writeChunks();
  void writeOldest(std::unique_lock<std::mutex>& lock);
  void rethrowFailure() const;

  ByteSink& sink_;
  const std::size_t count_;   // buffers
  const std::size_t stride_;  // from one buffer to the next, whole pages
  Block block_;
  std::mutex mutex_;
  std::condition_variable chunkQueued_;   // the writer thread waits for work or the end
  std::condition_variable chunkWritten_;  // the copying thread waits for a write to end
  std::vector<char*> free_;               // last freed first: its memory is the warmest
  std::vector<Chunk> queue_;              // a ring of chunks waiting for the sink
  std::size_t queueHead_ = 0;
  std::size_t queued_ = 0;
  bool writing_ = false;  // a chunk taken from the queue is being written
  bool ending_ = false;
  std::exception_ptr failure_;
  std::thread writer_;
};

}  // namespace lum
