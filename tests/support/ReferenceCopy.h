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

// One unit at a time (one byte, or two after a UTF-16 byte-order mark): the
// unit ">" gets CR LF after it, in the source's byte order, and when the last
// byte of that LF lands on a multiple of 50 the remaining count is recorded.
// An odd last byte of UTF-16 is copied as it is.
inline ReferenceCopy ReferenceFor(std::string_view source, std::int64_t total) {
  const bool little = source.starts_with("\xFF\xFE"), big = source.starts_with("\xFE\xFF");
  const std::size_t unit = little || big ? 2 : 1;
  const std::string_view gt = little ? std::string_view(">\0", 2) : big ? std::string_view("\0>", 2) : ">";
  const std::string_view lineBreak = little ? std::string_view("\r\0\n\0", 4)
                                     : big  ? std::string_view("\0\r\0\n", 4) : "\r\n";
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
