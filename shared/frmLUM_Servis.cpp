#include "shared/frmLUM_Servis.h"

#include <QFileInfo>

#include "platform/qt/UiServices.h"
#include "ui_frmLUM_Servis.h"

namespace lum {

OpenFileChooser::OpenFileChooser(QWidget* parent) : QFileDialog(parent) {
  setObjectName(QStringLiteral("Dialog1"));
  setAcceptMode(QFileDialog::AcceptOpen);
  setFileMode(QFileDialog::AnyFile);
}

void OpenFileChooser::accept() {
  const QStringList files = selectedFiles();
  if (!files.isEmpty()) {
    const QFileInfo chosen(files.first());
    if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
      Ui().messageBox(QStringLiteral("Složka %1 neexistuje.").arg(QDir::toNativeSeparators(chosen.absolutePath())),
                      kStylePlain);
      return;
    }
  }
  QFileDialog::accept();
}

frmLUM_Servis::frmLUM_Servis() : ui_(std::make_unique<Ui::frmLUM_Servis>()) {
  ui_->setupUi(this);
  dialog1_ = new OpenFileChooser(this);
}

frmLUM_Servis::~frmLUM_Servis() = default;

}  // namespace lum
