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
// The first bytes tell how the characters are stored, as XML's
// autodetection reads a byte-order mark or the "<?" of a declaration: a mark
// FF FE or FE FF, or 3C 00 3F 00 or 00 3C 00 3F, is UTF-16 (little- or
// big-endian); a mark FF FE 00 00 or 00 00 FE FF, or 3C 00 00 00 or
// 00 00 00 3C, is UTF-32. Such a source is copied in units of 2 or 4 bytes:
// the units CR and LF, in the file's byte order, follow every unit ">"
// (3E with all other bytes 00), and a byte 3E that is part of another unit
// gets nothing, so the copy stays valid. A last unit cut short is copied as
// it is. Any other start is copied as bytes. UCS-4 in the byte orders 2143
// and 3412 and EBCDIC are refused with failure 321 before anything reaches
// the sink.
//
// Progress points: after the LF that follows a ">" lands on a target
// position (1-based; in wider units the position of the LF unit's last
// byte) that is a multiple of 50, `observer.progress(total - bytes read up
// to and including that ">")`. `total` is the source's length as taken
// before the copy, or negative for a stream whose length is not known.
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
