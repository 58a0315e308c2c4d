#include "reformat/WideUnits.h"

#include <algorithm>
#include <cstring>

namespace lum {
namespace {

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

}  // namespace

std::optional<Form> DetectForm(std::string_view head, bool whole) {
  for (const Signature& signature : kSignatures) {
    if (head.starts_with(signature.bytes)) return signature.form;
    if (!whole && signature.bytes.starts_with(head)) return std::nullopt;
  }
  return kBytes;
}

UnitCopy::UnitCopy(const Form& form) : unit_(form.unit), gtByte_(form.bigEndian ? unit_ - 1 : 0) {
  for (std::size_t byte = 0; byte < unit_; ++byte) {
    lineBreak_[byte] = byte == gtByte_ ? '\r' : '\0';
    lineBreak_[unit_ + byte] = byte == gtByte_ ? '\n' : '\0';
  }
}

void UnitCopy::start(const char* head, std::size_t size, CopyOutput& out) {
  const std::size_t whole = size - size % unit_;
  for (std::size_t at = 0; at < whole; at += unit_) copyUnit(head + at, out);
  std::memcpy(held_, head + whole, size - whole);
  heldSize_ = size - whole;
}

// Flattened, so that the line moves of the loop are not a call a line.
LUM_FLATTEN void UnitCopy::copy(const char* data, std::size_t size, CopyOutput& out) {
  if (heldSize_ > 0) {
    const std::size_t taken = std::min(unit_ - heldSize_, size);
    std::memcpy(held_ + heldSize_, data, taken);
    heldSize_ += taken;
    data += taken;
    size -= taken;
    if (heldSize_ < unit_) return;
    heldSize_ = 0;
    copyUnit(held_, out);
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
    copyLine(segment, static_cast<std::size_t>(unit + unit_ - segment), out);
    segment = unit + unit_;
    searchFrom = static_cast<std::size_t>(segment - data);
  }
  // Held before the rest goes, which may leave with the source buffer.
  std::memcpy(held_, data + whole, size - whole);
  heldSize_ = size - whole;
  out.copyRest(segment, static_cast<std::size_t>(data + whole - segment));
}

void UnitCopy::finish(CopyOutput& out) { out.copy(held_, heldSize_); }

bool UnitCopy::isGtUnit(const char* unit) const {
  for (std::size_t byte = 0; byte < unit_; ++byte) {
    if (unit[byte] != (byte == gtByte_ ? '>' : '\0')) return false;
  }
  return true;
}

void UnitCopy::copyUnit(const char* unit, CopyOutput& out) {
  if (isGtUnit(unit)) {
    copyLine(unit, unit_, out);
  } else {
    out.copy(unit, unit_);
  }
}

// Units that end in a ">" unit, then the line break.
void UnitCopy::copyLine(const char* data, std::size_t size, CopyOutput& out) {
  out.append(data, size);
  out.append(lineBreak_, 2 * unit_);
  out.count(size, size + 2 * unit_);
  // The line ends with the LF unit's last byte.
  if (IsProgressPoint(out.written())) out.observer().progress(out.remaining());
}

}  // namespace lum
