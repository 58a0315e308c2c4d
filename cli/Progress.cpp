#include "cli/Progress.h"

#include <algorithm>
#include <cstdio>

namespace lum::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
// One column short of an 80-column terminal: a line that fills the last
// column wraps on some terminals (the Windows console), and "\r" then goes
// back to the start of the second row only.
constexpr std::size_t kLineColumns = 79;
constexpr std::size_t kBarCells = 10;
constexpr double kMiB = 1 << 20;
constexpr double kGiB = 1 << 30;

bool StartsCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }

// Terminal columns of UTF-8 text, one per character (no wide characters).
std::size_t Columns(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), StartsCharacter));
}

// `name` cut to `columns` (at least 1), with "…" in place of its beginning:
// the end of a path, the file's own name, tells the files of a batch apart.
std::string ShortName(std::string_view name, std::size_t columns) {
  columns = std::max<std::size_t>(columns, 1);
  std::size_t characters = Columns(name);
  if (characters <= columns) return std::string(name);
  // From where the last columns - 1 characters start.
  std::size_t start = 0;
  for (; characters > columns - 1; ++start) {
    if (StartsCharacter(name[start])) --characters;
  }
  while (!StartsCharacter(name[start])) ++start;
  return "…" + std::string(name.substr(start));
}

// A number with one decimal place and a decimal comma, as Czech writes it.
std::string Decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string result = text;
  std::replace(result.begin(), result.end(), '.', ',');
  return result;
}

std::string Duration(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

void WriteMessage(ByteSink& sink, std::string_view text) noexcept {
  try {
    sink.write(text.data(), text.size());
  } catch (...) {
    // Dropped: see the declaration.
  }
}

ProgressLine::ProgressLine(ByteSink& terminal, std::string_view name, std::int64_t total, Clock::time_point start)
    : terminal_(terminal), name_(name), total_(total), start_(start) {}

ProgressLine::~ProgressLine() {
  if (width_ == 0) return;
  std::string blank(width_ + 2, ' ');
  blank.front() = blank.back() = '\r';
  WriteMessage(terminal_, blank);
}

void ProgressLine::update(std::int64_t done) {
  if ((total_ >= 0 ? total_ : done) < kShownFrom) return;
  const Clock::time_point now = Clock::now();
  if (width_ > 0 && now - drawn_ < kRedrawInterval) return;
  drawn_ = now;
  const std::string line = ProgressText(name_, total_, done, std::chrono::duration<double>(now - start_).count());
  const std::size_t columns = Columns(line);
  // Spaces wipe what is left of a longer line from before.
  WriteMessage(terminal_, "\r" + line + std::string(width_ > columns ? width_ - columns : 0, ' '));
  width_ = std::max(width_, columns);
}

std::string ProgressText(std::string_view name, std::int64_t total, std::int64_t done, double seconds) {
  const double unit = std::max(total, done) >= 10 * kGiB ? kGiB : kMiB;
  const char* const unitName = unit == kGiB ? " GiB" : " MiB";
  const bool measured = seconds >= kMeasuredAfter;
  const double rate = measured ? static_cast<double>(done) / seconds : 0;
  std::string line = "  ";
  if (total > 0) {
    // A file that grew while it is read does not push the bar past its end.
    const double share = std::min(static_cast<double>(done) / static_cast<double>(total), 1.0);
    const auto cells = static_cast<std::size_t>(share * kBarCells);
    // Three columns for the share, so that the bar does not move as it grows.
    char percent[8];
    std::snprintf(percent, sizeof percent, "%3d", static_cast<int>(share * 100));
    line += percent + std::string(" % [") + std::string(cells, '#') + std::string(kBarCells - cells, ' ') + "] ";
    line += Decimal(static_cast<double>(done) / unit) + "/" + Decimal(static_cast<double>(total) / unit) + unitName;
  } else {
    line += Decimal(static_cast<double>(done) / unit) + unitName;
  }
  if (measured) line += "  " + std::to_string(static_cast<long long>(rate / kMiB)) + " MiB/s";
  if (total > 0 && rate > 0) {
    line += "  zbývá " + Duration(static_cast<double>(std::max<std::int64_t>(total - done, 0)) / rate);
  }
  // The name takes what the figures leave of the line. They take at most 69
  // columns (files under 100 TiB, rates under 100 GiB/s, under 100 hours left).
  const std::size_t room = kLineColumns > Columns(line) ? kLineColumns - Columns(line) : 0;
  return ShortName(name, room) + line;
}

}  // namespace lum::cli
