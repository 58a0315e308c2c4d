#include "tests/support/Files.h"

#include <fstream>
#include <random>

namespace lum::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device entropy;
  do {
    folder_ = fs::temp_directory_path() / ("brevix_test_" + std::to_string(entropy()));
  } while (!fs::create_directory(folder_));
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string TempFolder::path(const std::string& name) const {
  const std::u8string utf8 = (name.empty() ? folder_ : folder_ / PathOf(name)).u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::set<std::string> TempFolder::names() const {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_)) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace(name.begin(), name.end());
  }
  return names;
}

fs::path PathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(PathOf(path), std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(PathOf(path), error);  // fails but on regular files
  if (error) return {};
  std::string bytes(size, '\0');
  std::ifstream(PathOf(path), std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(size));
  return bytes;
}

std::string Rows(std::size_t size) {
  std::string text;
  for (int row = 0; text.size() < size; ++row) text += "<row n=\"" + std::to_string(row) + "\">hodnota</row>";
  return text;
}

}  // namespace lum::test
