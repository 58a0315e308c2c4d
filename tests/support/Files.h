#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace lum::test {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The UTF-8 path of `name` inside the folder ("" for the folder itself).
  std::string path(const std::string& name) const;
  // The names of everything in the folder, hidden entries included.
  std::set<std::string> names() const;

 private:
  std::filesystem::path folder_;
};

std::filesystem::path PathOf(const std::string& utf8);
void WriteBytes(const std::string& path, const std::string& bytes);
// The whole of a regular file, read in one go ("" for anything else).
std::string ReadBytes(const std::string& path);
// One-line XML of numbered rows, `size` bytes or a row more.
std::string Rows(std::size_t size);

}  // namespace lum::test
