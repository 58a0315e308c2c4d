#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lum::test {

// What a copy with line breaks must give for a source, worked out the slow
// way: the target and the progress points (remaining counts).
struct ReferenceCopy {
  std::string target;
  std::vector<std::int64_t> points;

  friend bool operator==(const ReferenceCopy&, const ReferenceCopy&) = default;
};

// One byte at a time: a ">" gets CR LF after it, and when that LF's 1-based
// position is a multiple of 50 the remaining count is recorded.
inline ReferenceCopy ByteByByte(std::string_view source, std::int64_t total) {
  ReferenceCopy out;
  std::int64_t read = 0;
  for (const char byte : source) {
    ++read;
    out.target += byte;
    if (byte != '>') continue;
    out.target += "\r\n";
    if (out.target.size() % 50 == 0) out.points.push_back(total - read);
  }
  return out;
}

// One UTF-16 unit at a time: the unit 003E gets 000D 000A after it, in the
// source's byte order; the point is taken where the LF unit's last byte lands
// on a multiple of 50. An odd last byte is copied as it is.
inline ReferenceCopy UnitByUnit(std::string_view source, std::int64_t total, bool littleEndian) {
  ReferenceCopy out;
  const std::string_view lineBreak = littleEndian ? std::string_view("\r\0\n\0", 4) : std::string_view("\0\r\0\n", 4);
  std::size_t i = 0;
  for (; i + 1 < source.size(); i += 2) {
    const auto low = static_cast<unsigned char>(source[littleEndian ? i : i + 1]);
    const auto high = static_cast<unsigned char>(source[littleEndian ? i + 1 : i]);
    out.target += source.substr(i, 2);
    if (low != 0x3E || high != 0) continue;
    out.target += lineBreak;
    if (out.target.size() % 50 == 0) out.points.push_back(total - static_cast<std::int64_t>(i + 2));
  }
  out.target += source.substr(i);
  return out;
}

// The copy of any source: UTF-16 after a byte-order mark, bytes otherwise.
inline ReferenceCopy ReferenceFor(std::string_view source, std::int64_t total) {
  if (source.starts_with("\xFF\xFE")) return UnitByUnit(source, total, true);
  if (source.starts_with("\xFE\xFF")) return UnitByUnit(source, total, false);
  return ByteByByte(source, total);
}

// The target of a source of the whole `source`.
inline std::string ReferenceTarget(std::string_view source) {
  return ReferenceFor(source, static_cast<std::int64_t>(source.size())).target;
}

}  // namespace lum::test
