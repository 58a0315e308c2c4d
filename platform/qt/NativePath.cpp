#include "platform/qt/NativePath.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace lum {
namespace {

// The character of each byte from 0x80 up that is not part of UTF-8: Windows-1250 below 0xA0 (its five undefined
// bytes as U+FFFD), ISO 8859-2 from 0xA0.
constexpr std::array<char16_t, 128> kStrayByte = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0xFFFD, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 0x88
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 0x98
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,  // 0xA0
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,  // 0xA8
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,  // 0xB0
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,  // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // 0xF8
};

// The length of the well-formed UTF-8 sequence at the start of `bytes`, or 0
// when there is none (a stray continuation byte, a cut sequence, an overlong
// form, a surrogate, a value past U+10FFFF): the forms Qt refuses too.
std::size_t Utf8SequenceLength(std::string_view bytes) {
  const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

bool IsUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes.substr(at));
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string BytesOf(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

std::filesystem::path PathOf(const std::string& bytes) { return std::u8string(bytes.begin(), bytes.end()); }

}  // namespace

NativePath NativePath::FromBytes(std::string bytes) {
  QString shown = ReadableName(bytes);
  return {std::move(bytes), std::move(shown)};
}

NativePath NativePath::FromText(const QString& text) { return {text.toStdString(), text}; }

QString ReadableName(std::string_view bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes.substr(at));
    if (length == 0) {
      text += QChar(kStrayByte[static_cast<unsigned char>(bytes[at]) - 0x80]);
      ++at;
    } else {
      text += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
      at += length;
    }
  }
  return text;
}

std::vector<std::string> NamesQtCannotList(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator entry(PathOf(folder), error), end; !error && entry != end;
       entry.increment(error)) {
    std::string name = BytesOf(entry->path().filename());
    if (!IsUtf8(name) && !entry->is_directory(error)) names.push_back(std::move(name));
    error.clear();
  }
  return names;
}

std::string CurrentFolder() {
  std::error_code error;
  return BytesOf(std::filesystem::current_path(error));
}

bool SetCurrentFolderToThatOf(const std::string& file) {
  std::error_code error;
  std::filesystem::current_path(std::filesystem::absolute(PathOf(file), error).parent_path(), error);
  return !error;
}

}  // namespace lum
