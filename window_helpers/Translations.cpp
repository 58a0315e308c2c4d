#include "window_helpers/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace lum {

bool InstallCzechTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  // Beside the executable first (a deployed Windows program), then Qt's own folder.
  const QStringList folders = {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  for (const QString& folder : folders) {
    for (const char* catalogue : {"qtbase_cs", "qt_cs"}) {
      if (translator->load(QString::fromLatin1(catalogue), folder)) {
        QCoreApplication::installTranslator(translator);
        return true;
      }
    }
  }
  delete translator;
  return false;
}

}  // namespace lum
