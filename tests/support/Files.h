#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

namespace lum::test {

inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

// The names of everything in `folder`, hidden entries included.
inline std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PathOf(folder)))
    names.insert(Utf8Of(entry.path().filename()));
  return names;
}

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempFolder {
 public:
  TempFolder() {
    std::random_device entropy;
    do {
      folder_ = std::filesystem::temp_directory_path() / ("brevix_test_" + std::to_string(entropy()));
    } while (!std::filesystem::create_directory(folder_));
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The UTF-8 path of `name` inside the folder ("" for the folder itself).
  std::string path(const std::string& name) const { return Utf8Of(name.empty() ? folder_ : folder_ / PathOf(name)); }
  std::set<std::string> names() const { return NamesIn(path("")); }

 private:
  std::filesystem::path folder_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(PathOf(path), std::ios::binary | std::ios::trunc) << bytes;
}

// The whole of a regular file, read in one go ("" for anything else).
inline std::string ReadBytes(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(PathOf(path), error);  // fails but on regular files
  if (error) return {};
  std::string bytes(size, '\0');
  std::ifstream(PathOf(path), std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(size));
  return bytes;
}

// One-line XML of numbered rows, `size` bytes or a row more.
inline std::string Rows(std::size_t size) {
  std::string text;
  for (int row = 0; text.size() < size; ++row) text += "<row n=\"" + std::to_string(row) + "\">hodnota</row>";
  return text;
}

}  // namespace lum::test
