#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class frmMain;
}

namespace lum {

// The program's one window: the path field, "Vyber", "Zpracuj", "Konec",
// the progress field, the version label and the picture.
class frmMain : public QWidget {
  Q_OBJECT

 public:
  explicit frmMain(QWidget* parent = nullptr);
  ~frmMain() override;

  // True once "Konec" was pressed or the window was closed: a running
  // command stops at its next chance and the program ends.
  bool endRequested() const { return endRequested_; }

  // While busy (a file is being processed) dropped files are refused.
  bool busy() const { return busy_; }
  void setBusy(bool busy) { busy_ = busy; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Command1_Click();
  void Command2_Click();
  void endProgram();
  // Accepts a dragged local file anywhere on the window; true when handled.
  bool handleDrag(QEvent* event);

  std::unique_ptr<Ui::frmMain> ui_;
  bool endRequested_ = false;
  bool busy_ = false;
};

}  // namespace lum
