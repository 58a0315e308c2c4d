#include "window_helpers/FileChooser.h"

#include <QFileDialog>
#include <QString>

namespace lum {

void SetCaselessFilter(QFileDialog& chooser, const QString& description, const QString& pattern) {
#ifndef _WIN32
  // The desktop's own choosers (GTK, the portal) match names case-sensitively;
  // Qt's chooser, like the Windows one, does not.
  chooser.setOption(QFileDialog::DontUseNativeDialog);
#endif
  chooser.setOption(QFileDialog::HideNameFilterDetails);
  chooser.setNameFilter(description + QStringLiteral(" (") + pattern + QStringLiteral(")"));
}

}  // namespace lum
