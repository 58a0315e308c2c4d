#include <gtest/gtest.h>

#include <QApplication>
#include <QRegularExpression>
#include <QTextDocument>

#include "GuiTestSupport.h"
#include "platform/qt/Translations.h"

namespace lum::test {
namespace {

// The names users, scripts and these tests find the controls by, and their captions.
TEST(Window, ControlsByNameWithTheirCaptions) {
  const frmMain window;
  EXPECT_EQ(window.windowTitle(), "LUM_Brevix");
  for (const auto& [name, caption] : {std::pair{"Label1", "Zdrojové XML :"}, {"Command1", "Vyber"},
                                      {"Command2", "Zpracuj"}, {"Command3", "Konec"}, {"Text1", ""},
                                      {"txtPozice", ""}, {"lblVerze", R"(\d+\.\d+\.\d+)"}}) {
    const QWidget* control = window.findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << name;
    const QRegularExpression pattern(QRegularExpression::anchoredPattern(QString::fromUtf8(caption)));
    EXPECT_TRUE(pattern.match(control->property("text").toString()).hasMatch()) << name;
  }
}

// Qt's own texts (the chooser, standard buttons) read Czech.
TEST(Window, QtTextsAreCzech) {
  EXPECT_TRUE(InstallCzechTranslations(*QCoreApplication::instance()));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Zrušit");
}

class EnterTest : public testing::TestWithParam<const char*> {};

// Enter presses the focused button as the key goes down, and no other button:
// there is no default button.
TEST_P(EnterTest, PressesOnlyTheFocusedButton) {
  ScriptedUi ui;
  frmMain window;
  QStringList pressed;
  for (QPushButton* button : window.findChildren<QPushButton*>()) {
    QObject::connect(button, &QPushButton::clicked, [&pressed, button] { pressed << button->objectName(); });
  }
  QWidget* focused = window.findChild<QWidget*>(GetParam());
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyPress(focused, key);
  EXPECT_EQ(pressed, qobject_cast<QPushButton*>(focused) ? QStringList(2, GetParam()) : QStringList());
}

INSTANTIATE_TEST_SUITE_P(Focus, EnterTest, testing::Values("Text1", "Command1", "Command2", "Command3"),
                         [](const auto& info) { return std::string(info.param); });

enum class ProgramFolder { Known, Gone, Unknown };
struct VyberRow {
  const char* name;
  ProgramFolder folder;
  bool chosen;  // false: the user cancels
};
class VyberTest : public testing::TestWithParam<VyberRow> {};

// "Vyber" opens the chooser in the program's folder, or where it opens by
// itself when that folder is gone or cannot be told; the chosen file replaces
// the path field, a cancel leaves it.
TEST_P(VyberTest, ChooserInTheProgramFolderChoiceInThePathField) {
  ScriptedUi ui;
  const QString known = QDir::toNativeSeparators(QString::fromStdString(ui.folder.path("")));
  const QString chosen = QDir::toNativeSeparators(QString::fromStdString(ui.folder.path("faktura.xml")));
  if (GetParam().folder == ProgramFolder::Gone) ui.programFolderIs = ui.folder.path("chybi");
  if (GetParam().folder == ProgramFolder::Unknown) ui.programFolderIs.reset();
  if (GetParam().chosen) ui.nextFileName = chosen;
  const QString start = QDir::currentPath();
  frmMain window;
  SetPath(window, "ručně");
  Click(window, "Command1");
  QDir::setCurrent(start);
  ASSERT_EQ(ui.chooserFolders.size(), 1);
  EXPECT_EQ(ui.chooserFolders[0] == known, GetParam().folder == ProgramFolder::Known) << ui.chooserFolders[0];
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("Text1")->toPlainText(), GetParam().chosen ? chosen : "ručně");
  EXPECT_EQ(ui.boxes, Boxes{});
}

INSTANTIATE_TEST_SUITE_P(Cases, VyberTest,
                         testing::Values(VyberRow{"InTheProgramFolder", ProgramFolder::Known, true},
                                         VyberRow{"CancelKeepsThePath", ProgramFolder::Known, false},
                                         VyberRow{"ProgramFolderGone", ProgramFolder::Gone, true},
                                         VyberRow{"ProgramFolderUnknown", ProgramFolder::Unknown, true}),
                         kRowName);

struct StartRow {
  const char* name;
  QStringList arguments;
  QString pathField;  // nothing: refused with the critical box
};
class StartTest : public testing::TestWithParam<StartRow> {};

// Started with one file, as "Open with" starts it, the window waits with the
// file in the path field and the focus on "Zpracuj"; anything else gets the
// critical box and an empty window.
TEST_P(StartTest, OneFileFillsThePathFieldAnythingElseIsRefused) {
  ScriptedUi ui;
  frmMain window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.openWith(GetParam().arguments);
  const bool refused = GetParam().pathField.isEmpty();
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("Text1")->document()->toRawText(), GetParam().pathField);
  EXPECT_EQ(QApplication::focusWidget()->objectName(), refused ? "Text1" : "Command2");
  const Boxes refusal = {
      {"Program se spouští bez argumentů, nebo s cestou k jednomu souboru:\nLUM_Brevix SOUBOR", kStyleCritical}};
  EXPECT_EQ(ui.boxes, refused ? refusal : Boxes{});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, StartTest,
    testing::Values(StartRow{"OneFile", {"/data/faktura k\u00A0objednávce.xml"}, "/data/faktura k\u00A0objednávce.xml"},
                    StartRow{"RelativeMadeAbsolute", {"faktura.xml"},
                             QDir::toNativeSeparators(QDir::current().filePath("faktura.xml"))},
                    StartRow{"TwoFiles", {"a.xml", "b.xml"}, ""}, StartRow{"Option", {"--help"}, ""}),
    kRowName);

}  // namespace
}  // namespace lum::test
