#include "shared/EnableForm.h"

#include <QList>
#include <QObject>
#include <exception>
#include <string>

#include "platform/Program.h"
#include "platform/qt/UiServices.h"
#include "shared/Settings.h"

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
    if (IniFilePath.empty()) IniFilePath = SettingsFilePathFor(ProgramFolder(), ExecutableName());
  } catch (const std::exception&) {
  }
  std::string disable;
  try {
    disable = ReadIniString("LUM", "DISABLE", "", IniFilePath);
  } catch (const std::exception&) {
    disable.clear();
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
