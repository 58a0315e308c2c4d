#include "main_window/frmMain.h"

#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <exception>

#include "platform/Version.h"
#include "platform/qt/UiServices.h"
#include "reformat/ReformatFile.h"
#include "shared/OpenFileDialog.h"
#include "ui_frmMain.h"

// The resources are compiled into a static library; this pulls them in.
static void InitResources() { Q_INIT_RESOURCE(main_window); }

namespace lum {
namespace {

// The plain local path of the first dropped item, or the empty text when it
// is not a local file.
QString DroppedLocalFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl first = data->urls().first();
  if (!first.isLocalFile() || QFileInfo(first.toLocalFile()).isDir()) return {};
  return QDir::toNativeSeparators(first.toLocalFile());
}

// `path` made absolute against the current folder, otherwise as given.
QString AbsolutePath(const QString& path) {
  if (QDir::isAbsolutePath(path)) return path;
  QString folder = QDir::toNativeSeparators(QDir::currentPath());
  if (!folder.endsWith(QDir::separator())) folder += QDir::separator();
  return folder + path;
}

}  // namespace

frmMain::frmMain(ReformatJob job, QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::frmMain>()) {
  InitResources();
  ui_->setupUi(this);
  if (!job) {
    job = [](const std::string& source, const std::string& target, CopyObserver& observer) {
      return ReformatFile(source, target, observer);
    };
  }
  reformat_ = std::make_unique<ReformatCommand>(*this, *ui_->Text1, *ui_->txtPozice, std::move(job));

  // A fixed dialog frame: no resizing, no minimize or maximize button.
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                 Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(size());

  // The progress field sits on the button face, like the window itself.
  QPalette palette = ui_->txtPozice->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Button));
  ui_->txtPozice->setPalette(palette);

  // Enter presses a button only while that button has the focus; there is
  // no default button and Esc does nothing.
  for (QPushButton* button : {ui_->Command1, ui_->Command2, ui_->Command3}) {
    button->setAutoDefault(true);
    button->setDefault(false);
  }

  connect(ui_->Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
  connect(ui_->Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
  connect(ui_->Command3, &QPushButton::clicked, this, &frmMain::endProgram);

  // A file dropped onto the window or the path field lands in the path field.
  setAcceptDrops(true);
  ui_->Text1->viewport()->installEventFilter(this);

  // The load step: the version label reads major.minor.revision.
  ui_->lblVerze->setText(
      QStringLiteral("%1.%2.%3").arg(version::kMajor).arg(version::kMinor).arg(version::kRevision));
  ui_->Text1->setFocus();
}

frmMain::~frmMain() = default;

void frmMain::openWith(const QStringList& arguments) {
  if (arguments.isEmpty()) return;
  const QString& file = arguments.front();
  if (arguments.size() > 1 || file.isEmpty() || file.startsWith(QLatin1Char('-'))) {
    Ui().messageBox(QStringLiteral("Program se spouští bez argumentů, nebo s cestou k jednomu souboru:\n"
                                   "LUM_Brevix SOUBOR"),
                    kStyleCritical);
    return;
  }
  ui_->Text1->setPlainText(AbsolutePath(file));
  ui_->Command2->setFocus();
}

void frmMain::closeEvent(QCloseEvent* event) {
  event->accept();
  endProgram();
}

// "Vyber": the chosen file replaces the path field; a cancel leaves it.
void frmMain::Command1_Click() {
  // An exception must not leave a Qt slot: where the program's folder cannot
  // be told, it counts as one the user may not write to.
  QString programFolder;
  try {
    programFolder = QString::fromStdString(Ui().programFolder());
  } catch (const std::exception&) {
  }
  // An installed program's folder (/usr/bin) holds none of the user's files:
  // where the user may not write to it, the chooser opens in the folder of
  // the path in the field, or else in the home folder.
  if (!QFileInfo(programFolder).isWritable()) {
    const QFileInfo field(ui_->Text1->toPlainText());
    programFolder = !field.filePath().isEmpty() && field.absoluteDir().exists() ? field.absolutePath() : QDir::homePath();
  }
  const QString path = ShowOpenFileDialog(QStringLiteral("XML soubor"), programFolder, QStringLiteral("XML"),
                                          QStringLiteral("*.XML"), false, QStringLiteral("Soubor"));
  if (!path.isEmpty()) ui_->Text1->setPlainText(path);
}

// "Zpracuj": the path field's file, reformatted beside it.
void frmMain::Command2_Click() { reformat_->run(); }

void frmMain::dragEnterEvent(QDragEnterEvent* event) { handleDrag(event); }

void frmMain::dragMoveEvent(QDragMoveEvent* event) { handleDrag(event); }

void frmMain::dropEvent(QDropEvent* event) { handleDrag(event); }

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->Text1->viewport() && handleDrag(event)) return true;
  return QWidget::eventFilter(watched, event);
}

bool frmMain::handleDrag(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QString path = busy() ? QString() : DroppedLocalFile(drop->mimeData());
  if (path.isEmpty()) {
    drop->ignore();
    return true;
  }
  if (type == QEvent::Drop) ui_->Text1->setPlainText(path);
  drop->acceptProposedAction();
  return true;
}

// A running copy is stopped first, its temporary file gone, so that the
// program ends with nothing left behind.
void frmMain::endProgram() {
  reformat_->stop();
  Ui().endProgram();
}

}  // namespace lum
