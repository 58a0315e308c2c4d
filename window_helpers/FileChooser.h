#pragma once

class QFileDialog;
class QString;

namespace lum {

// Gives `chooser` one filter entry that reads `description` and lists the
// names matching the wildcard `pattern` without regard to case, on every
// platform (faktura.xml and FAKTURA.XML both match "*.XML").
void SetCaselessFilter(QFileDialog& chooser, const QString& description, const QString& pattern);

}  // namespace lum
