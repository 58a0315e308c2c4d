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

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void endProgram();

  std::unique_ptr<Ui::frmMain> ui_;
  bool endRequested_ = false;
};

}  // namespace lum
