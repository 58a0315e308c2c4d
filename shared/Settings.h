#pragma once

#include <string>

namespace lum {

// The settings file's path: the program folder, a separator, the executable's
// name without extension, and ".INI" (LUM_Brevix.INI beside LUM_Brevix).
std::string SettingsFilePathFor(const std::string& programFolder, const std::string& executableName);

// One value of the settings file (or the default), at most 254 characters.
std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& file);

}  // namespace lum
