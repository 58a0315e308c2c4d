#include "platform/ProfileString.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace lum {
namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
  });
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'')) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Cuts a UTF-8 text to at most `limit` characters without splitting one.
std::string CutToCharacters(std::string_view text, size_t limit) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (startsCharacter && characters++ == limit) return std::string(text.substr(0, i));
  }
  return std::string(text);
}

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// The settings file opened for reading, or nothing when it is missing,
// unreadable or no regular file: a pipe would block the open or the read
// until someone writes to it, and a device such as /dev/zero never ends.
File OpenRegularFile(const std::string& path) {
  // Without O_NONBLOCK the open of a pipe would wait for a writer.
  const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat info {};
  FILE* file = fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode) ? fdopen(descriptor, "rb") : nullptr;
  if (file == nullptr) close(descriptor);
  return File(file);
}

// The next line of `file` without its line feed; false at the end.
bool ReadLine(FILE* file, std::string& line) {
  char* buffer = nullptr;
  size_t capacity = 0;
  const ssize_t length = getline(&buffer, &capacity, file);
  if (length >= 0) line.assign(buffer, static_cast<size_t>(length) - (length > 0 && buffer[length - 1] == '\n'));
  free(buffer);
  return length >= 0;
}

// The value of key in section, or nothing when either is missing.
bool FindValue(FILE* file, std::string_view section, std::string_view key, std::string& value) {
  std::string line;
  bool inSection = false;
  bool firstLine = true;
  while (ReadLine(file, line)) {
    std::string_view text = line;
    if (firstLine && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    firstLine = false;
    text = Trim(text);
    if (text.empty() || text.front() == ';') continue;
    if (text.front() == '[') {
      const size_t close = text.find(']');
      const std::string_view name = Trim(text.substr(1, close == std::string_view::npos ? close : close - 1));
      // Only the first section of that name counts.
      if (inSection) return false;
      inSection = EqualNoCase(name, section);
      continue;
    }
    if (!inSection) continue;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || !EqualNoCase(Trim(text.substr(0, equals)), key)) continue;
    value = std::string(Unquote(Trim(text.substr(equals + 1))));
    return true;
  }
  return false;
}

}  // namespace

std::string ReadIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const std::string& file) {
  const File in = OpenRegularFile(file);
  std::string value;
  if (!in || !FindValue(in.get(), section, key, value)) {
    // Like the Windows call, a default loses its trailing blanks.
    const size_t last = defaultValue.find_last_not_of(' ');
    value = last == std::string::npos ? std::string() : defaultValue.substr(0, last + 1);
  }
  return CutToCharacters(value, kProfileValueMax);
}

}  // namespace lum
