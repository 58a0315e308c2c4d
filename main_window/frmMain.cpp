#include "main_window/frmMain.h"

#include <QCloseEvent>
#include <QPalette>
#include <QPushButton>

#include "platform/Version.h"
#include "platform/qt/UiServices.h"
#include "ui_frmMain.h"

// The resources are compiled into a static library; this pulls them in.
static void InitResources() { Q_INIT_RESOURCE(main_window); }

namespace lum {

frmMain::frmMain(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::frmMain>()) {
  InitResources();
  ui_->setupUi(this);

  // A fixed dialog frame: no resizing, no minimize or maximize button.
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(size());

  // The progress field sits on the button face, like the window itself.
  QPalette palette = ui_->txtPozice->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  ui_->txtPozice->setPalette(palette);

  // Enter presses a button only while that button has the focus; there is
  // no default button and Esc does nothing.
  for (QPushButton* button : {ui_->Command1, ui_->Command2, ui_->Command3}) {
    button->setAutoDefault(true);
    button->setDefault(false);
  }

  connect(ui_->Command3, &QPushButton::clicked, this, &frmMain::endProgram);

  // The load step: the version label reads major.minor.revision.
  ui_->lblVerze->setText(
      QStringLiteral("%1.%2.%3").arg(version::kMajor).arg(version::kMinor).arg(version::kRevision));
  ui_->Text1->setFocus();
}

frmMain::~frmMain() = default;

void frmMain::closeEvent(QCloseEvent* event) {
  event->accept();
  endProgram();
}

void frmMain::endProgram() {
  endRequested_ = true;
  Ui().endProgram();
}

}  // namespace lum
