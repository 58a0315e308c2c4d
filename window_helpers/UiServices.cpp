#include "window_helpers/UiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/Program.h"

namespace lum {

void QtUiServices::messageBox(const QString& text, MessageStyle style) {
  const QMessageBox::Icon icon = style == MessageStyle::Critical ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(icon, QStringLiteral("LUM_Brevix"), text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

bool QtUiServices::showOpen(QFileDialog& chooser) { return chooser.exec() == QDialog::Accepted; }

void QtUiServices::endProgram() { QCoreApplication::exit(0); }

std::string QtUiServices::programFolder() { return ProgramFolder(); }

std::string QtUiServices::executableName() { return ExecutableName(); }

}  // namespace lum
