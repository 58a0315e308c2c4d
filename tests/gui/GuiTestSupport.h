#pragma once

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <atomic>
#include <optional>
#include <vector>

#include "main_window/frmMain.h"
#include "platform/Failure.h"
#include "platform/qt/UiServices.h"
#include "reformat/ReformatFile.h"
#include "tests/support/Files.h"

inline std::ostream& operator<<(std::ostream& os, const QString& text) { return os << text.toStdString(); }

namespace lum::test {

// Message boxes as shown: the text in UTF-8 and the style.
using Boxes = std::vector<std::pair<std::string, int>>;

// The real window services with the modal dialogs answered in advance: boxes
// are recorded, and the chooser records the folder it opens in and picks
// `nextFileName` (nothing: the user cancels), or runs as it is. Ending the
// program does nothing, so that a test goes on after "Konec". The program seems to lie in
// `programFolderIs` (nothing: its folder cannot be told), at first `folder`,
// where its settings file goes. Installed for its lifetime.
struct ScriptedUi : QtUiServices {
  ScriptedUi() { SetUi(this); }
  ~ScriptedUi() override { SetUi(nullptr); }
  void messageBox(const QString& text, int style) override { boxes.emplace_back(text.toStdString(), style); }
  bool showOpen(QFileDialog& chooser) override {
    if (realChooser) return QtUiServices::showOpen(chooser);
    chooserFolders << QDir::toNativeSeparators(chooser.directory().absolutePath());
    if (nextFileName) chooser.selectFile(*nextFileName);
    return nextFileName.has_value();
  }
  void endProgram() override {}
  std::string programFolder() override {
    return programFolderIs ? *programFolderIs : throw Failure(err::kPathFileAccess, "ProgramFolder");
  }
  std::string executableName() override { return "LUM_Brevix"; }

  TempFolder folder;
  std::optional<std::string> programFolderIs = folder.path("");
  std::optional<QString> nextFileName;
  bool realChooser = false;  // the chooser runs modal, for the test to answer
  Boxes boxes;
  QStringList chooserFolders;
};

// A "Zpracuj" job that runs ReformatFile once `released` is set, the window
// cancels or 10 s have passed, so that a test can act while a copy runs.
inline ReformatJob HeldUntil(const std::atomic<bool>& released) {
  return [&released](const std::string& source, const std::string& target, CopyObserver& observer) {
    for (int i = 0; i < 2000 && !released && !observer.cancelled(); ++i) QThread::msleep(5);
    return ReformatFile(source, target, observer);
  };
}

inline QPlainTextEdit* Text1(const QWidget& window) { return window.findChild<QPlainTextEdit*>("Text1"); }
inline void Click(const QWidget& window, const char* name) { window.findChild<QPushButton*>(name)->click(); }
inline bool WaitUntilIdle(const frmMain& window) { return QTest::qWaitFor([&window] { return !window.busy(); }); }
inline const auto kRowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace lum::test
