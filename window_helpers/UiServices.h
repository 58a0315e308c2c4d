#pragma once

#include <QList>
#include <QString>
#include <string>

class QFileDialog;
class QObject;
class QWidget;

namespace lum {

// Message box styles: no icon, or the critical-error icon. Both have one OK button.
inline constexpr int kStylePlain = 0;
inline constexpr int kStyleCritical = 16;

// Window mouse pointers.
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerHourglass = 11;

// The caption of every message box.
inline constexpr char kAppTitle[] = "LUM_Brevix";

// What the window code needs of the window system. The window code reaches it
// only through Ui(), so that a test can install a substitute that answers
// modal dialogs in advance instead of blocking.
class UiServices {
 public:
  virtual ~UiServices() = default;

  // A modal message box with `text`, style kStylePlain or kStyleCritical,
  // the caption kAppTitle and one OK button; returns when it is closed.
  virtual void messageBox(const QString& text, int style) = 0;
  // Handles the queued window events once (paint, clicks, typing), then returns.
  virtual void doEvents() = 0;
  // The pointer shown over `window`: kPointerDefault or kPointerHourglass.
  virtual void setMousePointer(QWidget& window, int pointer) = 0;
  // Removes every application-wide pointer override.
  virtual void resetOverridePointer() = 0;
  // The window's controls: its direct child widgets and timers.
  virtual QList<QObject*> controls(QWidget& window) = 0;
  // Whether a control is a timer or an option (radio) button.
  virtual bool isTimerOrOptionButton(const QObject& control) = 0;
  // Enables or disables a control; throws lum::Failure (438) for a control
  // that has no enabled state.
  virtual void setEnabled(QObject& control, bool enabled) = 0;
  // Ends the program's event loop with exit status 0.
  virtual void endProgram() = 0;
  // The folder that holds the program (ProgramFolder()) and the program's
  // file name without its extension (ExecutableName()); both throw
  // lum::Failure where the platform cannot tell.
  virtual std::string programFolder() = 0;
  virtual std::string executableName() = 0;

  // The settings file's path: empty until the first busy switch forms it
  // from the two above, then kept for as long as these services serve, which
  // for the real ones is the whole process.
  std::string& IniFilePath() { return iniFilePath_; }
  // Shows a prepared file chooser modally; true when the user chose a file
  // (read it from chooser.selectedFiles()), false when the user cancelled.
  virtual bool showOpen(QFileDialog& chooser) = 0;

 private:
  std::string iniFilePath_;
};

// The real services, on Qt Widgets.
class QtUiServices : public UiServices {
 public:
  void messageBox(const QString& text, int style) override;
  void doEvents() override;
  void setMousePointer(QWidget& window, int pointer) override;
  void resetOverridePointer() override;
  QList<QObject*> controls(QWidget& window) override;
  bool isTimerOrOptionButton(const QObject& control) override;
  void setEnabled(QObject& control, bool enabled) override;
  void endProgram() override;
  std::string programFolder() override;
  std::string executableName() override;
  bool showOpen(QFileDialog& chooser) override;
};

// The services in use: the real ones unless SetUi installed others.
UiServices& Ui();
// Installs `services` (not owned); nullptr brings back the real ones.
void SetUi(UiServices* services);

}  // namespace lum
