#include "main_window/frmMain.h"

#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <exception>

#include "paths/Paths.h"
#include "platform/Program.h"
#include "platform/Version.h"
#include "reformat/ReformatFile.h"
#include "ui_frmMain.h"
#include "window_helpers/OpenFileDialog.h"

// The resources are compiled into a static library; this pulls them in.
static void InitResources() { Q_INIT_RESOURCE(main_window); }

namespace lum {
namespace {

// The local file of the first dropped item, or an empty path when it is not
// a local file. A name that is not UTF-8 stays percent-encoded in the
// address, where its bytes survive; toLocalFile() would not keep them.
NativePath DroppedLocalFile(const QMimeData* data) {
  if (data == nullptr || data->urls().isEmpty()) return {};
  const QUrl first = data->urls().first();
  if (!first.isLocalFile() || QFileInfo(first.toLocalFile()).isDir()) return {};
  const QByteArray bytes = QByteArray::fromPercentEncoding(first.path(QUrl::FullyEncoded).toLatin1());
  if (first.host().isEmpty() && QString::fromUtf8(bytes).toUtf8() != bytes) {
    return NativePath::FromBytes(bytes.toStdString());
  }
  return NativePath::FromText(QDir::toNativeSeparators(first.toLocalFile()));
}

// `path` made absolute against the current folder, otherwise as given.
NativePath AbsolutePath(const std::string& path) {
  if (QDir::isAbsolutePath(QString::fromStdString(path))) return NativePath::FromBytes(path);
  return NativePath::FromBytes(JoinPath(CurrentFolder(), path, kNativePathStyle));
}

}  // namespace

frmMain::frmMain(UiServices& services, ReformatJob job, QWidget* parent)
    : QWidget(parent), services_(services), ui_(std::make_unique<Ui::frmMain>()) {
  InitResources();
  ui_->setupUi(this);
  if (!job) {
    job = [](const std::string& source, const std::string& target, CopyObserver& observer) {
      return ReformatFile(source, target, observer);
    };
  }
  pathField_ = std::make_unique<PathField>(*ui_->Text1);
  reformat_ = std::make_unique<ReformatCommand>(*this, *pathField_, *ui_->txtPozice, std::move(job), services);
  connect(reformat_.get(), &ReformatCommand::finished, this, &frmMain::runPressed);

  // A fixed dialog frame: no resizing, no minimize or maximize button.
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
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
  ui_->lblVerze->setText(QStringLiteral("%1.%2.%3").arg(version::kMajor).arg(version::kMinor).arg(version::kRevision));
  ui_->Text1->setFocus();
}

frmMain::~frmMain() = default;

void frmMain::openWith(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return;
  const std::string& file = arguments.front();
  if (arguments.size() > 1 || file.empty() || file.starts_with('-')) {
    services_.messageBox(QStringLiteral("Program se spouští bez argumentů, nebo s cestou k jednomu souboru:\n"
                                        "LUM_Brevix SOUBOR"),
                         MessageStyle::Critical);
    return;
  }
  pathField_->set(AbsolutePath(file));
  ui_->Command2->setFocus();
}

void frmMain::closeEvent(QCloseEvent* event) {
  event->accept();
  endProgram();
}

// "Vyber": the chosen file replaces the path field; a cancel leaves it.
void frmMain::Command1_Click() {
  if (reformat_->busy()) return pressDuringRun(&frmMain::Command1_Click);
  // An exception must not leave a Qt slot: where the program's folder cannot
  // be told, it counts as one the user may not write to.
  QString programFolder;
  try {
    programFolder = QString::fromStdString(services_.programFolder());
  } catch (const std::exception&) {
  }
  // An installed program's folder (/usr/bin) holds none of the user's files:
  // where the user may not write to it, the chooser opens in the folder of
  // the path in the field, or else in the home folder.
  if (!QFileInfo(programFolder).isWritable()) {
    const QFileInfo field(ui_->Text1->toPlainText());
    programFolder =
        !field.filePath().isEmpty() && field.absoluteDir().exists() ? field.absolutePath() : QDir::homePath();
  }
  const NativePath path =
      ShowOpenFileDialog(services_, QStringLiteral("XML soubor"), programFolder, QStringLiteral("XML"),
                         QStringLiteral("*.XML"), false, QStringLiteral("Soubor"));
  if (!path.bytes.empty()) pathField_->set(path);
}

// "Zpracuj": the path field's file, reformatted beside it.
void frmMain::Command2_Click() {
  if (reformat_->busy()) return pressDuringRun(&frmMain::Command2_Click);
  reformat_->run();
}

void frmMain::pressDuringRun(void (frmMain::*command)()) {
  if (pressed_.empty() || pressed_.back() != command) pressed_.push_back(command);
}

void frmMain::runPressed() {
  while (!pressed_.empty() && !reformat_->busy()) {
    const auto command = pressed_.front();
    pressed_.erase(pressed_.begin());
    (this->*command)();
  }
}

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
  const NativePath path = busy() ? NativePath() : DroppedLocalFile(drop->mimeData());
  if (path.bytes.empty()) {
    drop->ignore();
    return true;
  }
  if (type == QEvent::Drop) pathField_->set(path);
  drop->acceptProposedAction();
  return true;
}

// A running copy is stopped first, its temporary file gone, so that the
// program ends with nothing left behind.
void frmMain::endProgram() {
  pressed_.clear();
  reformat_->stop();
  services_.endProgram();
}

}  // namespace lum
