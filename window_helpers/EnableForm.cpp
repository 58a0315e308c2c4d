#include "window_helpers/EnableForm.h"

#include <QList>
#include <QObject>
#include <exception>
#include <string>

#include "window_helpers/UiServices.h"
#include "paths/Paths.h"
#include "platform/ProfileString.h"

namespace lum {

void EnableForm(QWidget& form, bool enabled) {
  UiServices& ui = Ui();
  // Each step stands alone: a failure skips that step and the rest go on.
  try {
    ui.setMousePointer(form, enabled ? kPointerDefault : kPointerHourglass);
  } catch (const std::exception&) {
  }
  try {
    ui.doEvents();
  } catch (const std::exception&) {
  }
  try {
    if (ui.IniFilePath().empty()) ui.IniFilePath() = SettingsFilePathFor(ui.programFolder(), ui.executableName());
  } catch (const std::exception&) {
  }
  std::string disable;
  try {
    disable = ReadIniString("LUM", "DISABLE", "", ui.IniFilePath());
  } catch (const std::exception&) {
    // Unread, the value stays empty: the controls are switched.
  }
  if (disable.empty()) {
    QList<QObject*> controls;
    try {
      controls = ui.controls(form);
    } catch (const std::exception&) {
    }
    for (QObject* control : controls) {
      try {
        if (!ui.isTimerOrOptionButton(*control)) ui.setEnabled(*control, enabled);
      } catch (const std::exception&) {
      }
    }
  }
  try {
    ui.doEvents();
  } catch (const std::exception&) {
  }
}

}  // namespace lum
