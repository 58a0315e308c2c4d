#include "platform/qt/FileChooser.h"

#include <QFileDialog>
#include <QString>

namespace lum {

#ifdef _WIN32

// The Windows chooser matches names without regard to case by itself.
void SetCaselessFilter(QFileDialog& chooser, const QString& description, const QString& pattern) {
  chooser.setOption(QFileDialog::HideNameFilterDetails);
  chooser.setNameFilter(description + QStringLiteral(" (") + pattern + QStringLiteral(")"));
}

#else

namespace {

// "*.XML" becomes "*.[xX][mM][lL]": Qt matches names case-sensitively on
// case-sensitive file systems.
QString CaselessPattern(const QString& pattern) {
  QString caseless;
  for (const QChar c : pattern) {
    if (c.isLetter() && c.toLower() != c.toUpper()) {
      caseless += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
    } else {
      caseless += c;
    }
  }
  return caseless;
}

}  // namespace

// The desktop's own choosers (GTK, the portal) match case-sensitively, so the
// program uses Qt's chooser, with the details of the pattern hidden.
void SetCaselessFilter(QFileDialog& chooser, const QString& description, const QString& pattern) {
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setOption(QFileDialog::HideNameFilterDetails);
  chooser.setNameFilter(description + QStringLiteral(" (") + CaselessPattern(pattern) + QStringLiteral(")"));
}

#endif

}  // namespace lum
