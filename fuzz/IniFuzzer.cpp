// ReadIniString on any settings file, section, key and default: no crash, no
// value longer than 254 characters, never a second line, and the default
// (less its trailing blanks, cut to 254 characters) where no line has a
// value at all.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "platform/ProfileString.h"
#include "shared/Settings.h"

namespace {

namespace fs = std::filesystem;

// The settings file of this fuzzer process, removed when it ends.
class SettingsFile {
 public:
  SettingsFile() : path_(fs::temp_directory_path() / ("brevix_fuzz_" + std::to_string(std::random_device()()) + ".INI")) {}
  ~SettingsFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  std::string write(const std::string& content) const {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << content;
    return path_.string();
  }

 private:
  fs::path path_;
};

std::size_t Characters(const std::string& utf8) {
  std::size_t count = 0;
  for (const unsigned char byte : utf8) count += (byte & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

// The default as a missing key gives it: trailing blanks gone, cut to the
// longest value without splitting a character.
std::string AsDefault(const std::string& defaultValue) {
  std::string value = defaultValue.substr(0, defaultValue.find_last_not_of(' ') + 1);
  std::size_t characters = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if ((static_cast<unsigned char>(value[i]) & 0xC0) != 0x80 && characters++ == lum::kProfileValueMax) {
      return value.substr(0, i);
    }
  }
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(16);
  const std::string key = input.ConsumeRandomLengthString(16);
  const std::string defaultValue = input.ConsumeRandomLengthString(400);
  const std::string content = input.ConsumeRemainingBytesAsString();
  static const SettingsFile file;

  const std::string value = lum::ReadIniString(section, key, defaultValue, file.write(content));
  FUZZ_CHECK(Characters(value) <= lum::kProfileValueMax);
  FUZZ_CHECK(value.find('\n') == std::string::npos || defaultValue.find('\n') != std::string::npos);
  if (content.find('=') == std::string::npos) FUZZ_CHECK(value == AsDefault(defaultValue));
  return 0;
}
