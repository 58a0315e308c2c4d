#include "shared/Settings.h"

#include "platform/Program.h"
#include "platform/ProfileString.h"

namespace lum {

std::string SettingsFilePathFor(const std::string& programFolder, const std::string& executableName) {
  // Formed as written, also at a root folder, where the folder already ends
  // in a separator and two of them stand in a row.
  return programFolder + kNativeSeparator + executableName + ".INI";
}

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& file) {
  return GetProfileString(section, key, defaultValue, file);
}

}  // namespace lum
