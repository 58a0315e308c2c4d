#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ByteStream.h"
#include "reformat/Pipeline.h"

namespace lum {

// Follows a running copy; both calls come from the thread that copies.
class CopyObserver {
 public:
  virtual ~CopyObserver() = default;
  // A progress point: `remaining` is the total given to the copy less the
  // source bytes read so far. The window shows it and lets queued events run.
  virtual void progress(std::int64_t remaining) = 0;
  // After every buffer of the source: `read` source bytes are copied so far,
  // of `total` (negative when the length is not known). For a display that
  // also moves where no ">" is.
  virtual void copied(std::int64_t /*read*/, std::int64_t /*total*/) {}
  // Asked after every buffer of the source, after copied(); true stops the
  // copy.
  virtual bool cancelled() = 0;

 protected:
  CopyObserver() = default;
  CopyObserver(const CopyObserver&) = default;
  CopyObserver& operator=(const CopyObserver&) = default;
};

enum class CopyOutcome { Completed, Cancelled };

// Half a MiB: the four buffers of a copy into a file, each three source
// buffers long (see Pipeline), then fit in four large pages.
inline constexpr std::size_t kDefaultCopyBufferSize = std::size_t{512} << 10;

// Copies `source` to `sink` with CR LF inserted after every ">", and changes
// nothing else.
//
// A source that starts with a UTF-16 byte-order mark (FF FE little-endian,
// FE FF big-endian) is copied in 16-bit units instead: the units 000D 000A,
// in the file's byte order, follow every unit 003E, and a byte 3E that is
// half of another unit gets nothing, so the copy stays valid UTF-16. An odd
// last byte is copied as it is.
//
// Progress points: after the LF that follows a ">" lands on a target
// position (1-based; in UTF-16 the position of the LF unit's last byte) that
// is a multiple of 50, `observer.progress(total - bytes read up to and
// including that ">")`. `total` is the source's length as taken before the
// copy, or negative for a stream whose length is not known.
//
// Both sides move in buffers of `bufferSize` bytes (0 counts as 1). After
// every source buffer the observer is asked whether to stop; a cancelled
// copy returns at once and may have sent part of the target to the sink.
// Failures of the source, the sink or the observer pass through.
//
// The source and the observer are called on the calling thread only; the
// sink as `sinkThread` says (see Pipeline), with SinkThread::Own mostly by a
// writer thread while the next source buffers are read and scanned, never
// by two threads at once. Either way the copy returns, or throws, only after
// the sink's last call has ended.
CopyOutcome CopyWithLineBreaks(ByteSource& source, ByteSink& sink, std::int64_t total, CopyObserver& observer,
                               std::size_t bufferSize = kDefaultCopyBufferSize,
                               SinkThread sinkThread = SinkThread::Caller);

}  // namespace lum
