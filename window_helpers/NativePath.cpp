#include "window_helpers/NativePath.h"

#include <array>
#include <filesystem>
#include <system_error>

#include "platform/CodePage.h"

namespace lum {
namespace {

// ISO 8859-2 from 0xA0 to 0xBF, where it keeps š, ť, ž and their capitals.
// From 0xC0 up it agrees with Windows-1250; below 0xA0 it has control codes.
constexpr std::array<char16_t, 32> kLatin2A0ToBF = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7,  // 0xA0
    0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD, 0x017D, 0x017B,  // 0xA8
    0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7,  // 0xB0
    0x00B8, 0x0161, 0x015F, 0x0165, 0x017A, 0x02DD, 0x017E, 0x017C,  // 0xB8
};

// A byte from 0x80 up that is no part of UTF-8: ISO 8859-2 from 0xA0 to 0xBF,
// otherwise the ANSI code page (Windows-1250 but where Windows is set to
// another); a byte that code page leaves undefined reads as U+FFFD.
QChar StrayByte(char byte) {
  const auto value = static_cast<unsigned char>(byte);
  if (value >= 0xA0 && value <= 0xBF) return kLatin2A0ToBF[value - 0xA0];
  const char16_t character = FromAnsi(std::string_view(&byte, 1)).front();
  return character < 0xA0 ? QChar(QChar::ReplacementCharacter) : QChar(character);
}

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
      text += StrayByte(bytes[at]);
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
