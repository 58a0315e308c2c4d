#pragma once

#include <string>

class QWidget;

namespace lum {

class UiServices;

// The busy switch of one window, and the settings file's path it keeps.
class BusySwitch {
 public:
  BusySwitch(QWidget& form, UiServices& services) : form_(form), services_(services) {}

  // Switches the window between busy (enabled false: hourglass, controls
  // disabled) and ready (enabled true: default pointer, controls enabled).
  // The pointer always changes; the controls are left alone when the
  // settings file holds a non-empty DISABLE in section LUM. Option buttons
  // are never touched. Queued events are handled before and after. Never
  // fails: a step that fails is skipped.
  void EnableForm(bool enabled);

 private:
  QWidget& form_;
  UiServices& services_;
  // The settings file's path: empty until a switch forms it from the
  // program's folder and name, then kept for the window's life, so that one
  // file is asked about for the whole run. The file itself is read anew on
  // every switch.
  std::string settingsPath_;
};

}  // namespace lum
