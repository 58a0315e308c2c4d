#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "main_window/PathField.h"
#include "main_window/ReformatCommand.h"
#include "window_helpers/UiServices.h"

namespace Ui {
class frmMain;
}

namespace lum {

// The program's one window: the path field, "Vyber", "Zpracuj", "Konec",
// the progress field, the version label and the picture.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  // `services` shows the dialogs and ends the program: the real
  // QtUiServices, or a test's substitute that answers them in advance. `job`
  // is what "Zpracuj" runs: ReformatFile, unless a test gives another.
  // `services` must outlive the window.
  explicit frmMain(UiServices& services, ReformatJob job = {}, QWidget* parent = nullptr);
  ~frmMain() override;

  // The program's command-line arguments as bytes, without its name. One
  // file's path ("LUM_Brevix SOUBOR", as "Open with" or "Send to" start it)
  // goes into the path field, made absolute, with the focus on "Zpracuj";
  // nothing is processed until it is pressed. Anything else is refused with a
  // message that names the one form that works, and the window stays empty.
  void openWith(const std::vector<std::string>& arguments);

  // Busy while a file is processed and until the presses of "Vyber" and
  // "Zpracuj" made meanwhile have run; dropped files are refused then.
  bool busy() const { return reformat_->busy() || !pressed_.empty(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Command1_Click();
  void Command2_Click();
  // A press of "Vyber" or "Zpracuj" while a file is processed waits for the
  // end of that run (its message closed) and then runs, in the order of the
  // presses; a press repeated while it waits counts once.
  void pressDuringRun(void (frmMain::*command)());
  void runPressed();
  void endProgram();
  // Accepts a dragged local file anywhere on the window; true when handled.
  bool handleDrag(QEvent* event);

  UiServices& services_;
  std::unique_ptr<Ui::frmMain> ui_;
  std::unique_ptr<PathField> pathField_;
  std::unique_ptr<ReformatCommand> reformat_;
  std::vector<void (frmMain::*)()> pressed_;
};

}  // namespace lum
