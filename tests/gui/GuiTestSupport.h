#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <string>

#include "platform/qt/UiServices.h"

namespace lum::test {

// The real window services with the message box answered in advance: a box
// is recorded (and `onMessageBox` runs) instead of blocking the test.
// Installed for its lifetime.
class ScriptedUi : public QtUiServices {
 public:
  struct Box {
    QString text;
    int style;
  };

  ScriptedUi();
  ~ScriptedUi() override;
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  void messageBox(const QString& text, int style) override;

  QList<Box> boxes;
  std::function<void(const Box&)> onMessageBox;
};

// The settings file that the program reads while it runs as this test
// executable (beside it, named after it). Removed when the guard ends.
class SettingsFile {
 public:
  SettingsFile();
  ~SettingsFile();
  SettingsFile(const SettingsFile&) = delete;
  SettingsFile& operator=(const SettingsFile&) = delete;

  void write(const std::string& content) const;
  void remove() const;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace lum::test

class QWidget;

namespace lum::test {

// Runs `answer` on the next modal window as soon as it shows (polling the
// event loop), so that a test can inspect and close a real modal dialog.
// Gives up after a few seconds and closes whatever is modal then, so that a
// test never blocks.
void AnswerNextModal(std::function<void(QWidget* modal)> answer);

}  // namespace lum::test
