// The scan kernel that every CPU runs: where the CPU has SSE2 (every x86-64)
// it finds the ">" 64 bytes at a time, elsewhere with memchr.
#include <bit>
#include <cstring>

#include "reformat/CopyEngineInternal.h"

#if defined(__SSE2__) || defined(_M_X64)
#define LUM_HAVE_SSE2 1
#include <emmintrin.h>
#endif

namespace lum::sse2 {
namespace {

// What CopyLines is made of: a move of kPart bytes and one of kShortLine;
// with SSE2 also the mask of the ">" among the 64 bytes at `block`, one bit
// each in memory order, and whether a mask holds at least kDenseBlock ">".
struct PlainMoves {
  static void MovePart(char* to, const char* from) { std::memcpy(to, from, kPart); }
  static void MoveShort(char* to, const char* from) { std::memcpy(to, from, kShortLine); }
};

#ifdef LUM_HAVE_SSE2
// A block with at least this many ">" is dense markup, copied a part at a
// time (see CopyLines).
constexpr int kDenseBlock = 8;

struct Blocks : PlainMoves {
  static std::uint64_t GtMask(const char* block) {
    const __m128i gt = _mm_set1_epi8('>');
    const auto part = [&](int index) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * index));
      return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, gt)))} << (16 * index);
    };
    return part(0) | part(1) | part(2) | part(3);
  }

  // std::popcount would be a library call, since every x86-64 has SSE2 but
  // not every one POPCNT; the bits are summed in pairs, fours and bytes
  // instead, and the bytes added up by a multiplication.
  static bool IsDense(std::uint64_t mask) {
    mask -= (mask >> 1) & 0x5555555555555555;
    mask = (mask & 0x3333333333333333) + ((mask >> 2) & 0x3333333333333333);
    mask = (mask + (mask >> 4)) & 0x0F0F0F0F0F0F0F0F;
    return (mask * 0x0101010101010101) >> 56 >= kDenseBlock;
  }
};
#else
// No blocks: CopyLines finds every ">" with memchr.
struct Blocks : PlainMoves {};
#endif

// The kernel's loop (see ScanLines). With SSE2 a block of 64 bytes gives
// the mask of its ">" at once, which beats a library call per line; a block
// without any hands the rest of the run to memchr. A dense block (tags of a few bytes) goes a part at a time
// instead: the part whole to the target, and after each ">" in it the CR LF
// and the part's bytes from there on, two bytes further along. That costs
// each ">" the same two moves with no branch on the length of its line.
Lines CopyLines(const char* data, const char* end, char* to, const ProgressPoints& points) {
  LineCopy<Blocks> copy{data, to};
  const char* at = data;  // where the search goes on
#ifdef LUM_HAVE_SSE2
  const auto endLine = [&](const char* gt) { copy.endLine(gt, points); };
  while (static_cast<std::size_t>(end - at) >= kBlock) {
    const std::uint64_t mask = Blocks::GtMask(at);
    if (mask == 0) {
      const void* const gt = std::memchr(at + kBlock, '>', static_cast<std::size_t>(end - at) - kBlock);
      if (gt == nullptr) return {copy.line, copy.to};
      endLine(static_cast<const char*>(gt));
      at = copy.line;
      continue;
    }
    if (!Blocks::IsDense(mask)) {
      // With the next block sparse too, one loop takes the ">" of both: the
      // end of a loop over a mask's bits comes after a varying count, which
      // the CPU mispredicts, and so only half as often.
      if (static_cast<std::size_t>(end - at) >= 2 * kBlock) {
        if (std::uint64_t next = Blocks::GtMask(at + kBlock); !Blocks::IsDense(next)) {
          for (auto bits = mask; (bits | next) != 0;) {
            const bool inFirst = bits != 0;
            const std::uint64_t word = inFirst ? bits : next;
            endLine(at + (inFirst ? 0 : kBlock) + std::countr_zero(word));
            (inFirst ? bits : next) = word & (word - 1);
          }
          at += 2 * kBlock;
          continue;
        }
      }
      // A lone block keeps a loop of its own: joined with an empty second
      // mask, the kernel is slower on dense markup.
      for (auto bits = mask; bits != 0; bits &= bits - 1) endLine(at + std::countr_zero(bits));
    } else {
      // The line so far up to the block, then the block after it.
      copy.moveLine(static_cast<std::size_t>(at - copy.line));
      char* out = copy.to + (at - copy.line);
      for (std::size_t part = 0; part < kBlock; part += kPart) {
        Blocks::MovePart(out + part, at + part);
        for (auto bits = (mask >> part) & ((std::uint64_t{1} << kPart) - 1); bits != 0; bits &= bits - 1) {
          const std::size_t after = part + static_cast<unsigned>(std::countr_zero(bits)) + 1;
          std::memcpy(out + after, "\r\n", 2);
          out += 2;
          Blocks::MovePart(out + after, at + after);
          ReportPoint(points, at + after, out + after);
        }
      }
      const auto lastAfter = kBlock - static_cast<unsigned>(std::countl_zero(mask));
      copy.line = at + lastAfter;
      copy.to = out + lastAfter;
    }
    at += kBlock;
  }
#endif
  // The bytes that no whole block covers, or all of them without SSE2.
  return copy.endLines(at, end, points);
}

}  // namespace

// The loop is a function of its own, flattened into this one: GCC lays it
// out better so (0.2 % fewer instructions on one-line XML, callgrind).
LUM_FLATTEN Lines Scan(const char* data, const char* end, char* to, const ProgressPoints& points) {
  return CopyLines(data, end, to, points);
}

}  // namespace lum::sse2
