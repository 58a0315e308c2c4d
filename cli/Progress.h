#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ByteStream.h"

namespace lum::cli {

// Writes `text`; a failure to write it is dropped, since a message that
// cannot be shown must not stop the work.
void WriteMessage(ByteSink& sink, std::string_view text) noexcept;

// The progress line's text for a file `name` of `total` bytes (negative: not
// known) of which `done` are copied after `seconds`. The rate and the time
// left show only from kMeasuredAfter seconds on: a rate taken over a few
// milliseconds says nothing (a first buffer read from the cache in 1 ms
// would show a rate of a terabyte a second).
inline constexpr double kMeasuredAfter = 0.5;
std::string ProgressText(std::string_view name, std::int64_t total, std::int64_t done, double seconds);

// One line on a terminal that follows a file's copy: the file's name, with a
// known size a bar and the share done, the bytes done, the rate, and with a
// known size the time left. It stays within 79 columns, the name cut from the
// front where it is too long. It shows only for sources of kShownFrom bytes or
// more (once that many are done where the size is unknown), is drawn over in
// place at most ten times a second, and is wiped when the object goes, so
// that the next message starts on an empty line.
class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::int64_t kShownFrom = std::int64_t{4} << 20;

  // `total` < 0: the size is not known beforehand. The copy began at `start`.
  ProgressLine(ByteSink& terminal, std::string_view name, std::int64_t total, Clock::time_point start);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // `done` source bytes are copied.
  void update(std::int64_t done);

 private:
  ByteSink& terminal_;
  std::string name_;
  std::int64_t total_;
  Clock::time_point start_;
  Clock::time_point drawn_{};
  std::size_t width_ = 0;  // columns of the line on the terminal; 0 while none is
};

}  // namespace lum::cli
