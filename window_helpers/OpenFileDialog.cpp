#include "window_helpers/OpenFileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <memory>

#include "failure/Failure.h"
#include "platform/DirectoryListing.h"
#include "platform/QueryDir.h"
#include "window_helpers/UiServices.h"
#include "window_helpers/frmLUM_Servis.h"

namespace lum {

NativePath ShowOpenFileDialog(UiServices& services, const QString& title, const QString& initialFolder,
                              const QString& defaultExt, const QString& pattern, bool keepCurrentFolder,
                              const QString& description) {
  NativePath result;
  // The host form lives for this call only; it goes on every path.
  const auto host = std::make_unique<frmLUM_Servis>(services);
  try {
    OpenFileChooser& chooser = host->Dialog1();
    chooser.setDefaultSuffix(defaultExt);
    chooser.setWindowTitle(title);
    chooser.setFilter(description, pattern);
    if (!initialFolder.isEmpty() && !QueryDir(initialFolder.toStdString(), kAttrDirectory).empty()) {
      // A file given as the folder opens the chooser in the file's folder.
      const QFileInfo initial(initialFolder);
      chooser.setDirectory(initial.isDir() ? initial.absoluteFilePath() : initial.absolutePath());
    }
    if (!services.showOpen(chooser)) {
      // A cancel is no failure: no message, the empty path, and no pointer
      // override left from before.
      while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
      return result;
    }
    result = chooser.chosen();
    if (!keepCurrentFolder && !SetCurrentFolderToThatOf(result.bytes)) {
      throw Failure(err::kPathNotFound, "ShowOpenFileDialog");
    }
  } catch (...) {
    services.messageBox(QString::fromStdString(ErrorBoxText(CaughtFailure("ShowOpenFileDialog"))),
                        MessageStyle::Critical);
  }
  return result;
}

}  // namespace lum
