// The window with real widgets, offscreen: its controls, "Vyber", drops and
// start arguments, "Zpracuj", the busy switch and the progress field. Modal
// dialogs are answered in advance by the services the window is given.
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

#ifdef __GLIBC__
#include <pthread.h>
#endif

#include "failure/Failure.h"
#include "main_window/frmMain.h"
#include "reformat/ReformatFile.h"
#include "tests/support/Files.h"
#include "tests/support/Table.h"
#include "window_helpers/Translations.h"
#include "window_helpers/UiServices.h"

std::ostream& operator<<(std::ostream& os, const QString& text) { return os << text.toStdString(); }

namespace lum::test {
namespace {

// Message boxes as shown: the text in UTF-8 and the style.
using Boxes = std::vector<std::pair<std::string, MessageStyle>>;
const Boxes kDone = {{"XML soubor byl upraven.", MessageStyle::Plain}};

// The real window services with the modal dialogs answered in advance: boxes
// are recorded, and the chooser records the folder it opens in and picks
// `nextFileName` (nothing: the user cancels), or runs as it is. Ending the
// program does nothing, so that a test goes on after "Konec". The program
// seems to lie in `programFolderIs` (nothing: its folder cannot be told), at
// first `folder`, where its settings file goes.
struct ScriptedUi : QtUiServices {
  void messageBox(const QString& text, MessageStyle style) override { boxes.emplace_back(text.toStdString(), style); }
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

// A test's window, given the scripted services. "Zpracuj" runs `job`:
// unless the test sets another, ReformatFile, held while `released` is false
// until the window cancels or 10 s have passed, so that a test can act while
// a copy runs.
template <typename Base>
struct Windowed : Base {
  ScriptedUi ui;
  std::atomic<bool> released{true};
  ReformatJob job = [this](const std::string& source, const std::string& target, CopyObserver& observer) {
    for (int i = 0; i < 2000 && !released && !observer.cancelled(); ++i) QThread::msleep(5);
    return ReformatFile(source, target, observer);
  };
  frmMain window{ui, [this](const std::string& source, const std::string& target, CopyObserver& observer) {
                   return job(source, target, observer);
                 }};
};
using Window = Windowed<testing::Test>;
template <typename Row>
using WindowTable = Windowed<testing::TestWithParam<Row>>;

QPlainTextEdit* Text1(const QWidget& window) { return window.findChild<QPlainTextEdit*>("Text1"); }
void Click(const QWidget& window, const char* name) { window.findChild<QPushButton*>(name)->click(); }
bool WaitUntilIdle(const frmMain& window) {
  return QTest::qWaitFor([&window] { return !window.busy(); });
}

// Drags `url` onto `target` and drops it there; true when the drop is taken.
bool Drop(QWidget& target, const QUrl& url) {
  QMimeData data;
  data.setUrls({url});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&target, &enter);  // Qt takes a drop only after a drag entered
  QCoreApplication::sendEvent(&target, &drop);
  return drop.isAccepted();
}

// The names users, scripts and these tests find the controls by, and their
// captions: the progress field starts empty, the version label reads
// major.minor.revision, and the path field (no "text" property) is there.
// Qt's own texts (the chooser, standard buttons) read Czech.
TEST_F(Window, ControlsByNameWithTheirCaptionsAndQtTextsInCzech) {
  QStringList captions = {window.windowTitle()};
  for (const char* name : {"Label1", "Command1", "Command2", "Command3", "Text1", "txtPozice", "lblVerze"}) {
    const QWidget* control = window.findChild<QWidget*>(name);
    captions << (control != nullptr ? control->property("text").toString() : QStringLiteral("(chybí)"));
  }
  EXPECT_TRUE(QRegularExpression(R"(^\d+\.\d+\.\d+$)").match(captions.takeLast()).hasMatch());
  EXPECT_EQ(captions, QStringList({"LUM_Brevix", "Zdrojové XML :", "Vyber", "Zpracuj", "Konec", "", ""}));
  EXPECT_TRUE(InstallCzechTranslations(*QCoreApplication::instance()));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Zrušit");
}

using EnterTest = WindowTable<const char*>;

// Enter presses the focused button as the key goes down, and no other button:
// there is no default button. Only the key press is sent: where the platform
// theme lets Enter work as Space does, on the key release, a button that is no
// auto-default button would pass a press-and-release test.
TEST_P(EnterTest, PressesOnlyTheFocusedButton) {
  QStringList pressed;
  for (QPushButton* button : window.findChildren<QPushButton*>()) {
    QObject::connect(button, &QPushButton::clicked, [&pressed, button] { pressed << button->objectName(); });
  }
  for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) QTest::keyPress(window.findChild<QWidget*>(GetParam()), key);
  EXPECT_EQ(pressed, QString(GetParam()).startsWith("Command") ? QStringList(2, GetParam()) : QStringList());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Focus, EnterTest, testing::Values("Text1", "Command1", "Command2", "Command3"),
                         [](const auto& info) { return std::string(info.param); });
// clang-format on

// `programFolder` inside the scripted one ("": it; nullptr: it cannot be
// told); `chosen` false: the user cancels; `opensThere`: the chooser opens in
// the scripted folder; `field`: the path field holds this file of the
// scripted folder (nullptr: a bare name).
// clang-format off
struct VyberRow { const char* name; const char* programFolder; bool chosen; bool opensThere; const char* field = nullptr; };
// clang-format on
using VyberTest = WindowTable<VyberRow>;

// "Vyber" opens the chooser in the program's folder, or, when the user may
// not write there (it is gone or cannot be told), in the folder of the path
// in the field; the chosen file replaces the path field, a cancel leaves it
// and no pointer override.
TEST_P(VyberTest, ChooserInTheProgramFolderChoiceInThePathField) {
  const VyberRow& row = GetParam();
  // Chosen in the current folder, which then stays where it is.
  const QString chosen = QDir::toNativeSeparators(QDir::current().filePath("faktura.xml"));
  ui.programFolderIs = row.programFolder ? std::optional(ui.folder.path(row.programFolder)) : std::nullopt;
  if (row.chosen) ui.nextFileName = chosen;
  const QString typed = row.field ? QString::fromStdString(ui.folder.path(row.field)) : "ručně";
  Text1(window)->setPlainText(typed);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Click(window, "Command1");
  EXPECT_TRUE(row.chosen || QApplication::overrideCursor() == nullptr);
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  EXPECT_EQ(ui.chooserFolders.value(0) == QString::fromStdString(ui.folder.path("")), row.opensThere);
  EXPECT_EQ(Text1(window)->toPlainText(), row.chosen ? chosen : typed);
  EXPECT_EQ(ui.boxes, Boxes{});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, VyberTest, testing::Values(
    VyberRow{"InProgramFolder", "", true, true}, VyberRow{"CancelKeepsThePath", "", false, true},
    VyberRow{"FolderUnknown", nullptr, true, false},
    VyberRow{"FolderNotWritableOpensAtThePathInTheField", "chybi", true, true, "faktura.xml"}), RowName);
// clang-format on

// `pathField` empty: refused with the critical box.
// clang-format off
struct StartRow { const char* name; std::vector<std::string> arguments; QString pathField; };
// clang-format on
using StartTest = WindowTable<StartRow>;

// Started with one file, as "Open with" starts it, the window waits with the
// file, made absolute, in the path field; anything else gets the critical box
// and an empty window.
TEST_P(StartTest, OneFileFillsThePathFieldAnythingElseIsRefused) {
  window.openWith(GetParam().arguments);
  EXPECT_EQ(Text1(window)->toPlainText(), GetParam().pathField);
  const char* refusal = "Program se spouští bez argumentů, nebo s cestou k jednomu souboru:\nLUM_Brevix SOUBOR";
  EXPECT_EQ(ui.boxes, (GetParam().pathField.isEmpty() ? Boxes{{refusal, MessageStyle::Critical}} : Boxes{}));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Arguments, StartTest, testing::Values(
    StartRow{"OneFile", {"/data/faktura.xml"}, "/data/faktura.xml"},
    StartRow{"Relative", {"faktura.xml"}, QDir::toNativeSeparators(QDir::current().filePath("faktura.xml"))},
    StartRow{"TwoFiles", {"a.xml", "b.xml"}, ""}, StartRow{"Option", {"--help"}, ""}), RowName);
// clang-format on

// clang-format off
struct DropRow { const char* name; QUrl url; bool onPathField; bool taken; };
// clang-format on
using DropTest = WindowTable<DropRow>;

// A file dropped from a file manager, on the window or on the path field,
// lands in the path field; a folder or a web address is refused.
TEST_P(DropTest, FileLandsInThePathField) {
  Text1(window)->setPlainText("ručně");
  EXPECT_EQ(Drop(GetParam().onPathField ? *Text1(window)->viewport() : window, GetParam().url), GetParam().taken);
  EXPECT_EQ(Text1(window)->toPlainText(),
            GetParam().taken ? QDir::toNativeSeparators(GetParam().url.toLocalFile()) : QString("ručně"));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Drops, DropTest, testing::Values(
    DropRow{"FileOnTheWindow", QUrl::fromLocalFile("/data/faktura.xml"), false, true},
    DropRow{"FileOnThePathField", QUrl::fromLocalFile("/data/faktura.xml"), true, true},
    DropRow{"Folder", QUrl::fromLocalFile(QDir::tempPath()), false, false},
    DropRow{"WebAddress", QUrl("https://lum.invalid/a.xml"), true, false}), RowName);
// clang-format on

// The path field's own mouse handling stays: a click puts the caret there.
TEST_F(Window, ClickInThePathFieldMovesTheCaret) {
  window.show();
  QPlainTextEdit* field = Text1(window);
  field->setPlainText("faktura.xml");
  field->moveCursor(QTextCursor::End);
  const QPoint end = field->cursorRect().center();
  field->moveCursor(QTextCursor::Start);
  QTest::mouseClick(field->viewport(), Qt::LeftButton, Qt::NoModifier, end);
  EXPECT_EQ(field->textCursor().position(), 11);
}

// `file`: inside a fresh folder, holding "<a>" unless the box tells a
// failure; `route`: how it reaches the path field ("Typed", "Argument",
// "Opened": chosen in the chooser and opened, "Chooser": double-clicked in the
// chooser's list of names that are not UTF-8, "Drop"); `shown`: the field's
// text then.
// clang-format off
struct RunRow { const char* name; std::string file; std::string route; Boxes boxes; const char* shown = nullptr; };
// clang-format on
using RunTest = WindowTable<RunRow>;

// "Zpracuj" writes the copy beside the file the path field names, or shows
// the failure's Czech box. A typed path is read exactly as set (a no-break
// space or a line separator is no plain space or line feed); a name that is
// not UTF-8 (here ISO 8859-2, as old archives and USB sticks bring them)
// shows readably and is copied under its own bytes on every route.
TEST_P(RunTest, CopyBesideTheSourceOrTheBox) {
  const RunRow& row = GetParam();
  const std::string path = row.file.empty() ? "" : ui.folder.path(row.file);
  if (row.boxes == kDone) WriteBytes(path, "<a>");
  if (row.route == "Typed") Text1(window)->setPlainText(QString::fromStdString(path));
  if (row.route == "Argument") window.openWith({path});
  const QUrl url = QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
  if (row.route == "Drop" && !Drop(window, url)) ADD_FAILURE() << "the drop was refused";
  if (row.route == "Chooser" || row.route == "Opened") {
    // The real chooser, answered as a user would; one left open is closed
    // after 3 s. The current folder, which follows the choice, is put back.
    ui.realChooser = true;
    QTimer::singleShot(0, [&] {
      auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      const auto* list = chooser != nullptr ? chooser->findChild<QListWidget*>("otherNames") : nullptr;
      if (row.route == "Opened" && chooser != nullptr) {
        chooser->selectFile(QString::fromStdString(path));
        static_cast<QDialog*>(chooser)->accept();  // as the "Open" button does
      } else if (list != nullptr && list->count() == 1) {
        const QPoint at = list->visualItemRect(list->item(0)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);  // a double click's first click
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
      }
    });
    QTimer::singleShot(3000, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    const QString current = QDir::currentPath();
    Click(window, "Command1");
    // The chosen file's folder becomes the current folder.
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(QString::fromStdString(ui.folder.path(""))).canonicalPath());
    QDir::setCurrent(current);
  }
  if (row.shown) {
    EXPECT_EQ(Text1(window)->toPlainText(), QString::fromStdString(ui.folder.path(row.shown)));
  }
  Click(window, "Command2");
  ASSERT_TRUE(WaitUntilIdle(window));
  EXPECT_EQ(ui.boxes, row.boxes);
  EXPECT_EQ(ReadBytes(path + "_LUM.XML"), row.boxes == kDone ? "<a>\r\n" : "");
}

const char* const kLatin2 =
    "faktura_\xE8\xE1st_\xB9"
    "ek.xml";
// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, RunTest, testing::Values(
    RunRow{"Plain", "faktura.xml", "Typed", kDone},
    RunRow{"NoBreakSpace", "faktura k\u00A0objednávce.xml", "Typed", kDone},
    RunRow{"LineSeparator", "a\u2028b.xml", "Typed", kDone},
    RunRow{"ChosenAndOpened", "faktura.xml", "Opened", kDone, "faktura.xml"},
    RunRow{"NotUtf8FromArgument", kLatin2, "Argument", kDone, "faktura_část_šek.xml"},
    RunRow{"NotUtf8FromChooser", kLatin2, "Chooser", kDone, "faktura_část_šek.xml"},
    RunRow{"NotUtf8FromDrop", kLatin2, "Drop", kDone, "faktura_část_šek.xml"},
    RunRow{"MissingSource", "chybi.xml", "Typed", {{"53-Soubor nebyl nalezen", MessageStyle::Plain}}},
    RunRow{"EmptyPath", "", "Typed", {{"Není zadané XML !", MessageStyle::Critical}}}), RowName);
// clang-format on

// `settings`: LUM_Brevix.INI (nullptr: none); `presses`: the buttons pressed
// while the copy of a.xml runs ("Close": the window is closed; a press needs
// the controls left enabled); `copies`: a.xml's, then b.xml's, chosen by
// "Vyber"; `folderKnown` false: the program's folder cannot be told.
// clang-format off
struct BusyRow { const char* name; const char* settings; bool controlsSwitch; std::vector<std::string> presses;
                 int copies; bool folderKnown = true; };
// clang-format on
using BusyTest = WindowTable<BusyRow>;

// While a copy runs the pointer is the hourglass and the controls are
// disabled, unless the settings file holds a DISABLE value in section LUM
// (one that cannot be found counts as none).
// "Vyber" and "Zpracuj" pressed meanwhile run once it is over, in that order
// (a repeated press once); "Konec" or closing the window stops the copy, and
// the presses made meanwhile do not run: no box, nothing beside the source.
TEST_P(BusyTest, WhileACopyRuns) {
  const BusyRow& row = GetParam();
  if (row.settings != nullptr) WriteBytes(ui.folder.path("LUM_Brevix.INI"), row.settings);
  if (!row.folderKnown) ui.programFolderIs.reset();
  TempFolder folder;
  WriteBytes(folder.path("a.xml"), "<a>");
  WriteBytes(folder.path("b.xml"), "<b>");
  ui.nextFileName = QString::fromStdString(folder.path("b.xml"));
  Text1(window)->setPlainText(QString::fromStdString(folder.path("a.xml")));
  const QString current = QDir::currentPath();  // the current folder follows the choice
  released = false;
  Click(window, "Command2");
  for (const std::string& press : row.presses) press == "Close" ? (void)window.close() : Click(window, press.c_str());
  EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
  const QList<QWidget*> controls = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (const QWidget* c : controls) EXPECT_EQ(c->isEnabled(), !row.controlsSwitch) << c->objectName();
  EXPECT_TRUE(ui.chooserFolders.isEmpty());
  released = true;
  ASSERT_TRUE(WaitUntilIdle(window));
  QDir::setCurrent(current);
  QCoreApplication::processEvents();  // after an end, the worker's last word shows nothing
  EXPECT_EQ(ui.boxes, Boxes(row.copies, kDone[0]));
  EXPECT_EQ(ReadBytes(folder.path("a.xml_LUM.XML")), row.copies > 0 ? "<a>\r\n" : "");
  EXPECT_EQ(ReadBytes(folder.path("b.xml_LUM.XML")), row.copies > 1 ? "<b>\r\n" : "");
  EXPECT_EQ(folder.names().size(), 2u + row.copies);
  if (row.copies > 0) {
    for (const QWidget* c : controls) EXPECT_TRUE(c->isEnabled()) << c->objectName();
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Settings, BusyTest, testing::Values(
    BusyRow{"NoSettingsFile", nullptr, true, {}, 1}, BusyRow{"DisableSet", "[LUM]\nDISABLE=0\n", false, {}, 1},
    BusyRow{"DisableEmpty", "[LUM]\nDISABLE=\n", true, {}, 1},
    BusyRow{"ProgramFolderUnknown", "[LUM]\nDISABLE=1\n", true, {}, 1, false},
    BusyRow{"PressesRunAfterIt", "[LUM]\nDISABLE=1\n", false, {"Command1", "Command2", "Command2"}, 2},
    BusyRow{"KonecStops", "[LUM]\nDISABLE=1\n", false, {"Command2", "Command3"}, 0},
    BusyRow{"CloseStops", nullptr, true, {"Command2", "Close"}, 0}), RowName);
// clang-format on

// clang-format off
struct CountRow { const char* name; std::int64_t remaining; QString shown; };
// clang-format on
using CountTest = WindowTable<CountRow>;

// The bytes still to be read show whole, first digit to last, in the
// progress field, which keeps its place and size, up to the largest size a
// file can have; a source that grew while it was read shows 0, not a
// negative count.
TEST_P(CountTest, WholeInTheProgressField) {
  released = false;
  job = [this, remaining = GetParam().remaining](const std::string&, const std::string&, CopyObserver& observer) {
    observer.progress(remaining);  // the first point goes at once
    while (!observer.cancelled() && !released) QThread::msleep(5);
    return CopyOutcome::Completed;
  };
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Counts, CountTest, testing::Values(
    CountRow{"TenGiB", 10737418192, "10737418192"},
    CountRow{"Largest", std::numeric_limits<std::int64_t>::max(), "9223372036854775807"},
    CountRow{"SourceGrew", -5, "0"}), RowName);
// clang-format on

#ifdef __GLIBC__
// A copy whose thread cannot be started, as when memory or the number of
// processes runs out (here: no room for the stack its threads get by
// default), ends at once with the out-of-memory box, and the window is ready
// again.
TEST_F(Window, ThreadThatCannotStartGivesTheOutOfMemoryBox) {
  pthread_attr_t usual, tooLarge;
  ASSERT_EQ(pthread_getattr_default_np(&usual), 0);
  ASSERT_EQ(pthread_getattr_default_np(&tooLarge), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&tooLarge, std::numeric_limits<std::size_t>::max() / 2), 0);
  ASSERT_EQ(pthread_setattr_default_np(&tooLarge), 0);
  Text1(window)->setPlainText("a.xml");
  Click(window, "Command2");
  EXPECT_EQ(pthread_setattr_default_np(&usual), 0);
  pthread_attr_destroy(&tooLarge);
  pthread_attr_destroy(&usual);
  EXPECT_FALSE(window.busy());
  EXPECT_EQ(ui.boxes, (Boxes{{"7-Nedostatek paměti", MessageStyle::Plain}}));
  for (const QWidget* c : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) EXPECT_TRUE(c->isEnabled());
}
#endif

// Progress points reach the progress field, the first at once and then at
// most one in 20 ms, however many the copy makes.
TEST_F(Window, ProgressThrottledIntoThePositionField) {
  QElapsedTimer took;
  job = [&took](const std::string&, const std::string&, CopyObserver& observer) {
    took.start();
    for (int remaining = 100000; remaining > 0; --remaining) observer.progress(remaining);
    return CopyOutcome::Completed;
  };
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
