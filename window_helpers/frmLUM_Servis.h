#pragma once

#include <QFileDialog>
#include <QWidget>
#include <memory>
#include <optional>

#include "window_helpers/NativePath.h"

class QLabel;
class QListWidget;
class QListWidgetItem;

namespace Ui {
class frmLUM_Servis;
}

namespace lum {

class UiServices;

// The open-file chooser: Qt's file dialog that refuses a name whose folder
// does not exist (the file itself need not exist). Where it is Qt's own
// dialog, which leaves out names that are not UTF-8, a list below shows the
// matching files of such names in the folder, readably, and a double click
// there chooses one.
class OpenFileChooser : public QFileDialog {
  Q_OBJECT

 public:
  // `services` shows the refusal of a name whose folder does not exist.
  OpenFileChooser(QWidget* parent, UiServices& services);

  // One filter entry `description` for `pattern`, matched without regard to case.
  void setFilter(const QString& description, const QString& pattern);
  // The chosen file, after the chooser was accepted.
  NativePath chosen() const;

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void listOtherNames(const QString& folder);
  void choose(const QListWidgetItem& item);

  UiServices& services_;
  QString pattern_;
  QLabel* otherNamesLabel_ = nullptr;
  QListWidget* otherNames_ = nullptr;
  std::optional<NativePath> chosenOther_;
};

// The hidden form that hosts the chooser `Dialog1` for one call of
// ShowOpenFileDialog. Never shown.
class frmLUM_Servis : public QWidget {
  Q_OBJECT

 public:
  explicit frmLUM_Servis(UiServices& services);
  ~frmLUM_Servis() override;

  OpenFileChooser& Dialog1() { return *dialog1_; }

 private:
  std::unique_ptr<Ui::frmLUM_Servis> ui_;
  OpenFileChooser* dialog1_;
};

}  // namespace lum
