#include "reformat/CopyEngine.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <string_view>

#include "failure/Failure.h"
#include "reformat/ScanKernel.h"

// Where the CPU has SSE2 (every x86-64), ">" are found 64 bytes at a time.
#if defined(__SSE2__) || defined(_M_X64)
#define LUM_HAVE_SSE2 1
#include <emmintrin.h>
#endif
// A kernel has everything it calls compiled into it, where the compiler
// takes the hint: the line moves are called from three places, which would
// otherwise make them a call per line.
#if defined(__GNUC__)
#define LUM_FLATTEN __attribute__((flatten))
#else
#define LUM_FLATTEN
#endif
// GCC and Clang on x86-64 also build a kernel for AVX2, taken where the CPU
// has it.
#if defined(__GNUC__) && defined(__x86_64__)
#define LUM_HAVE_AVX2 1
#define LUM_TARGET_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))
#include <immintrin.h>
#endif

namespace lum {
namespace {

// Where progress points fall, in bytes and in wider units alike: where the LF that
// follows a ">" ends on a target position (1-based) that is a multiple of 50.
// A multiple of 50 is even and a multiple of 25; multiplied by the inverse of
// 25 modulo 2^64 and rotated right by one bit, exactly the multiples of 50 come
// out at most (2^64 - 1) / 50. That is a multiplication and a comparison a
// line, and the branch on it is almost never taken, so the CPU predicts it.
// Tracking the next multiple would need a branch taken about every second
// line of XML, which it cannot predict.
constexpr std::int64_t kPointStep = 50;

bool IsProgressPoint(std::int64_t position) {
  constexpr std::uint64_t kInverseOf25 = 0x8F5C28F5C28F5C29;
  static_assert(kInverseOf25 * 25 == 1);
  return std::rotr(static_cast<std::uint64_t>(position) * kInverseOf25, 1) <= UINT64_MAX / kPointStep;
}

// Lines up to this long move without a library call.
constexpr std::size_t kShortLine = 64;

constexpr std::size_t kBlock = 64;

// Room that the byte path may read and write past what it needs, for the
// fixed-size moves of short lines.
constexpr std::size_t kSlack = 2 * kShortLine;

// The buffers of one copy: the one the source is read into, and the one in
// which the target's bytes are gathered into writes of about a source buffer.
// The target's holds three source buffers (a buffer of nothing but ">"
// triples) and the slack, so that the byte path can write a whole source
// buffer's lines without checking for room. The rest of a source buffer that
// is at least a source buffer long and finds the target's buffer empty goes
// to the sink as it lies, in the source's buffer; the next source buffer is
// read into another one.
class OutputBuffer {
 public:
  OutputBuffer(Pipeline& pipeline, std::size_t sourceBufferSize)
      : pipeline_(pipeline),
        input_(pipeline.take()),
        buffer_(pipeline.take()),
        capacity_(3 * sourceBufferSize + kSlack),
        directFrom_(sourceBufferSize) {}

  // Where the next source buffer is read into; kSlack readable bytes follow
  // the source buffer.
  char* input() const { return input_; }

  // Where `size` bytes can be written at once; commit() says how far they went.
  char* reserve(std::size_t size) {
    if (capacity_ - used_ < size) flush();
    return buffer_ + used_;
  }

  void commit(const char* end) {
    used_ = static_cast<std::size_t>(end - buffer_);
    if (used_ >= directFrom_) flush();
  }

  void append(const char* data, std::size_t size) {
    std::memcpy(reserve(size), data, size);
    commit(buffer_ + used_ + size);
  }

  // The last bytes of the source buffer; nothing of that buffer may be read
  // afterwards, since it may be on its way to the sink.
  void appendRest(const char* data, std::size_t size) {
    if (used_ != 0 || size < directFrom_) return append(data, size);
    pipeline_.write(input_, data, size);
    input_ = pipeline_.take();
  }

  void flush() {
    if (used_ == 0) return;
    pipeline_.write(buffer_, buffer_, used_);
    used_ = 0;
    buffer_ = pipeline_.take();
  }

 private:
  Pipeline& pipeline_;
  char* input_;
  char* buffer_;
  std::size_t capacity_;
  std::size_t directFrom_;
  std::size_t used_ = 0;
};

// Where the scan of a source buffer ended: after its last ">" in the source,
// and after that line's CR LF in the target.
struct Lines {
  const char* source;
  char* target;
};

// A block with at least this many ">" is dense markup, copied a part at a
// time (see CopyLines).
constexpr int kDenseBlock = 8;
constexpr std::size_t kPart = 32;
static_assert(kShortLine == 2 * kPart, "a short line moves as two parts");

// What CopyLines is made of: a move of kPart bytes and one of kShortLine;
// with SSE2 also the mask of the ">" among the 64 bytes at `block`, one bit
// each in memory order, and whether a mask holds at least kDenseBlock ">".
struct PlainMoves {
  static void MovePart(char* to, const char* from) { std::memcpy(to, from, kPart); }
  static void MoveShort(char* to, const char* from) { std::memcpy(to, from, kShortLine); }
};

#ifdef LUM_HAVE_SSE2
struct Sse2Blocks : PlainMoves {
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
struct NoBlocks : PlainMoves {};
#endif

#ifdef LUM_HAVE_AVX2
struct Avx2Blocks {
  // A memcpy of 32 bytes would be two 16-byte moves in GCC's generic tuning.
  LUM_TARGET_AVX2 static void MovePart(char* to, const char* from) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
  }
  LUM_TARGET_AVX2 static void MoveShort(char* to, const char* from) {
    MovePart(to, from);
    MovePart(to + kPart, from + kPart);
  }

  LUM_TARGET_AVX2 static std::uint64_t GtMask(const char* block) {
    const __m256i gt = _mm256_set1_epi8('>');
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
    return std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, gt)))} |
           std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, gt)))} << 32;
  }
};
#endif

// The source line not yet copied and where the target goes on. A line moves
// in blocks of kShortLine bytes, which need no library call; what the last
// one copies past the line is overwritten next. The source must have kSlack
// readable bytes past its end, and the target room for three times the
// source and kSlack.
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

  // The line up to and including the ">" at `gt`, then CR LF; then
  // `lineEnded(source, target)` with the places just past the ">" and past
  // its LF.
  template <typename LineEnded>
  void endLine(const char* gt, const LineEnded& lineEnded) {
    const auto length = static_cast<std::size_t>(gt + 1 - line);
    moveLine(length);
    std::memcpy(to + length, "\r\n", 2);
    to += length + 2;
    line = gt + 1;
    lineEnded(line, to);
  }

  // The lines whose ">" lie in [at, end), found with memchr. What follows
  // the last ">" is left to the caller.
  template <typename LineEnded>
  Lines endLines(const char* at, const char* end, const LineEnded& lineEnded) {
    while (const void* const gt = std::memchr(at, '>', static_cast<std::size_t>(end - at))) {
      endLine(static_cast<const char*>(gt), lineEnded);
      at = line;
    }
    return {line, to};
  }
};

// Copies the lines of [data, end), each up to and including a ">", to `to`
// with CR LF after each, and calls `lineEnded(source, target)` after each
// with the places just past the ">" and past its LF. What follows the last
// ">" is left to the caller.
//
// With SSE2 a block of 64 bytes gives the mask of its ">" at once, which
// beats a library call per line; a block without any hands the rest of the
// run to memchr. A dense block (tags of a few bytes) goes a part at a time
// instead: the part whole to the target, and after each ">" in it the CR LF
// and the part's bytes from there on, two bytes further along. That costs
// each ">" the same two moves with no branch on the length of its line.
template <typename Blocks, typename LineEnded>
Lines CopyLines(const char* data, const char* end, char* to, const LineEnded& lineEnded) {
  LineCopy<Blocks> copy{data, to};
  const char* at = data;  // where the search goes on
#ifdef LUM_HAVE_SSE2
  const auto endLine = [&](const char* gt) { copy.endLine(gt, lineEnded); };
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
      // A lone block keeps a loop of its own: the joined loop with an empty
      // second mask made the whole kernel slower on dense markup (70 against
      // 57 ms a 64 MiB file), as the compiler laid it out.
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
          lineEnded(at + after, out + after);
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
  return copy.endLines(at, end, lineEnded);
}

// Calls the observer where a line of the byte path ends on a progress point.
// The target position of an LF and the source bytes read up to its ">" follow
// from their addresses by one addition each.
struct ProgressPoints {
  std::int64_t targetBase;     // plus the address past an LF: its position
  std::int64_t remainingBase;  // less the address past a ">": the remaining count
  CopyObserver* observer;

  void operator()(const char* line, const char* to) const {
    if (IsProgressPoint(targetBase + Address(to))) observer->progress(remainingBase - Address(line));
  }
  static std::int64_t Address(const char* place) {
    return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(place));
  }
};

// A kernel: CopyLines with its blocks, the progress points inlined.
using ScanLines = Lines (*)(const char* data, const char* end, char* to, const ProgressPoints& points);

#ifdef LUM_HAVE_SSE2
using BaseBlocks = Sse2Blocks;
#else
using BaseBlocks = NoBlocks;
#endif

LUM_FLATTEN Lines ScanBase(const char* data, const char* end, char* to, const ProgressPoints& points) {
  return CopyLines<BaseBlocks>(data, end, to, points);
}

#ifdef LUM_HAVE_AVX2
// The AVX2 kernel has no branch per line: each 8 source bytes go out with one
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

// Expands the 8 bytes at `in` to `out`, 32 bytes written whatever their
// length, and returns where the next go. `controlOffset` is their 8 mask bits
// times 32, the offset of their control in the table.
LUM_TARGET_AVX2 inline char* ExpandEight(char* out, const char* in, std::uint64_t controlOffset) {
  std::int64_t eight;
  std::memcpy(&eight, in, sizeof eight);
  const __m256i withLineBreak = _mm256_blend_epi32(_mm256_set1_epi64x(eight), _mm256_set1_epi64x(0x0A0D), 0xCC);
  const auto* control = reinterpret_cast<const char*>(kExpandTable.control) + controlOffset;
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                      _mm256_shuffle_epi8(withLineBreak, _mm256_load_si256(reinterpret_cast<const __m256i*>(control))));
  return out + 8 + 2 * std::popcount(controlOffset);
}

// The progress points among the lines of the block at `at`, expanded to
// [to, to + length). A ">" ends on a point exactly where it lies at an offset
// of `first` (under 50) plus a multiple of 50 in the block's target; the
// block's last target byte is never a ">", whose CR LF follow it in the same
// block, and so stands in for the offsets past its end. One line in fifty
// or so has a point: the rest of the test runs rarely.
LUM_TARGET_AVX2 inline void FindPoints(const char* at, std::uint64_t mask, const char* to, std::int64_t length,
                                       std::int64_t first, const ProgressPoints& points) {
  // As 0 or 1, tested together with one branch.
  const auto gtAt = [&](std::int64_t offset) { return static_cast<int>(to[std::min(offset, length - 1)] == '>'); };
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
      const std::int64_t eightLength = 8 + 2 * std::popcount((mask >> (8 * eight)) & 0xFF);
      if (offset < start + eightLength) break;
      start += eightLength;
    }
    const std::uint8_t byte = kExpandTable.control[(mask >> (8 * eight)) & 0xFF][offset - start];
    points.observer->progress(points.remainingBase - ProgressPoints::Address(at + 8 * eight + byte + 1));
  }
}

LUM_TARGET_AVX2 LUM_FLATTEN Lines ScanAvx2(const char* data, const char* end, char* to,
                                           const ProgressPoints& points) {
  LineCopy<Avx2Blocks> copy{data, to};
  // The offset in the next block's target where a ">" would end on a point.
  std::int64_t first = -(points.targetBase + ProgressPoints::Address(to) + 3) % kPointStep;
  if (first < 0) first += kPointStep;
  const char* at = data;
  for (; static_cast<std::size_t>(end - at) >= kBlock; at += kBlock) {
    const std::uint64_t mask = Avx2Blocks::GtMask(at);
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
#endif

ScanLines KernelFor(ScanKernel kernel) {
#ifdef LUM_HAVE_AVX2
  if (kernel == ScanKernel::Avx2) return ScanAvx2;
#endif
  static_cast<void>(kernel);
  return ScanBase;
}

// How a source's characters are stored, as its first bytes tell: in units of
// 1, 2 or 4 bytes, the wider ones in either byte order. A form that cannot be
// copied has the reason why, in the failure's words.
struct Form {
  std::size_t unit;
  bool bigEndian;
  const char* refusal;
};
constexpr Form kBytes{1, false, nullptr};

// The first bytes that decide the form, in the order they are tried: a
// byte-order mark, or the "<?" of an XML declaration without one. A file
// that starts otherwise is copied as bytes, which is right for UTF-8 and the
// 8-bit code pages. UCS-4 in the byte orders 2143 and 3412 and EBCDIC are
// refused rather than copied as bytes, which would break them or put no line
// break at all (EBCDIC writes ">" as 6E): no common decoder reads those two
// orders, so a copy could not be checked, and EBCDIC has code pages of its
// own. The 3412 mark FE FF 00 00 would in UTF-16 be a NUL, which no XML
// document holds, and so is taken for 3412.
struct Signature {
  std::string_view bytes;
  Form form;
};
using namespace std::string_view_literals;
constexpr const char* kUcs4Unusual2143 = "Neplatný formát souboru: UCS-4 s pořadím bajtů 2143 se nepodporuje";
constexpr const char* kUcs4Unusual3412 = "Neplatný formát souboru: UCS-4 s pořadím bajtů 3412 se nepodporuje";
constexpr Signature kSignatures[] = {
    {"\0\0\xFE\xFF"sv, {4, true, nullptr}},
    {"\xFF\xFE\0\0"sv, {4, false, nullptr}},
    {"\0\0\xFF\xFE"sv, {4, false, kUcs4Unusual2143}},
    {"\xFE\xFF\0\0"sv, {4, false, kUcs4Unusual3412}},
    {"\xFE\xFF"sv, {2, true, nullptr}},
    {"\xFF\xFE"sv, {2, false, nullptr}},
    {"\0\0\0<"sv, {4, true, nullptr}},
    {"<\0\0\0"sv, {4, false, nullptr}},
    {"\0\0<\0"sv, {4, false, kUcs4Unusual2143}},
    {"\0<\0\0"sv, {4, false, kUcs4Unusual3412}},
    {"\0<\0?"sv, {2, true, nullptr}},
    {"<\0?\0"sv, {2, false, nullptr}},
    {"\x4C\x6F\xA7\x94"sv, {1, false, "Neplatný formát souboru: kódování EBCDIC se nepodporuje"}},
};

// The form of a source that starts with `head`, or none while a longer
// signature may still match: `whole` says that no more bytes follow.
std::optional<Form> DetectForm(std::string_view head, bool whole) {
  for (const Signature& signature : kSignatures) {
    if (head.starts_with(signature.bytes)) return signature.form;
    if (!whole && signature.bytes.starts_with(head)) return std::nullopt;
  }
  return kBytes;
}

// One copy's state across the source buffers. The form is decided by the
// first bytes (up to four), which are held back until it is; they may come
// a byte a read. In units wider than a byte, a unit's first bytes are held
// back when a buffer ends inside it.
class Copier {
 public:
  Copier(Pipeline& pipeline, std::int64_t total, CopyObserver& observer, std::size_t bufferSize, ScanLines scan)
      : out_(pipeline, bufferSize), total_(total), observer_(observer), scan_(scan) {}

  // Where the next source buffer goes; feed() takes it from there.
  char* input() const { return out_.input(); }

  void feed(std::size_t size) {
    const char* data = out_.input();
    if (!decided_) decideForm(data, size);
    if (!decided_) return;
    if (unit_ == 1) {
      copyBytes(data, size);
    } else {
      copyUnits(data, size);
    }
  }

  void finish() {
    if (!decided_) start(*DetectForm({held_, heldSize_}, true));
    // A last unit cut short is copied as it is.
    emit(held_, heldSize_);
    out_.flush();
  }

 private:
  // Takes bytes into the head until they decide the form. Where they decide
  // on bytes, the byte that did stays in `data` for the byte path.
  void decideForm(const char*& data, std::size_t& size) {
    for (; size > 0; ++data, --size) {
      char head[sizeof held_];
      std::memcpy(head, held_, heldSize_);
      head[heldSize_] = *data;
      const std::optional<Form> form = DetectForm({head, heldSize_ + 1}, false);
      if (form && form->unit == 1 && form->refusal == nullptr) return start(*form);
      held_[heldSize_++] = *data;
      if (form) {
        ++data;
        --size;
        return start(*form);
      }
    }
  }

  // The head held so far, whole units of the form, is copied; the rest of
  // it begins the next unit.
  void start(const Form& form) {
    if (form.refusal != nullptr) throw Failure(err::kBadFileFormat, "CopyWithLineBreaks", form.refusal);
    decided_ = true;
    unit_ = form.unit;
    gtByte_ = form.bigEndian ? unit_ - 1 : 0;
    for (std::size_t byte = 0; byte < unit_; ++byte) {
      lineBreak_[byte] = byte == gtByte_ ? '\r' : '\0';
      lineBreak_[unit_ + byte] = byte == gtByte_ ? '\n' : '\0';
    }
    const std::size_t whole = heldSize_ - heldSize_ % unit_;
    for (std::size_t at = 0; at < whole; at += unit_) emitUnit(held_ + at);
    std::memmove(held_, held_ + whole, heldSize_ - whole);
    heldSize_ -= whole;
  }

  // `data` lies in the source buffer, which has kSlack readable bytes past
  // `size`. The lines go straight into the output buffer, room for all of
  // them reserved at once.
  void copyBytes(const char* data, std::size_t size) {
    char* const start = out_.reserve(3 * size + kSlack);
    // `written_` is the target position of the byte before `start`, and
    // `read_` the source bytes read before `data`.
    const ProgressPoints points{written_ - ProgressPoints::Address(start),
                                total_ - read_ + ProgressPoints::Address(data), &observer_};
    const Lines lines = scan_(data, data + size, start, points);
    written_ += lines.target - start;
    read_ += lines.source - data;
    out_.commit(lines.target);
    emitRest(lines.source, static_cast<std::size_t>(data + size - lines.source));
  }

  // `data` goes on the unit that the held bytes begin.
  void copyUnits(const char* data, std::size_t size) {
    if (heldSize_ > 0) {
      const std::size_t taken = std::min(unit_ - heldSize_, size);
      std::memcpy(held_ + heldSize_, data, taken);
      heldSize_ += taken;
      data += taken;
      size -= taken;
      if (heldSize_ < unit_) return;
      heldSize_ = 0;
      emitUnit(held_);
    }
    // Whole units from here on; a ">" byte counts only where it is the ">"
    // unit's own byte and the unit's other bytes are 00.
    const std::size_t toUnitStart = ~(unit_ - 1);  // clears the place inside a unit of 2 or 4 bytes
    const std::size_t whole = size & toUnitStart;
    const char* segment = data;
    std::size_t searchFrom = 0;
    while (const void* hit = std::memchr(data + searchFrom, '>', whole - searchFrom)) {
      const auto offset = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
      const char* const unit = data + (offset & toUnitStart);
      searchFrom = offset + 1;
      if (!isGtUnit(unit)) continue;
      emitUnitLine(segment, static_cast<std::size_t>(unit + unit_ - segment));
      segment = unit + unit_;
      searchFrom = static_cast<std::size_t>(segment - data);
    }
    // Held before the rest goes, which may leave with the source buffer.
    std::memcpy(held_, data + whole, size - whole);
    heldSize_ = size - whole;
    emitRest(segment, static_cast<std::size_t>(data + whole - segment));
  }

  bool isGtUnit(const char* unit) const {
    for (std::size_t byte = 0; byte < unit_; ++byte) {
      if (unit[byte] != (byte == gtByte_ ? '>' : '\0')) return false;
    }
    return true;
  }

  void emitUnit(const char* unit) {
    if (isGtUnit(unit)) {
      emitUnitLine(unit, unit_);
    } else {
      emit(unit, unit_);
    }
  }

  // Source bytes copied unchanged.
  void emit(const char* data, std::size_t size) {
    out_.append(data, size);
    countUnchanged(size);
  }

  // The rest of the source buffer, copied unchanged.
  void emitRest(const char* data, std::size_t size) {
    out_.appendRest(data, size);
    countUnchanged(size);
  }

  void countUnchanged(std::size_t size) {
    read_ += static_cast<std::int64_t>(size);
    written_ += static_cast<std::int64_t>(size);
  }

  // Units that end in a ">" unit, then the line break.
  void emitUnitLine(const char* data, std::size_t size) {
    out_.append(data, size);
    out_.append(lineBreak_, 2 * unit_);
    read_ += static_cast<std::int64_t>(size);
    written_ += static_cast<std::int64_t>(size + 2 * unit_);
    // The line ends with the LF unit's last byte.
    if (IsProgressPoint(written_)) observer_.progress(total_ - read_);
  }

  OutputBuffer out_;
  const std::int64_t total_;
  CopyObserver& observer_;
  const ScanLines scan_;
  bool decided_ = false;
  std::size_t unit_ = 1;
  std::size_t gtByte_ = 0;  // which byte of a unit holds the 3E of ">"
  char lineBreak_[8] = {};  // the units CR and LF, in the source's form
  char held_[4] = {};       // the head while the form is undecided, then a unit's first bytes
  std::size_t heldSize_ = 0;
  std::int64_t read_ = 0;     // source bytes copied so far
  std::int64_t written_ = 0;  // target bytes so far; the last one's 1-based position
};

}  // namespace

std::vector<ScanKernel> SupportedScanKernels() {
  std::vector<ScanKernel> kernels{ScanKernel::Sse2};
#ifdef LUM_HAVE_AVX2
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
      __builtin_cpu_supports("popcnt")) {
    kernels.push_back(ScanKernel::Avx2);
  }
#endif
  return kernels;
}

CopyOutcome CopyWithLineBreaks(ByteSource& source, ByteSink& sink, std::int64_t total, CopyObserver& observer,
                               std::size_t bufferSize, SinkThread sinkThread) {
  static const ScanKernel fastest = SupportedScanKernels().back();
  return CopyWithScanKernel(fastest, source, sink, total, observer, bufferSize, sinkThread);
}

CopyOutcome CopyWithScanKernel(ScanKernel kernel, ByteSource& source, ByteSink& sink, std::int64_t total,
                               CopyObserver& observer, std::size_t bufferSize, SinkThread sinkThread) {
  bufferSize = std::max<std::size_t>(bufferSize, 1);
  Pipeline pipeline(sink, 3 * bufferSize + kSlack, sinkThread);
  Copier copier(pipeline, total, observer, bufferSize, KernelFor(kernel));
  std::int64_t read = 0;
  while (const std::size_t got = source.read(copier.input(), bufferSize)) {
    copier.feed(got);
    read += static_cast<std::int64_t>(got);
    observer.copied(read, total);
    if (observer.cancelled()) return CopyOutcome::Cancelled;
  }
  copier.finish();
  pipeline.finish();
  return CopyOutcome::Completed;
}

}  // namespace lum
