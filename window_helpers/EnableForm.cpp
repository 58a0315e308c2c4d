#include "window_helpers/EnableForm.h"

#include <QCoreApplication>
#include <QRadioButton>
#include <QWidget>
#include <exception>

#include "paths/Paths.h"
#include "platform/ProfileString.h"
#include "window_helpers/UiServices.h"

namespace lum {
namespace {

// Each step of the switch stands alone: one that fails is skipped, and the
// rest go on.
template <typename Step>
void Attempt(const Step& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

void HandleQueuedEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

}  // namespace

void BusySwitch::EnableForm(bool enabled) {
  Attempt([&] {
    if (enabled) {
      form_.unsetCursor();
    } else {
      form_.setCursor(Qt::WaitCursor);
    }
  });
  Attempt(HandleQueuedEvents);
  Attempt([&] {
    if (settingsPath_.empty()) {
      settingsPath_ = SettingsFilePathFor(services_.programFolder(), services_.executableName());
    }
  });
  std::string disable;  // unread, it stays empty: the controls are switched
  Attempt([&] { disable = ReadIniString("LUM", "DISABLE", "", settingsPath_); });
  if (disable.empty()) {
    // The controls as they are before the first one changes.
    const QObjectList children = form_.children();
    for (QObject* child : children) {
      Attempt([&] {
        auto* control = qobject_cast<QWidget*>(child);
        // Other top-level windows parented to this one are not its controls.
        if (control != nullptr && !control->isWindow() && qobject_cast<QRadioButton*>(control) == nullptr) {
          control->setEnabled(enabled);
        }
      });
    }
  }
  Attempt(HandleQueuedEvents);
}

}  // namespace lum
