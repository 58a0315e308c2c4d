#pragma once

#include <QFileDialog>
#include <QWidget>
#include <memory>

namespace Ui {
class frmLUM_Servis;
}

namespace lum {

// The open-file chooser: Qt's file dialog that refuses a name whose folder
// does not exist (the file itself need not exist).
class OpenFileChooser : public QFileDialog {
  Q_OBJECT

 public:
  explicit OpenFileChooser(QWidget* parent);

 public slots:
  void accept() override;
};

// The hidden form that hosts the chooser `Dialog1` for one call of
// ShowOpenFileDialog. Never shown.
class frmLUM_Servis : public QWidget {
  Q_OBJECT

 public:
  frmLUM_Servis();
  ~frmLUM_Servis() override;

  OpenFileChooser& Dialog1() { return *dialog1_; }

 private:
  std::unique_ptr<Ui::frmLUM_Servis> ui_;
  OpenFileChooser* dialog1_;
};

}  // namespace lum
