#pragma once

#include <QFileDialog>
#include <QList>
#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "main_window/frmMain.h"
#include "platform/qt/UiServices.h"

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace lum::test {

// The real window services with the modal dialogs answered in advance: a
// message box is recorded (and `onMessageBox` runs), and the file chooser is
// recorded and answered with `nextFileName` (nothing: the user cancels),
// instead of blocking the test. Ending the program is counted, not done, and
// `onDoEvents` runs at every pump. The program seems to lie in a fresh folder
// of its own, so that each test has its own settings file. Installed for its
// lifetime.
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

  // What the chooser and its host form looked like when it was shown.
  struct Chooser {
    QString title;
    QString filterShown;
    QStringList nameFilters;
    QString directory;
    QString defaultSuffix;
    QString nameField;
    QFileDialog::FileMode fileMode;
    QFileDialog::Options options;
    QString hostName;
    QString hostTitle;
    QSize hostSize;
    bool hostVisible;
  };

  void messageBox(const QString& text, int style) override;
  bool showOpen(QFileDialog& chooser) override;
  void doEvents() override;
  void endProgram() override;
  std::string programFolder() override;
  std::string executableName() override;

  // The settings file the program reads while these services serve.
  std::string settingsPath() const;
  void writeSettings(const std::string& content) const;
  void removeSettings() const;

  QList<Box> boxes;
  std::function<void(const Box&)> onMessageBox;
  QList<Chooser> choosers;
  std::optional<QString> nextFileName;
  std::function<void()> afterChoice;  // runs once the answer is in the chooser
  std::function<void()> onDoEvents;
  int endRequests = 0;
  bool programFolderFails = false;  // the platform cannot tell the program's folder

 private:
  std::string folder() const;
  QTemporaryDir programFolder_;
};

}  // namespace lum::test

class QWidget;

namespace lum::test {

// A job for the window's "Zpracuj" that runs ReformatFile. After
// holdNextRun() it holds the worker still after the first buffer of the
// source until the test lets it go on (or the window cancels the copy), so
// that a test can act while a copy runs. A held copy goes on by itself after
// 10 s, so that no test blocks.
class HeldJob {
 public:
  ReformatJob job();
  void holdNextRun();
  // Handles the window's events until the worker holds; false after 10 s.
  bool waitUntilHeld();
  void release();

 private:
  class Observer;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool armed_ = false;
  bool held_ = false;
  bool released_ = false;
};

// Handles the window's events until `done` holds; false when it still does
// not after 10 s.
bool HandleEventsUntil(const std::function<bool()>& done);

// Handles the window's events until `window` is no longer busy; false after
// 10 s.
bool WaitUntilIdle(const frmMain& window);

// Runs `answer` on the next modal window as soon as it shows (polling the
// event loop), so that a test can inspect and close a real modal dialog.
// Gives up after a few seconds and closes whatever is modal then, so that a
// test never blocks.
void AnswerNextModal(std::function<void(QWidget* modal)> answer);

}  // namespace lum::test
