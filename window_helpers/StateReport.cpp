#include "window_helpers/StateReport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>

namespace lum {
namespace {

// Often enough to see the busy state of a copy that takes half a second.
constexpr int kReportIntervalMs = 20;

QString Escaped(QString text) {
  return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
      .replace(QLatin1Char('\t'), QLatin1String("\\t"))
      .replace(QLatin1Char('\n'), QLatin1String("\\n"))
      .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

// The text a control shows; a null string for a control that shows none.
QString ShownText(const QWidget& widget) {
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    const QPixmap picture = label->pixmap();
    if (label->text().isEmpty() && !picture.isNull()) {
      return QStringLiteral("[picture %1x%2]").arg(picture.width()).arg(picture.height());
    }
    return label->text();
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) return button->text();
  if (const auto* line = qobject_cast<const QLineEdit*>(&widget)) return line->text();
  if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&widget)) {
    // As typed: toPlainText() would turn no-break spaces into spaces.
    return plain->document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  }
  if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) return combo->currentText();
  return {};
}

QString Line(const QString& name, const QWidget& widget, const QString& text) {
  const QPoint topLeft = widget.mapToGlobal(QPoint(0, 0));
  return QStringLiteral("%1\t%2\t%3\t%4,%5,%6,%7\t%8\n")
      .arg(name, QString::fromLatin1(widget.metaObject()->className()))
      .arg(widget.isEnabled() ? 1 : 0)
      .arg(topLeft.x())
      .arg(topLeft.y())
      .arg(widget.width())
      .arg(widget.height())
      .arg(Escaped(text));
}

QString Snapshot() {
  QString report;
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    report += Line(QStringLiteral("window"), *window, window->windowTitle());
    for (const QWidget* control : window->findChildren<QWidget*>()) {
      const QString text = ShownText(*control);
      if (control->isVisible() && (!text.isNull() || !control->objectName().isEmpty())) {
        report += Line(control->objectName(), *control, text);
      }
    }
  }
  return report;
}

}  // namespace

void StartStateReport(QApplication& app) {
  const QString path = qEnvironmentVariable("LUM_BREVIX_STATE_REPORT");
  if (path.isEmpty()) return;
  auto* timer = new QTimer(&app);
  QObject::connect(timer, &QTimer::timeout, timer, [path, written = QString()]() mutable {
    const QString report = Snapshot();
    if (report == written) return;
    // Renamed into place, so that a reader never sees half a report.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(report.toUtf8()) >= 0 && file.commit()) {
      written = report;
    }
  });
  timer->start(kReportIntervalMs);
}

}  // namespace lum
