#pragma once

class QLineEdit;
class QPlainTextEdit;

namespace lum {

class frmMain;

// "Zpracuj": writes the path field's file again beside it as
// <name>_LUM.XML with CR LF after every ">", counting the bytes still to be
// read down in the progress field, and reports the outcome in a message box.
// A click that arrives while a run is in progress is ignored. "Konec" or
// closing the window stops a run at its next pump, leaving no target.
void RunReformatCommand(frmMain& form, const QPlainTextEdit& pathField, QLineEdit& progressField);

}  // namespace lum
