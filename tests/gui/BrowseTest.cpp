#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "GuiTestSupport.h"
#include "main_window/frmMain.h"
#include "platform/Program.h"
#include "shared/OpenFileDialog.h"
#include "shared/QueryDir.h"

namespace {

using lum::ShowOpenFileDialog;
using lum::test::ScriptedUi;

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

void Touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

bool HostFormExists() {
  for (const QWidget* widget : QApplication::allWidgets()) {
    if (widget->objectName() == "frmLUM_Servis") return true;
  }
  return false;
}

// Restores the process's current folder after a test that changes it.
class BrowseTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    Touch(folder_.filePath("faktura.xml"));
  }
  void TearDown() override { QDir::setCurrent(startFolder_); }

  QString ShowWithMainArguments(bool keepCurrentFolder = false, const QString& initial = {}) {
    return ShowOpenFileDialog("XML soubor", initial, "XML", "*.XML", keepCurrentFolder, "Soubor");
  }

  ScriptedUi ui_;
  QTemporaryDir folder_;
  QString startFolder_ = QDir::currentPath();
};

TEST_F(BrowseTest, VyberOpensTheChooserAsConfiguredAndFillsThePath) {
  lum::frmMain window;
  window.findChild<QPlainTextEdit*>("Text1")->setPlainText("ručně psaná cesta");
  ui_.nextFileName = folder_.filePath("faktura.xml");
  QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);

  ASSERT_EQ(ui_.choosers.size(), 1);
  const ScriptedUi::Chooser& seen = ui_.choosers.front();
  EXPECT_EQ(seen.title, "XML soubor");
  EXPECT_EQ(seen.filterShown, "Soubor");
  EXPECT_EQ(seen.nameFilters.size(), 1);
  EXPECT_EQ(seen.defaultSuffix, "XML");
  EXPECT_EQ(QDir::toNativeSeparators(seen.directory), QString::fromStdString(ui_.programFolder()));
  EXPECT_TRUE(seen.nameField.isEmpty());
  EXPECT_EQ(seen.fileMode, QFileDialog::AnyFile);
  EXPECT_EQ(seen.hostName, "frmLUM_Servis");
  EXPECT_EQ(seen.hostTitle, "Form1");
  EXPECT_EQ(seen.hostSize, QSize(312, 213));
  EXPECT_FALSE(seen.hostVisible);
#ifndef _WIN32
  EXPECT_TRUE(seen.options & QFileDialog::DontUseNativeDialog);
#endif
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("Text1")->toPlainText(), Native(folder_.filePath("faktura.xml")));
  EXPECT_TRUE(ui_.boxes.isEmpty());
  EXPECT_FALSE(HostFormExists());
}

// Where the platform cannot tell the program's folder, the chooser still
// opens, wherever it opens by itself.
TEST_F(BrowseTest, VyberWithoutTheProgramFolderStillChooses) {
  lum::frmMain window;
  ui_.programFolderFails = true;
  ui_.nextFileName = folder_.filePath("faktura.xml");
  QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
  EXPECT_EQ(ui_.choosers.size(), 1);
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("Text1")->toPlainText(), Native(folder_.filePath("faktura.xml")));
  EXPECT_TRUE(ui_.boxes.isEmpty());
}

TEST_F(BrowseTest, CancelKeepsATypedPathWithNoMessage) {
  lum::frmMain window;
  window.findChild<QPlainTextEdit*>("Text1")->setPlainText("C:\\ručně\\faktura.xml");
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
  EXPECT_EQ(ui_.choosers.size(), 1);
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("Text1")->toPlainText(), "C:\\ručně\\faktura.xml");
  EXPECT_TRUE(ui_.boxes.isEmpty());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(HostFormExists());

  // A later call opens the chooser again the same way.
  QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
  ASSERT_EQ(ui_.choosers.size(), 2);
  EXPECT_EQ(ui_.choosers[1].title, ui_.choosers[0].title);
}

TEST_F(BrowseTest, TypedNameWithoutExtensionGetsXml) {
  ui_.nextFileName = folder_.filePath("nova");
  EXPECT_EQ(ShowWithMainArguments(), Native(folder_.filePath("nova.XML")));
}

TEST_F(BrowseTest, InitialFolderAppliedOnlyWhenItExists) {
  QDir(folder_.path()).mkdir("data");
  const QString data = folder_.filePath("data");

  ShowWithMainArguments(false, data);
  ASSERT_EQ(ui_.choosers.size(), 1);
  EXPECT_EQ(ui_.choosers.back().directory, data);

  // A file where the folder should be: the chooser opens in the file's folder.
  ShowWithMainArguments(false, folder_.filePath("faktura.xml"));
  EXPECT_EQ(ui_.choosers.back().directory, folder_.path());

  // A missing folder or an empty text leave the chooser's own default.
  for (const QString& notApplied : {folder_.filePath("chybi"), QString()}) {
    ShowWithMainArguments(false, notApplied);
    EXPECT_NE(ui_.choosers.back().directory, notApplied);
    EXPECT_TRUE(QDir(ui_.choosers.back().directory).exists());
  }
  EXPECT_TRUE(ui_.boxes.isEmpty());
}

TEST_F(BrowseTest, CurrentFolderFollowsTheChoiceUnlessKept) {
  QDir(folder_.path()).mkdir("jinde");
  ui_.nextFileName = folder_.filePath("jinde/a.xml");
  ShowWithMainArguments(true);
  EXPECT_EQ(QDir::currentPath(), startFolder_);
  ShowWithMainArguments(false);
  EXPECT_EQ(QDir::currentPath(), QDir(folder_.filePath("jinde")).canonicalPath());
}

TEST_F(BrowseTest, FailureAfterTheChoiceShowsCriticalBoxAndKeepsThePath) {
  // The chosen file's folder vanishes before the current folder can follow it.
  QDir(folder_.path()).mkdir("zmizela");
  ui_.nextFileName = folder_.filePath("zmizela/a.xml");
  ui_.afterChoice = [&] { QDir(folder_.filePath("zmizela")).removeRecursively(); };
  const QString result = ShowWithMainArguments();
  ASSERT_EQ(ui_.boxes.size(), 1);
  EXPECT_TRUE(ui_.boxes.front().text.startsWith("76-")) << ui_.boxes.front().text.toStdString();
  EXPECT_EQ(ui_.boxes.front().style, lum::kStyleCritical);
  EXPECT_EQ(result, Native(folder_.filePath("zmizela/a.xml")));
  EXPECT_FALSE(HostFormExists());
}

// The real chooser, offscreen: shown modally, answered by typing or Esc.
class RealChooserTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    for (const char* name : {"faktura.xml", "FAKTURA2.XML", "Faktura3.Xml", "jiny.txt"}) Touch(folder_.filePath(name));
  }
  void TearDown() override { QDir::setCurrent(startFolder_); }

  QTemporaryDir folder_;
  QString startFolder_ = QDir::currentPath();
};

QStringList ListedNames(QFileDialog* chooser) {
  auto* list = chooser->findChild<QListView*>("listView");
  if (list == nullptr) return {};
  QAbstractItemModel* model = list->model();
  // The folder is read in the background: wait for its rows.
  if (!QTest::qWaitFor([&] { return model->rowCount(list->rootIndex()) >= 3; }, 5000)) return {};
  QStringList names;
  for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
    const QModelIndex index = model->index(row, 0, list->rootIndex());
    if ((model->flags(index) & Qt::ItemIsEnabled) != 0) names << index.data().toString();
  }
  names.sort();
  return names;
}

TEST_F(RealChooserTest, ListsXmlInAnyCaseAndAddsTheExtension) {
  QStringList listed;
  bool seen = false;
  lum::test::AnswerNextModal([&](QWidget* modal) {
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(chooser, nullptr);
    seen = true;
    EXPECT_EQ(chooser->windowTitle(), "XML soubor");
    EXPECT_EQ(chooser->findChild<QComboBox*>("fileTypeCombo")->currentText(), "Soubor");
    EXPECT_EQ(chooser->directory().absolutePath(), folder_.path());
    EXPECT_EQ(chooser->defaultSuffix(), "XML");
    listed = ListedNames(chooser);
    auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    QTest::keyClicks(name, "nova");
    QTest::keyClick(name, Qt::Key_Return);
  });
  const QString result = ShowOpenFileDialog("XML soubor", folder_.path(), "XML", "*.XML", false, "Soubor");
  EXPECT_TRUE(seen);
  EXPECT_EQ(listed, QStringList({"FAKTURA2.XML", "Faktura3.Xml", "faktura.xml"}));
  EXPECT_EQ(result, Native(folder_.filePath("nova.XML")));
}

TEST_F(RealChooserTest, EscapeCancels) {
  bool seen = false;
  lum::test::AnswerNextModal([&](QWidget* modal) {
    seen = true;
    QTest::keyClick(modal, Qt::Key_Escape);
  });
  EXPECT_TRUE(ShowOpenFileDialog("XML soubor", folder_.path(), "XML", "*.XML", false, "Soubor").isEmpty());
  EXPECT_TRUE(seen);
  EXPECT_FALSE(HostFormExists());
}

TEST(QueryDir, FindsFoldersAndFilesNeverFails) {
  QTemporaryDir folder;
  Touch(folder.filePath("a.xml"));
  EXPECT_EQ(lum::QueryDir(folder.path().toStdString(), 16), QDir(folder.path()).dirName().toStdString());
  EXPECT_EQ(lum::QueryDir(folder.filePath("a.xml").toStdString(), 16), "a.xml");
  EXPECT_EQ(lum::QueryDir(folder.path().toStdString(), 0), "") << "a folder needs the folder attribute";
  EXPECT_EQ(lum::QueryDir(folder.filePath("*.xml").toStdString(), 0), "a.xml");
  EXPECT_EQ(lum::QueryDir(folder.filePath("chybi").toStdString(), 16), "");
  EXPECT_EQ(lum::QueryDir("", 16), "");
  EXPECT_EQ(lum::QueryDir(std::string("\0bad", 4), 16), "");
}

// Files dropped from a file manager.
class DropTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    Touch(folder_.filePath("a.xml"));
    Touch(folder_.filePath("b.xml"));
    window_.show();
    text_->setPlainText("puvodni");
  }

  // Drags `urls` over `target` and drops them; returns whether the drop was accepted.
  bool Drop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }

  QUrl Local(const char* name) { return QUrl::fromLocalFile(folder_.filePath(name)); }

  QTemporaryDir folder_;
  ScriptedUi ui_;
  lum::test::HeldJob held_;
  lum::frmMain window_{held_.job()};
  QPlainTextEdit* text_ = window_.findChild<QPlainTextEdit*>("Text1");
};

TEST_F(DropTest, LocalFileOnThePathFieldOrTheWindowGivesItsPlainPath) {
  EXPECT_TRUE(Drop(text_->viewport(), {Local("a.xml")}));
  EXPECT_EQ(text_->toPlainText(), Native(folder_.filePath("a.xml")));
  EXPECT_TRUE(Drop(&window_, {Local("b.xml")}));
  EXPECT_EQ(text_->toPlainText(), Native(folder_.filePath("b.xml")));
}

TEST_F(DropTest, SeveralFilesGiveTheFirst) {
  EXPECT_TRUE(Drop(text_->viewport(), {Local("b.xml"), Local("a.xml")}));
  EXPECT_EQ(text_->toPlainText(), Native(folder_.filePath("b.xml")));
}

TEST_F(DropTest, WhatIsNotALocalFileIsRefused) {
  EXPECT_FALSE(Drop(text_->viewport(), {QUrl("https://example.org/a.xml")}));
  EXPECT_FALSE(Drop(&window_, {QUrl("https://example.org/a.xml"), Local("a.xml")}));
  EXPECT_FALSE(Drop(text_->viewport(), {QUrl::fromLocalFile(folder_.path())}));
  EXPECT_EQ(text_->toPlainText(), "puvodni");
}

TEST_F(DropTest, RefusedWhileBusy) {
  QFile source(folder_.filePath("zdroj.xml"));
  ASSERT_TRUE(source.open(QIODevice::WriteOnly) && source.write("<a>") == 3);
  source.close();
  text_->setPlainText(source.fileName());
  held_.holdNextRun();
  QTest::mouseClick(window_.findChild<QPushButton*>("Command2"), Qt::LeftButton);
  ASSERT_TRUE(held_.waitUntilHeld());
  EXPECT_FALSE(Drop(text_->viewport(), {Local("a.xml")}));
  held_.release();
  ASSERT_TRUE(lum::test::WaitUntilIdle(window_));
  EXPECT_EQ(text_->toPlainText(), source.fileName());
}

}  // namespace
