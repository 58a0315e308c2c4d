#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lum::test {

// What a copy with line breaks must give for a source, worked out the slow
// way: the target and the progress points (remaining counts), or the number
// of the failure that refuses the source.
struct ReferenceCopy {
  std::string target;
  std::vector<std::int64_t> points;
  int failure = 0;

  friend bool operator==(const ReferenceCopy&, const ReferenceCopy&) = default;
};

// One unit at a time: one byte, or after the start of a wider form (its
// byte-order mark, or "<?" without one) two or four bytes. The unit ">" gets
// CR LF after it, as units in the source's byte order, and when the last
// byte of that LF lands on a multiple of 50 the remaining count is recorded.
// A last unit cut short is copied as it is. UCS-4 in the byte orders 2143 and
// 3412 and EBCDIC give failure 321.
inline ReferenceCopy ReferenceFor(std::string_view source, std::int64_t total) {
  using namespace std::string_view_literals;
  const auto starts = [&](auto... heads) { return (source.starts_with(heads) || ...); };
  if (starts("\0\0\xFF\xFE"sv, "\xFE\xFF\0\0"sv, "\0\0<\0"sv, "\0<\0\0"sv, "\x4C\x6F\xA7\x94"sv)) return {"", {}, 321};
  const bool wide = starts("\xFF\xFE"sv, "<\0?\0"sv, "\xFE\xFF"sv, "\0<\0?"sv);
  const std::size_t unit = starts("\xFF\xFE\0\0"sv, "<\0\0\0"sv, "\0\0\xFE\xFF"sv, "\0\0\0<"sv) ? 4 : wide ? 2 : 1;
  const bool big = starts("\0\0\xFE\xFF"sv, "\0\0\0<"sv, "\xFE\xFF"sv, "\0<\0?"sv);
  // A character of the form: its value's byte at the low end, zeros elsewhere.
  const auto character = [&](char value) {
    std::string bytes(unit, '\0');
    bytes[big ? unit - 1 : 0] = value;
    return bytes;
  };
  const std::string gt = character('>'), lineBreak = character('\r') + character('\n');
  ReferenceCopy out;
  std::size_t i = 0;
  for (; i + unit <= source.size(); i += unit) {
    out.target += source.substr(i, unit);
    if (source.substr(i, unit) != gt) continue;
    out.target += lineBreak;
    if (out.target.size() % 50 == 0) out.points.push_back(total - static_cast<std::int64_t>(i + unit));
  }
  out.target += source.substr(i);
  return out;
}

// The target of the whole `source`.
inline std::string ReferenceTarget(std::string_view source) {
  return ReferenceFor(source, static_cast<std::int64_t>(source.size())).target;
}

}  // namespace lum::test
