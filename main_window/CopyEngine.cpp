#include "main_window/CopyEngine.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

// Where the CPU has SSE2 (every x86-64), ">" are found 64 bytes at a time.
#if defined(__SSE2__) || defined(_M_X64)
#define LUM_HAVE_SSE2 1
#include <emmintrin.h>
#endif

namespace lum {
namespace {

constexpr std::int64_t kProgressStep = 50;
// Where ">" stand this close together, plain code beats library calls.
constexpr std::size_t kShortLine = 32;

#ifdef LUM_HAVE_SSE2
constexpr std::ptrdiff_t kBlock = 64;

// The ">" among the 64 bytes at `block`, one bit each, in memory order.
std::uint64_t GtMask(const char* block) {
  const __m128i gt = _mm_set1_epi8('>');
  std::uint64_t mask = 0;
  for (int part = 0; part < 4; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    const auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, gt)));
    mask |= std::uint64_t{bits} << (16 * part);
  }
  return mask;
}
#endif

// Buffers start on a page boundary: the kernel copies between them and the
// page cache several times faster when both sides are aligned alike.
constexpr std::align_val_t kBufferAlignment{4096};

struct AlignedDelete {
  void operator()(char* buffer) const { ::operator delete[](buffer, kBufferAlignment); }
};
using Buffer = std::unique_ptr<char[], AlignedDelete>;

Buffer MakeBuffer(std::size_t size) { return Buffer(static_cast<char*>(::operator new[](size, kBufferAlignment))); }

// The line break after a ">": CR LF, or the units 000D 000A in UTF-16. Kept
// four bytes wide so that it is stored with one copy of a fixed size.
struct LineBreak {
  char bytes[4];
  std::size_t size;
};
constexpr LineBreak kByteLineBreak{{'\r', '\n', 0, 0}, 2};
constexpr LineBreak kLittleEndianLineBreak{{'\r', 0, '\n', 0}, 4};
constexpr LineBreak kBigEndianLineBreak{{0, '\r', 0, '\n'}, 4};

// The target's bytes on their way to the sink, gathered into writes of a
// whole buffer. A run of bytes at least a buffer long that finds the buffer
// empty goes to the sink as it is, without a copy.
class OutputBuffer {
 public:
  OutputBuffer(ByteSink& sink, std::size_t capacity) : sink_(sink), buffer_(MakeBuffer(capacity)), capacity_(capacity) {}

  void append(const char* data, std::size_t size) {
    if (used_ == 0 && size >= capacity_) {
      sink_.write(data, size);
      return;
    }
    if (size <= capacity_ - used_) {
      std::memcpy(buffer_.get() + used_, data, size);
      used_ += size;
      return;
    }
    const std::size_t head = capacity_ - used_;
    std::memcpy(buffer_.get() + used_, data, head);
    used_ = capacity_;
    flush();
    append(data + head, size - head);
  }

  // `size` bytes of `data` followed by a line break. `readable` (at least
  // `size`) bytes at `data` may be read.
  void appendLine(const char* data, std::size_t size, std::size_t readable, const LineBreak& lineBreak) {
    char* const to = buffer_.get() + used_;
    const std::size_t room = capacity_ - used_;
    if (size <= kShortLine && readable >= kShortLine && room >= kShortLine + sizeof lineBreak.bytes) {
      // A short line moves as one block of fixed size, which needs no library
      // call; what it copies past the line is overwritten next.
      std::memcpy(to, data, kShortLine);
    } else if (size + sizeof lineBreak.bytes <= room) {
      std::memcpy(to, data, size);
    } else {
      append(data, size);
      append(lineBreak.bytes, lineBreak.size);
      return;
    }
    std::memcpy(to + size, lineBreak.bytes, sizeof lineBreak.bytes);
    used_ += size + lineBreak.size;
  }

  void flush() {
    if (used_ == 0) return;
    sink_.write(buffer_.get(), used_);
    used_ = 0;
  }

 private:
  ByteSink& sink_;
  Buffer buffer_;
  std::size_t capacity_;
  std::size_t used_ = 0;
};

// One copy's state across the source buffers. The encoding is decided by the
// first two bytes; until then a first byte FF or FE is held back. In UTF-16 a
// unit's first byte is held back when a buffer ends between its two bytes.
class Copier {
 public:
  Copier(ByteSink& sink, std::int64_t total, CopyObserver& observer, std::size_t bufferSize)
      : out_(sink, bufferSize), total_(total), observer_(observer) {}

  void feed(const char* data, std::size_t size) {
    decideEncoding(data, size);
    if (encoding_ == Encoding::Bytes) copyBytes(data, size);
    if (encoding_ == Encoding::Utf16) copyUnits(data, size);
  }

  void finish() {
    if (holding_) emit(&held_, 1);
    out_.flush();
  }

 private:
  enum class Encoding { Undecided, Bytes, Utf16 };

  void decideEncoding(const char*& data, std::size_t& size) {
    while (encoding_ == Encoding::Undecided && size > 0) {
      const auto next = static_cast<unsigned char>(*data);
      if (!holding_) {
        if (next != 0xFF && next != 0xFE) {
          encoding_ = Encoding::Bytes;
          break;
        }
        held_ = *data;
        holding_ = true;
        ++data;
        --size;
        continue;
      }
      const auto first = static_cast<unsigned char>(held_);
      if (first == 0xFF && next == 0xFE) {
        startUtf16(0, kLittleEndianLineBreak);
      } else if (first == 0xFE && next == 0xFF) {
        startUtf16(1, kBigEndianLineBreak);
      } else {
        // Not a byte-order mark: the held byte is an ordinary first byte.
        encoding_ = Encoding::Bytes;
        holding_ = false;
        emit(&held_, 1);
      }
    }
  }

  // The held first byte of the mark becomes the first unit's first byte.
  void startUtf16(std::size_t gtByte, const LineBreak& lineBreak) {
    encoding_ = Encoding::Utf16;
    gtByte_ = gtByte;
    lineBreak_ = lineBreak;
  }

  void copyBytes(const char* data, std::size_t size) {
    const char* const end = data + size;
    const char* line = data;  // where the line not yet copied starts
    const auto copyLineThrough = [&](const char* gt) {
      emitLine(line, static_cast<std::size_t>(gt + 1 - line), static_cast<std::size_t>(end - line));
      line = gt + 1;
    };
    const char* at = data;  // where the search goes on
#ifdef LUM_HAVE_SSE2
    // A block of 64 bytes gives the mask of its ">" at once, which beats a
    // library call per line; a block without any hands the rest of a long
    // run to memchr.
    while (end - at >= kBlock) {
      std::uint64_t gts = GtMask(at);
      if (gts == 0) {
        const void* const gt = std::memchr(at + kBlock, '>', static_cast<std::size_t>(end - at - kBlock));
        if (gt == nullptr) {
          at = end;
          break;
        }
        copyLineThrough(static_cast<const char*>(gt));
        at = line;
        continue;
      }
      for (; gts != 0; gts &= gts - 1) copyLineThrough(at + std::countr_zero(gts));
      at += kBlock;
    }
#endif
    while (const void* const gt = std::memchr(at, '>', static_cast<std::size_t>(end - at))) {
      copyLineThrough(static_cast<const char*>(gt));
      at = line;
    }
    emit(line, static_cast<std::size_t>(end - line));
  }

  // `data` starts a unit, or completes the held one.
  void copyUnits(const char* data, std::size_t size) {
    if (holding_ && size > 0) {
      const char unit[2] = {held_, *data};
      holding_ = false;
      if (isGtUnit(unit)) {
        emitLine(unit, 2, 2);
      } else {
        emit(unit, 2);
      }
      ++data;
      --size;
    }
    // Whole units from here on; a ">" byte counts only where it is the right
    // half of a unit whose other half is 00.
    const std::size_t whole = size & ~std::size_t{1};
    const char* segment = data;
    std::size_t searchFrom = 0;
    while (const void* hit = std::memchr(data + searchFrom, '>', whole - searchFrom)) {
      const auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
      searchFrom = offset + 1;
      if (!isGtUnit(data + (offset & ~std::size_t{1}))) continue;
      const char* const unitEnd = data + (offset | 1) + 1;
      emitLine(segment, static_cast<std::size_t>(unitEnd - segment), static_cast<std::size_t>(data + whole - segment));
      segment = unitEnd;
      searchFrom = static_cast<std::size_t>(unitEnd - data);
    }
    emit(segment, static_cast<std::size_t>(data + whole - segment));
    if (size != whole) {
      held_ = data[whole];
      holding_ = true;
    }
  }

  bool isGtUnit(const char* unit) const { return unit[gtByte_] == '>' && unit[gtByte_ ^ 1] == '\0'; }

  // Source bytes copied unchanged.
  void emit(const char* data, std::size_t size) {
    out_.append(data, size);
    read_ += static_cast<std::int64_t>(size);
    written_ += static_cast<std::int64_t>(size);
  }

  // Source bytes that end in a ">", then the line break; a progress point
  // where the LF lands on a multiple of 50 (in UTF-16: the LF unit's last
  // byte).
  void emitLine(const char* data, std::size_t size, std::size_t readable) {
    out_.appendLine(data, size, readable, lineBreak_);
    read_ += static_cast<std::int64_t>(size);
    written_ += static_cast<std::int64_t>(size + lineBreak_.size);
    // Most lines pass no multiple of 50; then one comparison settles it.
    if (written_ < nextStep_) return;
    if (written_ % kProgressStep == 0) observer_.progress(total_ - read_);
    nextStep_ = written_ - written_ % kProgressStep + kProgressStep;
  }

  OutputBuffer out_;
  const std::int64_t total_;
  CopyObserver& observer_;
  Encoding encoding_ = Encoding::Undecided;
  LineBreak lineBreak_ = kByteLineBreak;
  std::size_t gtByte_ = 0;  // which byte of a UTF-16 unit holds the 3E of ">"
  char held_ = 0;
  bool holding_ = false;
  std::int64_t read_ = 0;     // source bytes copied so far
  std::int64_t written_ = 0;  // target bytes so far; the last one's 1-based position
  std::int64_t nextStep_ = kProgressStep;  // the first multiple of 50 above written_ when last looked at
};

}  // namespace

CopyOutcome CopyWithLineBreaks(ByteSource& source, ByteSink& sink, std::int64_t total, CopyObserver& observer,
                               std::size_t bufferSize) {
  bufferSize = std::max<std::size_t>(bufferSize, 1);
  const Buffer buffer = MakeBuffer(bufferSize);
  Copier copier(sink, total, observer, bufferSize);
  while (const std::size_t got = source.read(buffer.get(), bufferSize)) {
    copier.feed(buffer.get(), got);
    if (observer.cancelled()) return CopyOutcome::Cancelled;
  }
  copier.finish();
  return CopyOutcome::Completed;
}

}  // namespace lum
