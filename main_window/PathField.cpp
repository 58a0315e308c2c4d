#include "main_window/PathField.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace lum {

void PathField::set(const NativePath& path) {
  field_.setPlainText(path.shown);
  set_ = path;
}

std::string PathField::path() const {
  const QString shown = text();
  return shown == set_.shown ? set_.bytes : shown.toStdString();
}

// toPlainText() would turn a no-break space into a plain one and a line
// separator (U+2028) into a line feed, and so name another file. The document
// keeps a typed line break as a paragraph separator, which goes back to the
// line feed it was.
QString PathField::text() const {
  return field_.document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

}  // namespace lum
