#include <QApplication>

#include "main_window/frmMain.h"
#include "platform/CommandLine.h"
#include "platform/Program.h"
#include "window_helpers/StateReport.h"
#include "window_helpers/Translations.h"

int main(int argc, char* argv[]) {
  lum::IgnoreFileSizeLimitSignal();
  // Qt would take options such as -style or -qwindowtitle from the arguments
  // it is given and change the window by them. It gets the program's name
  // alone; the window takes the rest.
  int qtArgumentCount = 1;
  QApplication app(qtArgumentCount, argv);
  QApplication::setApplicationName(QStringLiteral("LUM_Brevix"));
  lum::InstallCzechTranslations(app);
  lum::StartStateReport(app);

  lum::QtUiServices services;
  lum::frmMain window(services);
  window.show();
  window.openWith(lum::CommandLineArguments(argc, argv));
  return QApplication::exec();
}
