#include <QApplication>

#include "main_window/frmMain.h"
#include "platform/qt/Translations.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("LUM_Brevix"));
  lum::InstallCzechTranslations(app);

  lum::frmMain window;
  window.show();
  return QApplication::exec();
}
