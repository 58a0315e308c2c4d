#include "window_helpers/frmLUM_Servis.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>

#include "paths/Paths.h"
#include "ui_frmLUM_Servis.h"
#include "window_helpers/FileChooser.h"
#include "window_helpers/UiServices.h"

namespace lum {

OpenFileChooser::OpenFileChooser(QWidget* parent, UiServices& services) : QFileDialog(parent), services_(services) {
  setObjectName(QStringLiteral("Dialog1"));
  setAcceptMode(QFileDialog::AcceptOpen);
  setFileMode(QFileDialog::AnyFile);
}

void OpenFileChooser::accept() {
  const QStringList files = selectedFiles();
  if (!files.isEmpty()) {
    const QFileInfo chosen(files.first());
    if (!chosen.isDir() && !chosen.absoluteDir().exists()) {
      services_.messageBox(QStringLiteral("Složka %1 neexistuje.").arg(QDir::toNativeSeparators(chosen.absolutePath())),
                           MessageStyle::Plain);
      return;
    }
  }
  QFileDialog::accept();
}

void OpenFileChooser::setFilter(const QString& description, const QString& pattern) {
  SetCaselessFilter(*this, description, pattern);
  pattern_ = pattern;
}

NativePath OpenFileChooser::chosen() const {
  return chosenOther_ ? *chosenOther_ : NativePath::FromText(QDir::toNativeSeparators(selectedFiles().value(0)));
}

void OpenFileChooser::showEvent(QShowEvent* event) {
  auto* grid = qobject_cast<QGridLayout*>(layout());
  if (otherNames_ == nullptr && testOption(DontUseNativeDialog) && grid != nullptr) {
    otherNamesLabel_ = new QLabel(QStringLiteral("Soubory s názvem mimo UTF-8 (vyberte dvojklikem):"), this);
    otherNames_ = new QListWidget(this);
    otherNames_->setObjectName(QStringLiteral("otherNames"));
    otherNames_->setFixedHeight(otherNames_->fontMetrics().height() * 4);
    const int row = grid->rowCount();
    grid->addWidget(otherNamesLabel_, row, 0, 1, grid->columnCount());
    grid->addWidget(otherNames_, row + 1, 0, 1, grid->columnCount());
    connect(this, &QFileDialog::directoryEntered, this, &OpenFileChooser::listOtherNames);
    connect(otherNames_, &QListWidget::itemActivated, this, [this](const QListWidgetItem* item) { choose(*item); });
    listOtherNames(directory().absolutePath());
  }
  QFileDialog::showEvent(event);
}

void OpenFileChooser::listOtherNames(const QString& folder) {
  otherNames_->clear();
  const QRegularExpression matches(QRegularExpression::wildcardToRegularExpression(pattern_),
                                   QRegularExpression::CaseInsensitiveOption);
  std::string folderBytes = QDir::toNativeSeparators(folder).toStdString();
  if (!folderBytes.ends_with(kNativeSeparator)) folderBytes += kNativeSeparator;
  for (const std::string& name : NamesQtCannotList(folderBytes)) {
    const QString shown = ReadableName(name);
    if (!matches.match(shown).hasMatch()) continue;
    auto* item = new QListWidgetItem(shown, otherNames_);
    item->setData(Qt::UserRole, QByteArray::fromStdString(folderBytes + name));
  }
  otherNames_->sortItems();
  otherNamesLabel_->setVisible(otherNames_->count() > 0);
  otherNames_->setVisible(otherNames_->count() > 0);
}

void OpenFileChooser::choose(const QListWidgetItem& item) {
  chosenOther_ = NativePath::FromBytes(item.data(Qt::UserRole).toByteArray().toStdString());
  done(QDialog::Accepted);
}

frmLUM_Servis::frmLUM_Servis(UiServices& services) : ui_(std::make_unique<Ui::frmLUM_Servis>()) {
  ui_->setupUi(this);
  dialog1_ = new OpenFileChooser(this, services);
}

frmLUM_Servis::~frmLUM_Servis() = default;

}  // namespace lum
