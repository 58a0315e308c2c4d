#pragma once

#include <QString>
#include <string>

#include "window_helpers/NativePath.h"

class QPlainTextEdit;

namespace lum {

// The path field `Text1` and the file it names. A path that the program put
// there (from the command line, the chooser or a drop) keeps its bytes for as
// long as the field shows its text, so that a name that is not UTF-8 reaches
// the copy whole; a path typed by hand names the file of its UTF-8.
class PathField {
 public:
  explicit PathField(QPlainTextEdit& field) : field_(field) {}

  // Shows `path` and keeps its bytes.
  void set(const NativePath& path);
  // The file the field names now, as bytes for the core.
  std::string path() const;
  bool isEmpty() const { return text().isEmpty(); }

 private:
  // The field's text exactly as it was set or typed.
  QString text() const;

  QPlainTextEdit& field_;
  NativePath set_;
};

}  // namespace lum
