#include "main_window/CopyEngine.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace lum {
namespace {

constexpr std::int64_t kProgressStep = 50;

// The target's bytes on their way to the sink, gathered into writes of a
// whole buffer. A run of bytes at least a buffer long goes to the sink as it
// is, without a copy.
class OutputBuffer {
 public:
  OutputBuffer(ByteSink& sink, std::size_t capacity) : sink_(sink), buffer_(capacity) {}

  void append(const char* data, std::size_t size) {
    if (size <= buffer_.size() - used_) {
      std::memcpy(buffer_.data() + used_, data, size);
      used_ += size;
      return;
    }
    if (used_ != 0) {
      const std::size_t head = buffer_.size() - used_;
      std::memcpy(buffer_.data() + used_, data, head);
      used_ = buffer_.size();
      flush();
      data += head;
      size -= head;
    }
    if (size >= buffer_.size()) {
      sink_.write(data, size);
    } else {
      std::memcpy(buffer_.data(), data, size);
      used_ = size;
    }
  }

  void flush() {
    if (used_ == 0) return;
    sink_.write(buffer_.data(), used_);
    used_ = 0;
  }

 private:
  ByteSink& sink_;
  std::vector<char> buffer_;
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
        startUtf16(0, std::string_view("\r\0\n\0", 4));
      } else if (first == 0xFE && next == 0xFF) {
        startUtf16(1, std::string_view("\0\r\0\n", 4));
      } else {
        // Not a byte-order mark: the held byte is an ordinary first byte.
        encoding_ = Encoding::Bytes;
        holding_ = false;
        emit(&held_, 1);
      }
    }
  }

  // The held first byte of the mark becomes the first unit's first byte.
  void startUtf16(std::size_t gtByte, std::string_view lineBreak) {
    encoding_ = Encoding::Utf16;
    gtByte_ = gtByte;
    lineBreak_ = lineBreak;
  }

  void copyBytes(const char* data, std::size_t size) {
    const char* const end = data + size;
    while (const void* gt = std::memchr(data, '>', static_cast<std::size_t>(end - data))) {
      const char* const next = static_cast<const char*>(gt) + 1;
      emit(data, static_cast<std::size_t>(next - data));
      breakLine();
      data = next;
    }
    emit(data, static_cast<std::size_t>(end - data));
  }

  // `data` starts a unit, or completes the held one.
  void copyUnits(const char* data, std::size_t size) {
    if (holding_ && size > 0) {
      const char unit[2] = {held_, *data};
      holding_ = false;
      emit(unit, 2);
      if (isGtUnit(unit)) breakLine();
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
      emit(segment, static_cast<std::size_t>(unitEnd - segment));
      breakLine();
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

  // The CR LF after a ">", and the progress point where its LF lands on a
  // multiple of 50 (in UTF-16: the LF unit's last byte).
  void breakLine() {
    out_.append(lineBreak_.data(), lineBreak_.size());
    written_ += static_cast<std::int64_t>(lineBreak_.size());
    if (written_ % kProgressStep == 0) observer_.progress(total_ - read_);
  }

  OutputBuffer out_;
  const std::int64_t total_;
  CopyObserver& observer_;
  Encoding encoding_ = Encoding::Undecided;
  std::string_view lineBreak_ = "\r\n";
  std::size_t gtByte_ = 0;  // which byte of a UTF-16 unit holds the 3E of ">"
  char held_ = 0;
  bool holding_ = false;
  std::int64_t read_ = 0;     // source bytes copied so far
  std::int64_t written_ = 0;  // target bytes so far; the last one's 1-based position
};

}  // namespace

CopyOutcome CopyWithLineBreaks(ByteSource& source, ByteSink& sink, std::int64_t total, CopyObserver& observer,
                               std::size_t bufferSize) {
  std::vector<char> buffer(std::max<std::size_t>(bufferSize, 1));
  Copier copier(sink, total, observer, buffer.size());
  while (const std::size_t got = source.read(buffer.data(), buffer.size())) {
    copier.feed(buffer.data(), got);
    if (observer.cancelled()) return CopyOutcome::Cancelled;
  }
  copier.finish();
  return CopyOutcome::Completed;
}

}  // namespace lum
