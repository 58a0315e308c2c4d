// The window with real widgets, offscreen: its controls, "Vyber", drops and
// start arguments, "Zpracuj", the busy switch and the progress field. Modal
// dialogs are answered in advance through the UiServices seam.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "main_window/frmMain.h"
#include "failure/Failure.h"
#include "window_helpers/Translations.h"
#include "window_helpers/UiServices.h"
#include "reformat/ReformatFile.h"
#include "tests/support/Files.h"

std::ostream& operator<<(std::ostream& os, const QString& text) { return os << text.toStdString(); }

namespace lum::test {
namespace {

// Message boxes as shown: the text in UTF-8 and the style.
using Boxes = std::vector<std::pair<std::string, int>>;

// The real window services with the modal dialogs answered in advance: boxes
// are recorded, and the chooser records the folder it opens in and picks
// `nextFileName` (nothing: the user cancels), or runs as it is. Ending the
// program does nothing, so that a test goes on after "Konec". The program
// seems to lie in `programFolderIs` (nothing: its folder cannot be told), at
// first `folder`, where its settings file goes. Installed for its lifetime.
struct ScriptedUi : QtUiServices {
  ScriptedUi() { SetUi(this); }
  ~ScriptedUi() override { SetUi(nullptr); }
  void messageBox(const QString& text, int style) override { boxes.emplace_back(text.toStdString(), style); }
  bool showOpen(QFileDialog& chooser) override {
    if (realChooser) return QtUiServices::showOpen(chooser);
    chooserFolders << QDir::toNativeSeparators(chooser.directory().absolutePath());
    if (nextFileName) chooser.selectFile(*nextFileName);
    return nextFileName.has_value();
  }
  void endProgram() override {}
  std::string programFolder() override {
    return programFolderIs ? *programFolderIs : throw Failure(err::kPathFileAccess, "ProgramFolder");
  }
  std::string executableName() override { return "LUM_Brevix"; }

  TempFolder folder;
  std::optional<std::string> programFolderIs = folder.path("");
  std::optional<QString> nextFileName;
  bool realChooser = false;  // the chooser runs modal, for the test to answer
  Boxes boxes;
  QStringList chooserFolders;
};

// A "Zpracuj" job that runs ReformatFile once `released` is set, the window
// cancels or 10 s have passed, so that a test can act while a copy runs.
ReformatJob HeldUntil(const std::atomic<bool>& released) {
  return [&released](const std::string& source, const std::string& target, CopyObserver& observer) {
    for (int i = 0; i < 2000 && !released && !observer.cancelled(); ++i) QThread::msleep(5);
    return ReformatFile(source, target, observer);
  };
}

QPlainTextEdit* Text1(const QWidget& window) { return window.findChild<QPlainTextEdit*>("Text1"); }
void Click(const QWidget& window, const char* name) { window.findChild<QPushButton*>(name)->click(); }
bool WaitUntilIdle(const frmMain& window) { return QTest::qWaitFor([&window] { return !window.busy(); }); }
const auto kRowName = [](const auto& info) { return std::string(info.param.name); };


// The names users, scripts and these tests find the controls by, and their
// captions: the progress field starts empty, the version label reads
// major.minor.revision, and the path field (no "text" property) is there.
TEST(Window, ControlsByNameWithTheirCaptions) {
  const frmMain window;
  QStringList captions = {window.windowTitle()};
  for (const char* name : {"Label1", "Command1", "Command2", "Command3", "Text1", "txtPozice", "lblVerze"}) {
    const QWidget* control = window.findChild<QWidget*>(name);
    captions << (control != nullptr ? control->property("text").toString() : QStringLiteral("(chybí)"));
  }
  EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d+\.\d+$)").match(captions.takeLast()).hasMatch());
  EXPECT_EQ(captions, QStringList({"LUM_Brevix", "Zdrojové XML :", "Vyber", "Zpracuj", "Konec", "", ""}));
  // The progress field sits on the button face, as the window does.
  const QPalette palette = window.findChild<QWidget*>("txtPozice")->palette();
  EXPECT_EQ(palette.color(QPalette::Base), palette.color(QPalette::Button));
}

// Qt's own texts (the chooser, standard buttons) read Czech.
TEST(Window, QtTextsAreCzech) {
  EXPECT_TRUE(InstallCzechTranslations(*QCoreApplication::instance()));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Zrušit");
}

using EnterTest = testing::TestWithParam<const char*>;

// Enter presses the focused button as the key goes down, and no other button:
// there is no default button. Only the key press is sent: where the platform
// theme lets Enter work as Space does, on the key release, a button that is no
// auto-default button would pass a press-and-release test.
TEST_P(EnterTest, PressesOnlyTheFocusedButton) {
  ScriptedUi ui;
  frmMain window;
  QStringList pressed;
  for (QPushButton* button : window.findChildren<QPushButton*>()) {
    QObject::connect(button, &QPushButton::clicked, [&pressed, button] { pressed << button->objectName(); });
  }
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyPress(window.findChild<QWidget*>(GetParam()), key);
  EXPECT_EQ(pressed, QString(GetParam()).startsWith("Command") ? QStringList(2, GetParam()) : QStringList());
}

INSTANTIATE_TEST_SUITE_P(Focus, EnterTest, testing::Values("Text1", "Command1", "Command2", "Command3"),
                         [](const auto& info) { return std::string(info.param); });

// `programFolder` inside the scripted one ("": it; nullptr: it cannot be
// told); `chosen` false: the user cancels; `opensThere`: the chooser opens in
// the scripted folder; `field`: the path field holds this file of the
// scripted folder (nullptr: a bare name).
struct VyberRow { const char* name; const char* programFolder; bool chosen; bool opensThere; const char* field = nullptr; };
using VyberTest = testing::TestWithParam<VyberRow>;

// "Vyber" opens the chooser in the program's folder, or, when the user may
// not write there (it is gone or cannot be told), in the folder of the path
// in the field; the chosen file replaces the path field, a cancel leaves it
// and no pointer override.
TEST_P(VyberTest, ChooserInTheProgramFolderChoiceInThePathField) {
  const VyberRow& row = GetParam();
  ScriptedUi ui;
  // Chosen in the current folder, which then stays where it is.
  const QString chosen = QDir::toNativeSeparators(QDir::current().filePath("faktura.xml"));
  ui.programFolderIs = row.programFolder ? std::optional(ui.folder.path(row.programFolder)) : std::nullopt;
  if (row.chosen) ui.nextFileName = chosen;
  frmMain window;
  const QString typed = row.field ? QString::fromStdString(ui.folder.path(row.field)) : "ručně";
  Text1(window)->setPlainText(typed);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Click(window, "Command1");
  EXPECT_TRUE(row.chosen || QApplication::overrideCursor() == nullptr);
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  const bool inProgramFolder = ui.chooserFolders.value(0) == QString::fromStdString(ui.folder.path(""));
  EXPECT_EQ(inProgramFolder, row.opensThere) << ui.chooserFolders.value(0);
  EXPECT_EQ(Text1(window)->toPlainText(), row.chosen ? chosen : typed);
  EXPECT_EQ(ui.boxes, Boxes{});
}

INSTANTIATE_TEST_SUITE_P(Cases, VyberTest, testing::Values(
    VyberRow{"InProgramFolder", "", true, true}, VyberRow{"CancelKeepsThePath", "", false, true},
    VyberRow{"FolderGone", "chybi", true, false}, VyberRow{"FolderUnknown", nullptr, true, false},
    VyberRow{"FolderNotWritableOpensAtThePathInTheField", "chybi", true, true, "faktura.xml"}), kRowName);

// The real chooser, accepted as a user accepts it, hands its file over; one
// that stays open is closed after 3 s, so that the test ends all the same.
TEST(Vyber, RealChooserHandsTheChosenFileOver) {
  ScriptedUi ui;
  ui.realChooser = true;
  const QString file = QString::fromStdString(ui.folder.path("a.xml"));
  WriteBytes(file.toStdString(), "<a/>");
  frmMain window;
  QTimer::singleShot(0, [&file] {
    auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (chooser == nullptr) return;
    chooser->selectFile(file);
    static_cast<QDialog*>(chooser)->accept();  // as the "Open" button does
  });
  QTimer::singleShot(3000, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  const QString current = QDir::currentPath();  // the current folder follows the choice
  Click(window, "Command1");
  QDir::setCurrent(current);
  EXPECT_EQ(Text1(window)->toPlainText(), QDir::toNativeSeparators(file));
}

// A name that is not UTF-8 (here ISO 8859-2, as old archives and USB sticks
// bring them), given on the command line, double-clicked in the chooser's
// list of such names or dropped: the path field shows it readably, and
// "Zpracuj" writes the copy beside it under the name's own bytes.
using NotUtf8Test = testing::TestWithParam<const char*>;

TEST_P(NotUtf8Test, ShownReadablyAndProcessed) {
  ScriptedUi ui;
  const std::string name = "faktura_\xE8\xE1st_\xB9" "ek.xml";
  WriteBytes(ui.folder.path(name), "<a>");
  frmMain window;
  if (GetParam() == std::string("Argument")) {
    window.openWith({ui.folder.path(name)});
  } else if (GetParam() == std::string("Drop")) {
    QMimeData data;
    data.setUrls({QUrl::fromEncoded("file://" + QByteArray::fromStdString(ui.folder.path(name)).toPercentEncoding("/"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QCoreApplication::sendEvent(&window, &drop);
  } else {
    ui.realChooser = true;
    QTimer::singleShot(0, [] {
      const auto* list = QApplication::activeModalWidget()->findChild<QListWidget*>("otherNames");
      if (list == nullptr || list->count() != 1) return;
      const QPoint at = list->visualItemRect(list->item(0)).center();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);  // a double click's first click
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    });
    QTimer::singleShot(3000, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    const QString current = QDir::currentPath();
    Click(window, "Command1");
    QDir::setCurrent(current);
  }
  EXPECT_EQ(Text1(window)->toPlainText(), QString::fromStdString(ui.folder.path("faktura_část_šek.xml")));
  Click(window, "Command2");
  ASSERT_TRUE(WaitUntilIdle(window));
  EXPECT_EQ(ui.boxes, (Boxes{{"XML soubor byl upraven.", kStylePlain}}));
  EXPECT_EQ(ReadBytes(ui.folder.path(name + "_LUM.XML")), "<a>\r\n");
}

INSTANTIATE_TEST_SUITE_P(From, NotUtf8Test, testing::Values("Argument", "Chooser", "Drop"),
                         [](const auto& info) { return std::string(info.param); });

// `pathField` empty: refused with the critical box.
struct StartRow { const char* name; std::vector<std::string> arguments; QString pathField; };
using StartTest = testing::TestWithParam<StartRow>;

// Started with one file, as "Open with" starts it, the window waits with the
// file, made absolute, in the path field; anything else gets the critical box
// and an empty window.
TEST_P(StartTest, OneFileFillsThePathFieldAnythingElseIsRefused) {
  ScriptedUi ui;
  frmMain window;
  window.openWith(GetParam().arguments);
  EXPECT_EQ(Text1(window)->toPlainText(), GetParam().pathField);
  const char* refusal = "Program se spouští bez argumentů, nebo s cestou k jednomu souboru:\nLUM_Brevix SOUBOR";
  EXPECT_EQ(ui.boxes, (GetParam().pathField.isEmpty() ? Boxes{{refusal, kStyleCritical}} : Boxes{}));
}

INSTANTIATE_TEST_SUITE_P(Arguments, StartTest, testing::Values(
    StartRow{"OneFile", {"/data/faktura.xml"}, "/data/faktura.xml"},
    StartRow{"Relative", {"faktura.xml"}, QDir::toNativeSeparators(QDir::current().filePath("faktura.xml"))},
    StartRow{"TwoFiles", {"a.xml", "b.xml"}, ""}, StartRow{"Option", {"--help"}, ""}), kRowName);

struct DropRow { const char* name; QUrl url; bool onPathField; bool taken; };
using DropTest = testing::TestWithParam<DropRow>;

// A file dropped from a file manager, on the window or on the path field,
// lands in the path field; a folder or a web address is refused.
TEST_P(DropTest, FileLandsInThePathField) {
  ScriptedUi ui;
  frmMain window;
  Text1(window)->setPlainText("ručně");
  QMimeData data;
  data.setUrls({GetParam().url});
  QWidget* target = GetParam().onPathField ? Text1(window)->viewport() : &window;
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);  // Qt takes a drop only after a drag entered
  QCoreApplication::sendEvent(target, &drop);
  EXPECT_EQ(drop.isAccepted(), GetParam().taken);
  EXPECT_EQ(Text1(window)->toPlainText(),
            GetParam().taken ? QDir::toNativeSeparators(GetParam().url.toLocalFile()) : QString("ručně"));
}

INSTANTIATE_TEST_SUITE_P(Drops, DropTest, testing::Values(
    DropRow{"FileOnTheWindow", QUrl::fromLocalFile("/data/faktura.xml"), false, true},
    DropRow{"FileOnThePathField", QUrl::fromLocalFile("/data/faktura.xml"), true, true},
    DropRow{"Folder", QUrl::fromLocalFile(QDir::tempPath()), false, false},
    DropRow{"WebAddress", QUrl("https://lum.invalid/a.xml"), true, false}), kRowName);

// The path field's own mouse handling stays: a click puts the caret there.
TEST(Window, ClickInThePathFieldMovesTheCaret) {
  ScriptedUi ui;
  frmMain window;
  window.show();
  QPlainTextEdit* field = Text1(window);
  field->setPlainText("faktura.xml");
  field->moveCursor(QTextCursor::End);
  const QPoint end = field->cursorRect().center();
  field->moveCursor(QTextCursor::Start);
  QTest::mouseClick(field->viewport(), Qt::LeftButton, Qt::NoModifier, end);
  EXPECT_EQ(field->textCursor().position(), 11);
}

const Boxes kDone = {{"XML soubor byl upraven.", kStylePlain}};

// `file`: in the path field, inside a fresh folder; `exists`: it holds "<a>".
struct RunRow { const char* name; std::string file; bool exists; Boxes boxes; };
using RunTest = testing::TestWithParam<RunRow>;

// "Zpracuj" writes the copy beside the file the path field names, read exactly
// as set (a no-break space or a line separator is no plain space or line
// feed), or shows the failure's Czech box.
TEST_P(RunTest, CopyBesideTheSourceOrTheBox) {
  ScriptedUi ui;
  if (GetParam().exists) WriteBytes(ui.folder.path(GetParam().file), "<a>");
  frmMain window;
  Text1(window)->setPlainText(GetParam().file.empty() ? "" : QString::fromStdString(ui.folder.path(GetParam().file)));
  Click(window, "Command2");
  ASSERT_TRUE(WaitUntilIdle(window));
  EXPECT_EQ(ui.boxes, GetParam().boxes);
  EXPECT_EQ(ReadBytes(ui.folder.path(GetParam().file + "_LUM.XML")), GetParam().exists ? "<a>\r\n" : "");
}

INSTANTIATE_TEST_SUITE_P(Files, RunTest, testing::Values(
    RunRow{"Plain", "faktura.xml", true, kDone}, RunRow{"NoBreakSpace", "faktura k\u00A0objednávce.xml", true, kDone},
    RunRow{"LineSeparator", "a\u2028b.xml", true, kDone},
    RunRow{"MissingSource", "chybi.xml", false, {{"53-Soubor nebyl nalezen", kStylePlain}}},
    RunRow{"EmptyPath", "", false, {{"Není zadané XML !", kStyleCritical}}}), kRowName);

// `settings`: LUM_Brevix.INI (nullptr: none; "Konec" needs it to stay
// enabled); `end`: "Konec" or "Close" while the copy runs ("": it runs to its
// end).
struct BusyRow { const char* name; const char* settings; bool controlsSwitch; std::string end; };
using BusyTest = testing::TestWithParam<BusyRow>;

// While a copy runs the pointer is the hourglass and the controls are
// disabled, unless the settings file holds a DISABLE value in section LUM.
// "Konec" or closing the window then stops the copy, and a "Zpracuj" pressed
// meanwhile does not run: no box, nothing beside the source.
TEST_P(BusyTest, WhileACopyRuns) {
  ScriptedUi ui;
  if (GetParam().settings != nullptr) WriteBytes(ui.folder.path("LUM_Brevix.INI"), GetParam().settings);
  TempFolder folder;
  WriteBytes(folder.path("a.xml"), "<a>");
  std::atomic<bool> released{false};
  frmMain window(HeldUntil(released));
  Text1(window)->setPlainText(QString::fromStdString(folder.path("a.xml")));
  Click(window, "Command2");
  if (!GetParam().end.empty()) Click(window, "Command2");  // waits for the copy's end, and ends with it
  EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
  const QList<QWidget*> controls = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (const QWidget* c : controls) EXPECT_EQ(c->isEnabled(), !GetParam().controlsSwitch) << c->objectName();
  if (GetParam().end.empty()) released = true;
  if (GetParam().end == "Konec") Click(window, "Command3");
  if (GetParam().end == "Close") window.close();
  ASSERT_TRUE(WaitUntilIdle(window));
  QCoreApplication::processEvents();  // after an end, the worker's last word shows nothing
  EXPECT_EQ(ui.boxes, GetParam().end.empty() ? kDone : Boxes{});
  EXPECT_EQ(folder.names().size(), GetParam().end.empty() ? 2u : 1u);
  if (GetParam().end.empty()) {
    for (const QWidget* c : controls) EXPECT_TRUE(c->isEnabled()) << c->objectName();
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, BusyTest, testing::Values(
    BusyRow{"NoSettingsFile", nullptr, true, ""}, BusyRow{"DisableSet", "[LUM]\nDISABLE=0\n", false, ""},
    BusyRow{"DisableEmpty", "[LUM]\nDISABLE=\n", true, ""}, BusyRow{"KonecStops", "[LUM]\nDISABLE=1\n", false, "Konec"},
    BusyRow{"CloseStops", nullptr, true, "Close"}), kRowName);

// With the controls left enabled, "Vyber" and "Zpracuj" pressed during a copy
// run once it is over, in that order: the chooser opens after the first copy,
// and the file chosen there is processed next. "Zpracuj" pressed twice while
// it waits runs once.
TEST(Busy, PressesDuringACopyRunAfterIt) {
  ScriptedUi ui;
  WriteBytes(ui.folder.path("LUM_Brevix.INI"), "[LUM]\nDISABLE=1\n");
  WriteBytes(ui.folder.path("a.xml"), "<a>");
  WriteBytes(ui.folder.path("b.xml"), "<b>");
  ui.nextFileName = QString::fromStdString(ui.folder.path("b.xml"));
  std::atomic<bool> released{false};
  frmMain window(HeldUntil(released));
  Text1(window)->setPlainText(QString::fromStdString(ui.folder.path("a.xml")));
  const QString current = QDir::currentPath();  // the current folder follows the choice
  for (const char* button : {"Command2", "Command1", "Command2", "Command2"}) Click(window, button);
  EXPECT_TRUE(ui.chooserFolders.isEmpty());
  released = true;
  EXPECT_TRUE(WaitUntilIdle(window));
  QDir::setCurrent(current);
  EXPECT_EQ(ui.boxes, (Boxes(2, {"XML soubor byl upraven.", kStylePlain})));
  EXPECT_EQ(ui.chooserFolders.size(), 1);
  EXPECT_EQ(ReadBytes(ui.folder.path("b.xml_LUM.XML")), "<b>\r\n");
}

struct CountRow { const char* name; std::int64_t remaining; QString shown; };
using CountTest = testing::TestWithParam<CountRow>;

// The bytes still to be read show whole, first digit to last, in the
// progress field, which keeps its place and size, up to the largest size a
// file can have; a source that grew while it was read shows 0, not a
// negative count.
TEST_P(CountTest, WholeInTheProgressField) {
  ScriptedUi ui;
  std::atomic<bool> released{false};
  frmMain window([&released, remaining = GetParam().remaining](const std::string&, const std::string&,
                                                               CopyObserver& observer) {
    observer.progress(remaining);  // the first point goes at once
    while (!observer.cancelled() && !released) QThread::msleep(5);
    return CopyOutcome::Completed;
  });
  window.show();
  auto* field = window.findChild<QLineEdit*>("txtPozice");
  const QRect place = field->geometry();
  Text1(window)->setPlainText("a.xml");
  Click(window, "Command2");
  EXPECT_TRUE(QTest::qWaitFor([field] { return !field->text().isEmpty(); }));
  field->repaint();  // the field scrolls its text as it paints
  const int middle = field->height() / 2;
  EXPECT_EQ(field->text(), GetParam().shown);
  EXPECT_EQ(field->cursorPositionAt({1, middle}), 0);
  EXPECT_EQ(field->cursorPositionAt({field->width() - 2, middle}), field->text().size());
  EXPECT_EQ(field->geometry(), place);
  released = true;
  ASSERT_TRUE(WaitUntilIdle(window));
}

INSTANTIATE_TEST_SUITE_P(Counts, CountTest, testing::Values(
    CountRow{"TenGiB", 10737418192, "10737418192"},
    CountRow{"Largest", std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
    CountRow{"SourceGrew", -5, "0"}), kRowName);

// Progress points reach the progress field, the first at once and then at
// most one in 20 ms, however many the copy makes.
TEST(Progress, ThrottledIntoThePositionField) {
  ScriptedUi ui;
  QElapsedTimer took;
  frmMain window([&took](const std::string&, const std::string&, CopyObserver& observer) {
    took.start();
    for (int remaining = 100000; remaining > 0; --remaining) observer.progress(remaining);
    return CopyOutcome::Completed;
  });
  QStringList shown;
  QObject::connect(window.findChild<QLineEdit*>("txtPozice"), &QLineEdit::textChanged, [&](auto t) { shown << t; });
  Text1(window)->setPlainText("a.xml");
  Click(window, "Command2");
  ASSERT_TRUE(WaitUntilIdle(window));
  EXPECT_EQ(QStringList({shown.value(0), shown.value(shown.size() - 1)}), QStringList({"100000", "0"}));
  EXPECT_LE(shown.size(), 2 + took.elapsed() / 20) << shown.size() << " updates";
}

}  // namespace
}  // namespace lum::test

// One application object for the whole run, headless unless told otherwise.
int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
