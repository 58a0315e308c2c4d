#pragma once

#include <QDir>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <optional>
#include <thread>
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
// `nextFileName` (nothing: the user cancels). Ending the program is counted,
// not done. The program lies in `folder` (nothing: its folder cannot be told),
// where its settings file goes. Installed for its lifetime.
struct ScriptedUi : QtUiServices {
  ScriptedUi() { SetUi(this); }
  ~ScriptedUi() override { SetUi(nullptr); }
  void messageBox(const QString& text, int style) override { boxes.emplace_back(text.toStdString(), style); }
  bool showOpen(QFileDialog& chooser) override {
    chooserFolders << QDir::toNativeSeparators(chooser.directory().absolutePath());
    if (nextFileName) chooser.selectFile(*nextFileName);
    return nextFileName.has_value();
  }
  void endProgram() override { ++endRequests; }
  std::string programFolder() override {
    if (!programFolderIs) throw Failure(err::kPathFileAccess, "ProgramFolder");
    return *programFolderIs;
  }
  std::string executableName() override { return "LUM_Brevix"; }

  TempFolder folder;
  std::optional<std::string> programFolderIs = folder.path("");
  std::optional<QString> nextFileName;
  Boxes boxes;
  QStringList chooserFolders;
  int endRequests = 0;
};

// A "Zpracuj" job that holds the worker until `released`, a cancel from the
// window or 10 s, and then runs ReformatFile: a test acts while a copy runs.
struct HeldJob {
  ReformatJob job() {
    return [this](const std::string& source, const std::string& target, CopyObserver& observer) {
      held = true;
      for (int i = 0; i < 2000 && !released && !observer.cancelled(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      return ReformatFile(source, target, observer);
    };
  }
  std::atomic<bool> held{false};
  std::atomic<bool> released{false};
};

inline void SetPath(const QWidget& window, const std::string& utf8) {
  window.findChild<QPlainTextEdit*>("Text1")->setPlainText(QString::fromStdString(utf8));
}
inline void Click(const QWidget& window, const char* button) {
  QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
}
inline bool WaitUntilIdle(const frmMain& window) {
  return QTest::qWaitFor([&window] { return !window.busy(); });
}
inline const auto kRowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace lum::test
