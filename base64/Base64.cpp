#include "base64/Base64.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <exception>
#include <limits>
#include <system_error>
#include <thread>

#include "failure/Failure.h"
#include "platform/CodePage.h"
#include "platform/LargePages.h"

namespace lum {

namespace {

constexpr const char* kEncodeSource = "Base64.Encode";
constexpr const char* kDecodeSource = "Base64.Decode";

constexpr std::size_t kLineDigits = 72;
constexpr std::size_t kGroupDigits = 4;
constexpr std::size_t kGroupBytes = 3;
constexpr std::size_t kLineBytes = kLineDigits / kGroupDigits * kGroupBytes;  // 54
constexpr char16_t kPadMark = u'=';
// The mark of a character outside the alphabet in Base64::digitOf.
constexpr std::uint16_t kNotDigit = 0x100;

// Sizes and positions stay within the signed 32-bit range: the codec's
// interface counts lengths in 32-bit integers, and a longer text fails with
// overflow (6) rather than wrapping around.
void CheckSize(std::size_t size, const char* source) {
  if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw Failure(err::kOverflow, source);
  }
}

// Removes every CR and LF from `text`, in place. Four characters are read
// as one 64-bit word; the word test below is not 0 exactly when one of them is
// below U+000E, as CR and LF are. Words without one are moved whole, the
// others a character at a time.
void RemoveLineBreaks(std::u16string& text) {
  constexpr std::uint64_t kEachUnit = 0x0001000100010001;
  char16_t* out = text.data();
  const auto keep = [&out](char16_t c) {
    *out = c;
    out += static_cast<std::size_t>(c != u'\r' && c != u'\n');
  };
  const char16_t* in = text.data();
  const char16_t* const end = in + text.size();
  for (; end - in >= 4; in += 4) {
    std::uint64_t four;
    std::memcpy(&four, in, sizeof four);
    if (((four - kEachUnit * 0x000E) & ~four & kEachUnit * 0x8000) == 0) {
      std::memcpy(out, &four, sizeof four);
      out += 4;
    } else {
      std::for_each(in, in + 4, keep);
    }
  }
  std::for_each(in, end, keep);
  text.resize(static_cast<std::size_t>(out - text.data()));
}

// `text` followed by `count` NUL characters, in memory of just that size,
// asked for in large pages. The string's own growth would double the
// capacity, which puts a text of a few megabytes beyond what the allocator
// keeps at hand, into fresh memory, where every 4 KiB page costs a fault.
std::u16string WithNuls(const std::u16string& text, std::size_t count) {
  std::u16string grown;
  grown.reserve(text.size() + count);
  PreferLargePages(grown.data(), (text.size() + count) * sizeof(char16_t));
  grown.append(text);
  grown.append(count, u'\0');
  return grown;
}

// Appends `count` NUL characters to `text`.
void AppendNuls(std::u16string& text, std::size_t count) {
  if (text.capacity() - text.size() >= count) {
    text.append(count, u'\0');
  } else {
    text = WithNuls(text, count);
  }
}

// The length of the Base64 text of `count` bytes (a multiple of 3): four
// digits for every three bytes, and a CR LF after each full line.
std::size_t EncodedSize(std::size_t count) {
  const std::size_t digits = count / kGroupBytes * kGroupDigits;
  return digits + digits / kLineDigits * 2;
}

[[noreturn]] void RejectAsNotBase64() { throw Failure(err::kNotBase64, "MyDecode"); }

// The lines of [from, to), which starts a line and holds whole groups, to
// `out`, each 12 bits two digits in one look-up in `pairs`; returns the end
// of what it wrote.
template <typename Unit, typename ToByte, typename DigitPairs>
char16_t* EncodeLines(const Unit* from, const Unit* const to, char16_t* out, ToByte toByte, const DigitPairs& pairs) {
  while (from != to) {
    const std::size_t lineBytes = std::min(static_cast<std::size_t>(to - from), kLineBytes);
    for (const Unit* const lineEnd = from + lineBytes; from != lineEnd; from += kGroupBytes, out += kGroupDigits) {
      const std::uint32_t group =
          std::uint32_t{toByte(from[0])} << 16 | std::uint32_t{toByte(from[1])} << 8 | std::uint32_t{toByte(from[2])};
      std::memcpy(out, pairs[group >> 12].data(), 2 * sizeof(char16_t));
      std::memcpy(out + 2, pairs[group & 4095].data(), 2 * sizeof(char16_t));
    }
    if (lineBytes == kLineBytes) {
      out[0] = u'\r';
      out[1] = u'\n';
      out += 2;
    }
  }
  return out;
}

// From this many bytes on, Encode shares the work with a second thread.
constexpr std::size_t kSharedFrom = std::size_t{4} << 20;
constexpr std::size_t kChunkLines = 512;

// Runs `encodeChunk(index)` for every index below `chunks`, on this thread and
// a helper thread, each taking the next index until none is left; on this
// thread alone where no thread can be started. This thread runs `first()`
// before it takes any chunk; what that throws is thrown once the helper
// thread has ended.
template <typename EncodeChunk, typename First>
void OnTwoThreads(std::size_t chunks, const EncodeChunk& encodeChunk, const First& first) {
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t index; (index = next.fetch_add(1, std::memory_order_relaxed)) < chunks;) encodeChunk(index);
  };
  std::thread helper;
  try {
    helper = std::thread(work);
  } catch (const std::system_error&) {
    // One thread does it all.
  }
  std::exception_ptr failure;
  try {
    first();
  } catch (...) {
    failure = std::current_exception();
  }
  work();
  if (helper.joinable()) helper.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

Base64::Base64() {
  for (std::uint8_t value = 0; value < bytAlphabet.size(); ++value) {
    if (value < 26) {
      bytAlphabet[value] = value + 'A';
    } else if (value < 52) {
      bytAlphabet[value] = value - 26 + 'a';
    } else if (value < 62) {
      bytAlphabet[value] = value - 52 + '0';
    } else {
      bytAlphabet[value] = value == 62 ? '+' : '/';
    }
  }
  for (std::size_t bits = 0; bits < digitPairs.size(); ++bits) {
    digitPairs[bits] = {bytAlphabet[bits >> 6], bytAlphabet[bits & 63]};
  }
  digitOf.fill(kNotDigit);
  for (std::uint8_t value = 0; value < bytAlphabet.size(); ++value) digitOf[bytAlphabet[value]] = value;
}

std::u16string Base64::Encode(std::u16string& text) const {
  const std::size_t whole = text.size() - text.size() % kGroupBytes;  // the characters of whole groups
  const std::size_t padCount = whole == text.size() ? 0 : whole + kGroupBytes - text.size();
  const std::size_t padded = text.size() + padCount;
  if (padded == 0) return {};
  try {
    CheckSize(padded, kEncodeSource);
    CheckSize(EncodedSize(padded), kEncodeSource);
  } catch (const Failure&) {
    AppendNuls(text, padCount);
    throw;
  }

  std::u16string encoded;
  if (const UnitConversion* conversion = UnitByUnitConversion()) {
    const auto& byteOf = conversion->byteOf;
    const auto toByte = [&byteOf](char16_t c) { return byteOf[c]; };
    // The whole groups are encoded from the text as it is. Where the NULs
    // need more room than the variable has and the text is long, this
    // thread moves the text into its new place while the helper thread
    // encodes; otherwise the NULs come first.
    const bool growAlongside = text.capacity() - text.size() < padCount && whole >= kSharedFrom;
    if (!growAlongside) AppendNuls(text, padCount);
    std::u16string grown;
    encoded = encodeBytes(text.data(), whole, EncodedSize(padded), toByte, [&] {
      if (growAlongside) grown = WithNuls(text, padCount);
    });
    if (growAlongside) text.swap(grown);
    // The last group, with the NULs, on the line under way.
    if (padCount != 0) {
      std::array<char16_t, kGroupDigits> lastGroup;
      EncodeLines(text.data() + whole, text.data() + padded, lastGroup.data(), toByte, digitPairs);
      encoded.append(lastGroup.data(), lastGroup.size());
      if (padded % kLineBytes == 0) encoded.append(u"\r\n");
    }
  } else {
    AppendNuls(text, padCount);
    const std::string bytes = ToAnsi(text);
    // Only a multi-byte code page gives more bytes than characters; the last
    // group would then read past the end.
    if (bytes.size() % kGroupBytes != 0) throw Failure(err::kSubscriptOutOfRange, kEncodeSource);
    CheckSize(EncodedSize(bytes.size()), kEncodeSource);
    encoded = encodeBytes(
        bytes.data(), bytes.size(), EncodedSize(bytes.size()), [](char b) { return static_cast<unsigned char>(b); },
        [] {});
  }

  // The last one or two digits stand only for the appended NULs: mark them,
  // in front of a final line break.
  std::size_t last = encoded.size() - 1;
  if (encoded[last] == u'\n') last -= 2;
  std::fill_n(encoded.begin() + static_cast<std::ptrdiff_t>(last + 1 - padCount), padCount, kPadMark);
  return encoded;
}

template <typename Unit, typename ToByte, typename Alongside>
std::u16string Base64::encodeBytes(const Unit* in, std::size_t count, std::size_t capacity, ToByte toByte,
                                   const Alongside& alongside) const {
  const std::size_t size = EncodedSize(count);
  // The digits are ASCII, which every ANSI code page reads as itself, so
  // they are written as characters straight away.
  std::u16string encoded;
  encoded.reserve(capacity);
  PreferLargePages(encoded.data(), capacity * sizeof(char16_t));
  if (count < kSharedFrom) {
    alongside();
    // A block of lines at a time into a small buffer, which stays in the
    // cache, and appended from there, so that the result's memory is written
    // once (a string made at its size is zero-filled first).
    constexpr std::size_t kBlockLines = 64;
    std::array<char16_t, kBlockLines*(kLineDigits + 2)> block;
    for (const Unit* const end = in + count; in != end;) {
      const Unit* const blockEnd = in + std::min(static_cast<std::size_t>(end - in), kBlockLines * kLineBytes);
      const char16_t* const blockDigits = EncodeLines(in, blockEnd, block.data(), toByte, digitPairs);
      encoded.append(block.data(), static_cast<std::size_t>(blockDigits - block.data()));
      in = blockEnd;
    }
    return encoded;
  }
  // A long text is worth the zero-filling: two threads then write chunks of
  // lines straight into their places in the result, in any order.
  encoded.resize(size);
  constexpr std::size_t kChunkBytes = kChunkLines * kLineBytes;
  OnTwoThreads((count + kChunkBytes - 1) / kChunkBytes,
               [&](std::size_t index) {
                 const Unit* const from = in + index * kChunkBytes;
                 EncodeLines(from, from + std::min(count - index * kChunkBytes, kChunkBytes),
                             encoded.data() + index * kChunkLines * (kLineDigits + 2), toByte, digitPairs);
               },
               alongside);
  return encoded;
}

std::u16string Base64::Decode(std::u16string& text) const {
  RemoveLineBreaks(text);
  if (text.empty()) return {};
  if (text.size() % kGroupDigits != 0) RejectAsNotBase64();
  CheckSize(text.size(), kDecodeSource);
  const std::size_t length = text.size();

  std::size_t padCount = 0;
  while (padCount < 2 && text[length - 1 - padCount] == kPadMark) ++padCount;
  // The bytes behind the pad marks are the NULs that Encode appended.
  const std::size_t size = length / kGroupDigits * kGroupBytes - padCount;

  if (const UnitConversion* conversion = UnitByUnitConversion()) {
    const auto& characterOf = conversion->characterOf;
    std::u16string decoded;
    decoded.reserve(size);
    PreferLargePages(decoded.data(), size * sizeof(char16_t));
    decoded.resize(size);
    decodeInto(text, padCount, decoded.data(), [&characterOf](std::uint8_t b) { return characterOf[b]; });
    return decoded;
  }
  std::string bytes(size, '\0');
  decodeInto(text, padCount, bytes.data(), [](std::uint8_t b) { return static_cast<char>(b); });
  return FromAnsi(bytes);
}

template <typename Unit, typename FromByte>
void Base64::decodeInto(const std::u16string& text, std::size_t padCount, Unit* out, FromByte fromByte) const {
  // Characters are checked as they are, before any conversion to bytes, so
  // that nothing outside the alphabet can pass for a digit: a digit has no
  // high byte, and its low byte has a value. The check collects bits instead
  // of branching.
  std::uint32_t outside = 0;
  const auto digit = [this, &outside](char16_t c) {
    const std::uint32_t value = digitOf[c & 0xFF];
    outside |= (value & kNotDigit) | (c >> 8);
    return value;
  };
  const auto decodeGroup = [&digit, &fromByte](const char16_t* in, Unit* to) {
    const std::uint32_t group = digit(in[0]) << 18 | digit(in[1]) << 12 | digit(in[2]) << 6 | digit(in[3]);
    to[0] = fromByte(static_cast<std::uint8_t>(group >> 16));
    to[1] = fromByte(static_cast<std::uint8_t>((group >> 8) & 255));
    to[2] = fromByte(static_cast<std::uint8_t>(group & 255));
  };

  const char16_t* in = text.data();
  for (const char16_t* const finalStart = in + text.size() - kGroupDigits; in != finalStart; in += kGroupDigits) {
    decodeGroup(in, out);
    out += kGroupBytes;
  }
  // A pad mark stands for zero bits, the value of the digit A; anywhere else
  // "=" is rejected like every other character outside the alphabet.
  std::array<char16_t, kGroupDigits> finalGroup;
  std::copy_n(in, kGroupDigits, finalGroup.begin());
  std::fill_n(finalGroup.end() - static_cast<std::ptrdiff_t>(padCount), padCount, u'A');
  std::array<Unit, kGroupBytes> finalBytes;
  decodeGroup(finalGroup.data(), finalBytes.data());
  std::copy_n(finalBytes.begin(), kGroupBytes - padCount, out);
  if (outside != 0) RejectAsNotBase64();
}

}  // namespace lum
