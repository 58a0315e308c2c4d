#include "window_helpers/UiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include "failure/Failure.h"
#include "platform/Program.h"

namespace lum {
namespace {

UiServices* installed = nullptr;

}  // namespace

void QtUiServices::messageBox(const QString& text, int style) {
  const QMessageBox::Icon icon = style == kStyleCritical ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(icon, QString::fromLatin1(kAppTitle), text, QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtUiServices::doEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtUiServices::setMousePointer(QWidget& window, int pointer) {
  if (pointer == kPointerHourglass) {
    window.setCursor(Qt::WaitCursor);
  } else {
    window.unsetCursor();
  }
}

void QtUiServices::resetOverridePointer() {
  while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
}

QList<QObject*> QtUiServices::controls(QWidget& window) {
  QList<QObject*> found;
  for (QObject* child : window.children()) {
    const auto* widget = qobject_cast<QWidget*>(child);
    // Other top-level windows parented to this one are not its controls.
    if ((widget != nullptr && !widget->isWindow()) || qobject_cast<QTimer*>(child) != nullptr) {
      found.append(child);
    }
  }
  return found;
}

bool QtUiServices::isTimerOrOptionButton(const QObject& control) {
  return qobject_cast<const QTimer*>(&control) != nullptr || qobject_cast<const QRadioButton*>(&control) != nullptr;
}

void QtUiServices::setEnabled(QObject& control, bool enabled) {
  auto* widget = qobject_cast<QWidget*>(&control);
  if (widget == nullptr) throw Failure(err::kNoSuchProperty, "EnableForm");
  widget->setEnabled(enabled);
}

void QtUiServices::endProgram() { QCoreApplication::exit(0); }

std::string QtUiServices::programFolder() { return ProgramFolder(); }

std::string QtUiServices::executableName() { return ExecutableName(); }

bool QtUiServices::showOpen(QFileDialog& chooser) { return chooser.exec() == QDialog::Accepted; }

UiServices& Ui() {
  static QtUiServices real;
  return installed != nullptr ? *installed : real;
}

void SetUi(UiServices* services) { installed = services; }

}  // namespace lum
