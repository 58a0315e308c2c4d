#pragma once

class QCoreApplication;

namespace lum {

// Loads Qt's own Czech catalogue so that standard dialogs and buttons read
// Czech. Returns whether a catalogue was found.
bool InstallCzechTranslations(QCoreApplication& app);

}  // namespace lum
