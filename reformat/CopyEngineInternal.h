#pragma once

// What the copy engine and its scan kernels share: the limits of a source
// buffer's scan, where progress points fall, the moves of a line into the
// target and the kernels' entry points. Only reformat/ includes it.
//
// ScanKernelAvx2.cpp is compiled for AVX2 as a whole (see CMakeLists.txt). An
// inline function with external linkage that it compiles is one the linker
// may keep for the whole program, for CPUs without AVX2 too, where any other
// file compiles the same function. So what this header gives the kernels has
// no such copy: functions are static (each file compiles its own, under no
// shared name), the line moves are a template that each kernel instantiates
// only with types of its own anonymous namespace, and the structs that pass
// between the engine and the kernels hold data only. Inline templates of the
// standard library are left out for the same reason (std::rotr below);
// memcpy and memchr are the C library's, compiled elsewhere.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "reformat/CopyEngine.h"

// GCC and Clang on x86-64 also build a kernel for AVX2, taken where the CPU
// has it.
#if defined(__GNUC__) && defined(__x86_64__)
#define LUM_HAVE_AVX2 1
#endif
// A kernel has everything it calls compiled into it, where the compiler
// takes the hint: the line moves are called from three places, which would
// otherwise make them a call per line.
#if defined(__GNUC__)
#define LUM_FLATTEN __attribute__((flatten))
#else
#define LUM_FLATTEN
#endif

namespace lum {

// Where progress points fall, in bytes and in wider units alike: where the LF that
// follows a ">" ends on a target position (1-based) that is a multiple of 50.
// A multiple of 50 is even and a multiple of 25; multiplied by the inverse of
// 25 modulo 2^64 and rotated right by one bit, exactly the multiples of 50 come
// out at most (2^64 - 1) / 50. That is a multiplication and a comparison a
// line, and the branch on it is almost never taken, so the CPU predicts it.
// Tracking the next multiple would need a branch taken about every second
// line of XML, which it cannot predict.
constexpr std::int64_t kPointStep = 50;

static constexpr bool IsProgressPoint(std::int64_t position) {
  constexpr std::uint64_t kInverseOf25 = 0x8F5C28F5C28F5C29;
  static_assert(kInverseOf25 * 25 == 1);
  const std::uint64_t product = static_cast<std::uint64_t>(position) * kInverseOf25;
  // The rotation written out, which compilers make one instruction: std::rotr
  // would be a function of the library's, shared with every other file.
  return (product >> 1 | product << 63) <= UINT64_MAX / kPointStep;
}

// Lines up to this long move without a library call.
constexpr std::size_t kShortLine = 64;

// The bytes whose ">" a kernel finds at once.
constexpr std::size_t kBlock = 64;

// A short line also moves as two parts of this many bytes.
constexpr std::size_t kPart = 32;
static_assert(kShortLine == 2 * kPart, "a short line moves as two parts");

// Room that the byte path may read and write past what it needs, for the
// fixed-size moves of short lines.
constexpr std::size_t kSlack = 2 * kShortLine;

// Where the scan of a source buffer ended: after its last ">" in the source,
// and after that line's CR LF in the target.
struct Lines {
  const char* source;
  char* target;
};

// Where a line of the byte path ends on a progress point, and whom to tell.
// The target position of an LF and the source bytes read up to its ">" follow
// from their addresses by one addition each.
struct ProgressPoints {
  std::int64_t targetBase;     // plus the address past an LF: its position
  std::int64_t remainingBase;  // less the address past a ">": the remaining count
  CopyObserver* observer;
};

static inline std::int64_t AddressOf(const char* place) {
  return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(place));
}

// Calls the observer where the line that ends at `line` in the source (past
// its ">") and at `to` in the target (past its LF) ends on a progress point.
static inline void ReportPoint(const ProgressPoints& points, const char* line, const char* to) {
  if (IsProgressPoint(points.targetBase + AddressOf(to))) {
    points.observer->progress(points.remainingBase - AddressOf(line));
  }
}

// The source line not yet copied and where the target goes on. A line moves
// in blocks of kShortLine bytes with `Moves::MoveShort`, which need no
// library call; what the last one copies past the line is overwritten next.
// The source must have kSlack readable bytes past its end, and the target
// room for three times the source and kSlack.
template <typename Moves>
struct LineCopy {
  const char* line;
  char* to;

  // Moves at least `length` bytes of the line to the target.
  void moveLine(std::size_t length) const {
    Moves::MoveShort(to, line);
    for (std::size_t moved = kShortLine; moved < length; moved += kShortLine) {
      Moves::MoveShort(to + moved, line + moved);
    }
  }

  // The line up to and including the ">" at `gt`, then CR LF, and a progress
  // point where the line ends on one.
  void endLine(const char* gt, const ProgressPoints& points) {
    const auto length = static_cast<std::size_t>(gt + 1 - line);
    moveLine(length);
    std::memcpy(to + length, "\r\n", 2);
    to += length + 2;
    line = gt + 1;
    ReportPoint(points, line, to);
  }

  // The lines whose ">" lie in [at, end), found with memchr. What follows
  // the last ">" is left to the caller.
  Lines endLines(const char* at, const char* end, const ProgressPoints& points) {
    while (const void* const gt = std::memchr(at, '>', static_cast<std::size_t>(end - at))) {
      endLine(static_cast<const char*>(gt), points);
      at = line;
    }
    return {line, to};
  }
};

// A kernel: copies the lines of [data, end), each up to and including a ">",
// to `to` with CR LF after each, and reports the progress points among them.
// What follows the last ">" is left to the caller. `data` has kSlack
// readable bytes past `end`, and `to` room for three times the source and
// kSlack. Each kernel gives the same target and the same points.
using ScanLines = Lines (*)(const char* data, const char* end, char* to, const ProgressPoints& points);

// 64 bytes at a time with SSE2 (every x86-64); a memchr loop on other CPUs.
namespace sse2 {
Lines Scan(const char* data, const char* end, char* to, const ProgressPoints& points);
}

#ifdef LUM_HAVE_AVX2
// 64 bytes at a time with AVX2, BMI1/BMI2 and POPCNT.
namespace avx2 {
Lines Scan(const char* data, const char* end, char* to, const ProgressPoints& points);
}
#endif

}  // namespace lum
