#pragma once

#include <QString>
#include <string>

class QFileDialog;

namespace lum {

// A message box's icon; either way it has one OK button.
enum class MessageStyle { Plain, Critical };

// What the window asks of the system that a test must answer in advance:
// the modal dialogs, the end of the program, and where the program lies.
// The window is given these at construction and hands them on to the
// helpers it calls; everything else it does with Qt directly.
class UiServices {
 public:
  virtual ~UiServices() = default;

  // A modal message box with `text`, the caption LUM_Brevix and one OK
  // button; returns when it is closed.
  virtual void messageBox(const QString& text, MessageStyle style) = 0;
  // Shows a prepared file chooser modally; true when the user chose a file
  // (read it from the chooser), false when the user cancelled.
  virtual bool showOpen(QFileDialog& chooser) = 0;
  // Ends the program's event loop with exit status 0.
  virtual void endProgram() = 0;
  // The folder that holds the program and the program's file name without
  // its extension; both throw lum::Failure where the platform cannot tell.
  virtual std::string programFolder() = 0;
  virtual std::string executableName() = 0;
};

// The real services, on Qt Widgets and the platform.
class QtUiServices : public UiServices {
 public:
  void messageBox(const QString& text, MessageStyle style) override;
  bool showOpen(QFileDialog& chooser) override;
  void endProgram() override;
  std::string programFolder() override;
  std::string executableName() override;
};

}  // namespace lum
