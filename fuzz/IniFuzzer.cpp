// The settings reader on any file, section, key and default: at most 254
// characters, and where no line holds a value the default less its trailing
// blanks, or a beginning of it when that is longer.
#include <filesystem>

#include "fuzz/FuzzCheck.h"
#include "platform/ProfileString.h"

static void FuzzOne(FuzzedDataProvider&& input) {
  const std::string section = input.ConsumeRandomLengthString(16), key = input.ConsumeRandomLengthString(16);
  const std::string fallback = input.ConsumeRandomLengthString(400), content = input.ConsumeRemainingBytesAsString();
  // The temporary folder is one of the run's own (see scripts/fuzz.sh and the tests).
  const std::string file = std::filesystem::temp_directory_path() / "brevix-fuzz.INI";
  std::ofstream(file, std::ios::binary) << content;
  const std::string value = lum::ReadIniString(section, key, fallback, file);
  const auto length = std::ranges::count_if(value, [](char byte) { return (byte & 0xC0) != 0x80; });  // characters
  FUZZ_CHECK(std::cmp_less_equal(length, lum::kProfileValueMax));
  FUZZ_CHECK(content.find('=') != std::string::npos ||
             (fallback.starts_with(value) &&
              (std::cmp_equal(length, lum::kProfileValueMax) || value.size() == fallback.find_last_not_of(' ') + 1)));
}
