// The scan kernel for CPUs with AVX2, BMI1/BMI2 and POPCNT, which the engine
// takes only where the CPU says it has them. The whole file is compiled for
// them (see CMakeLists.txt), so that the bit scans of its loops are TZCNT and
// BLSR too; its code lives in lum::avx2 and, but for Scan, in an anonymous
// namespace there. What it uses of CopyEngineInternal.h is static or
// instantiated with its own types, and it calls builtins instead of inline
// functions of the standard library (std::popcount, std::min): any of those
// would be compiled here for AVX2 and could be the copy that the linker keeps
// for every CPU.
#include "reformat/CopyEngineInternal.h"

#ifdef LUM_HAVE_AVX2
#if !defined(__AVX2__) || !defined(__BMI__) || !defined(__BMI2__) || !defined(__POPCNT__)
#error "ScanKernelAvx2.cpp is compiled with -mavx2 -mbmi -mbmi2 -mpopcnt (see reformat/CMakeLists.txt)"
#endif

#include <immintrin.h>

#include <cstring>

namespace lum::avx2 {
namespace {

struct Blocks {
  // A memcpy of 32 bytes would be two 16-byte moves in GCC's generic tuning.
  static void MovePart(char* to, const char* from) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
  }
  static void MoveShort(char* to, const char* from) {
    MovePart(to, from);
    MovePart(to + kPart, from + kPart);
  }

  // The mask of the ">" among the 64 bytes at `block`, one bit each in
  // memory order.
  static std::uint64_t GtMask(const char* block) {
    const __m256i gt = _mm256_set1_epi8('>');
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
    return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, gt)))} |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, gt)))} << 32;
  }
};

// The kernel has no branch per line: each 8 source bytes go out with one
// shuffle, which puts CR LF after each of their ">". The shuffle's control
// for the 8 bits of their ">" mask says where each of the up to 24 bytes
// comes from: byte i of the 8, or the CR (8) or LF (9) that lie beside them.
struct ExpandTable {
  alignas(32) std::uint8_t control[256][32];
};

constexpr ExpandTable MakeExpandTable() {
  ExpandTable table{};
  for (unsigned mask = 0; mask < 256; ++mask) {
    unsigned out = 0;
    for (unsigned byte = 0; byte < 8; ++byte) {
      table.control[mask][out++] = static_cast<std::uint8_t>(byte);
      if ((mask & (1u << byte)) != 0) {
        table.control[mask][out++] = 8;
        table.control[mask][out++] = 9;
      }
    }
  }
  return table;
}

constexpr ExpandTable kExpandTable = MakeExpandTable();

// The target length of 8 source bytes whose ">" mask is `bits`.
std::int64_t ExpandedLength(std::uint64_t bits) { return 8 + 2 * __builtin_popcountll(bits); }

// Expands the 8 bytes at `in` to `out`, 32 bytes written whatever their
// length, and returns where the next go. `controlOffset` is their 8 mask bits
// times 32, the offset of their control in the table.
char* ExpandEight(char* out, const char* in, std::uint64_t controlOffset) {
  std::int64_t eight;
  std::memcpy(&eight, in, sizeof eight);
  const __m256i withLineBreak = _mm256_blend_epi32(_mm256_set1_epi64x(eight), _mm256_set1_epi64x(0x0A0D), 0xCC);
  const auto* control = reinterpret_cast<const char*>(kExpandTable.control) + controlOffset;
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                      _mm256_shuffle_epi8(withLineBreak, _mm256_load_si256(reinterpret_cast<const __m256i*>(control))));
  return out + ExpandedLength(controlOffset);
}

// std::min written out. With its operands taken by reference, as std::min
// takes them, GCC makes it a conditional move; by value, branches.
const std::int64_t& Least(const std::int64_t& a, const std::int64_t& b) { return b < a ? b : a; }

// The progress points among the lines of the block at `at`, expanded to
// [to, to + length). A ">" ends on a point exactly where it lies at an offset
// of `first` (under 50) plus a multiple of 50 in the block's target; the
// block's last target byte is never a ">", whose CR LF follow it in the same
// block, and so stands in for the offsets past its end. One line in fifty
// or so has a point: the rest of the test runs rarely.
void FindPoints(const char* at, std::uint64_t mask, const char* to, std::int64_t length, std::int64_t first,
                const ProgressPoints& points) {
  // As 0 or 1, tested together with one branch.
  const auto gtAt = [&](std::int64_t offset) { return static_cast<int>(to[Least(offset, length - 1)] == '>'); };
  int any = gtAt(first) | gtAt(first + kPointStep);
  // A longer target, of a dense block, has room for up to four.
  static_assert(3 * kBlock < 4 * kPointStep, "a block's target holds at most four points");
  if (length > 2 * kPointStep) any |= gtAt(first + 2 * kPointStep) | gtAt(first + 3 * kPointStep);
  if (any == 0) return;
  for (std::int64_t offset = first; offset < length; offset += kPointStep) {
    if (to[offset] != '>') continue;
    // The shuffle that put it there tells which source byte it is.
    std::int64_t start = 0;
    int eight = 0;
    for (;; ++eight) {
      const std::int64_t eightLength = ExpandedLength((mask >> (8 * eight)) & 0xFF);
      if (offset < start + eightLength) break;
      start += eightLength;
    }
    const std::uint8_t byte = kExpandTable.control[(mask >> (8 * eight)) & 0xFF][offset - start];
    points.observer->progress(points.remainingBase - AddressOf(at + 8 * eight + byte + 1));
  }
}

}  // namespace

LUM_FLATTEN Lines Scan(const char* data, const char* end, char* to, const ProgressPoints& points) {
  LineCopy<Blocks> copy{data, to};
  // The offset in the next block's target where a ">" would end on a point.
  std::int64_t first = -(points.targetBase + AddressOf(to) + 3) % kPointStep;
  if (first < 0) first += kPointStep;
  const char* at = data;
  for (; static_cast<std::size_t>(end - at) >= kBlock; at += kBlock) {
    const std::uint64_t mask = Blocks::GtMask(at);
    // A block without ">" waits as part of the line under way: a run of them
    // moves in one go, and the rest of a buffer without any ">" goes to the
    // sink as it lies.
    if (mask == 0) continue;
    if (copy.line != at) {
      const auto run = static_cast<std::size_t>(at - copy.line);
      copy.moveLine(run);
      copy.to += run;
      first = (first + kPointStep - static_cast<std::int64_t>(run % kPointStep)) % kPointStep;
    }
    // The mask's byte for each 8 bytes, times 32, in one shift and a mask.
    char* out = copy.to;
    out = ExpandEight(out, at, (mask << 5) & 0x1FE0);
#pragma GCC unroll 7
    for (int eight = 1; eight < 8; ++eight) out = ExpandEight(out, at + 8 * eight, (mask >> (8 * eight - 5)) & 0x1FE0);
    const std::int64_t length = out - copy.to;
    FindPoints(at, mask, copy.to, length, first, points);
    // (first - length) modulo the step; length is at most 3 * kBlock.
    first = static_cast<std::uint64_t>(first - length + 4 * kPointStep) % kPointStep;
    copy.to = out;
    copy.line = at + kBlock;
  }
  return copy.endLines(at, end, points);
}

}  // namespace lum::avx2

#endif
