#pragma once

class QApplication;

namespace lum {

// When the environment variable LUM_BREVIX_STATE_REPORT names a file, keeps
// in it what the program's windows show, rewritten whole whenever it changes.
// For each visible window a line "window<TAB>class<TAB>enabled 0/1<TAB>
// x,y,width,height on screen<TAB>title", then a line of the same form for
// each of its visible controls that has a name or shows a text, the name
// first and the text last ("[picture WxH]" for a label that shows a picture).
// Backslash, tab and line breaks in texts are escaped as \\ \t \n \r.
// Tests that drive the real program from outside (under Wine, where no
// accessibility interface reaches Qt's widgets) read the controls from it.
// Does nothing when the variable is unset or empty.
void StartStateReport(QApplication& app);

}  // namespace lum
