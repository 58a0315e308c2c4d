#include <gtest/gtest.h>

#include <QLineEdit>
#include <QRadioButton>

#include "GuiTestSupport.h"

namespace lum::test {
namespace {

const Boxes kDone = {{"XML soubor byl upraven.", kStylePlain}};

// `file` goes into the path field, inside a fresh folder; `exists`: it holds "<a>".
struct RunRow { const char* name; std::string file; bool exists; Boxes boxes; };
using RunTest = testing::TestWithParam<RunRow>;

// "Zpracuj" writes the copy beside the file the path field names, read exactly
// as set (a no-break space or a line separator is no plain space or line
// feed), or shows the failure's Czech box.
TEST_P(RunTest, CopyBesideTheSourceOrTheBox) {
  const RunRow& row = GetParam();
  ScriptedUi ui;
  TempFolder folder;
  if (row.exists) WriteBytes(folder.path(row.file), "<a>");
  // The file that the path field read as plain text would name, if another.
  const std::string decoy = QString::fromStdString(row.file).replace(QChar(0xA0), ' ').replace(QChar(0x2028), '\n').toStdString();
  if (decoy != row.file) WriteBytes(folder.path(decoy), "<decoy>");
  frmMain window;
  SetPath(window, row.file.empty() ? "" : folder.path(row.file));
  Click(window, "Command2");
  ASSERT_TRUE(WaitUntilIdle(window));
  EXPECT_EQ(ui.boxes, row.boxes);
  EXPECT_EQ(ReadBytes(folder.path(row.file + "_LUM.XML")), row.exists ? "<a>\r\n" : "");
  EXPECT_EQ(folder.names().size(), (row.exists ? 2u : 0u) + (decoy != row.file));
}

INSTANTIATE_TEST_SUITE_P(Files, RunTest, testing::Values(
    RunRow{"Plain", "faktura.xml", true, kDone}, RunRow{"NoBreakSpace", "faktura k\u00A0objednávce.xml", true, kDone},
    RunRow{"LineSeparator", "a\u2028b.xml", true, kDone},
    RunRow{"MissingSource", "chybi.xml", false, {{"53-Soubor nebyl nalezen", kStylePlain}}},
    RunRow{"EmptyPath", "", false, {{"Není zadané XML !", kStyleCritical}}}), kRowName);

// `settings`: LUM_Brevix.INI (nullptr: none); `end`: "Konec" or "Close" while
// the copy runs ("": it runs to its end).
struct BusyRow { const char* name; const char* settings; bool controlsSwitch; std::string end; };
using BusyTest = testing::TestWithParam<BusyRow>;

// While a copy runs the pointer is the hourglass and the controls are
// disabled, unless the settings file holds a DISABLE value in section LUM;
// option buttons are left alone, and another "Zpracuj" is ignored. "Konec" or
// closing the window then stops the copy: no box, nothing beside the source.
TEST_P(BusyTest, WhileACopyRuns) {
  const BusyRow& row = GetParam();
  ScriptedUi ui;
  if (row.settings != nullptr) WriteBytes(ui.folder.path("LUM_Brevix.INI"), row.settings);
  TempFolder folder;
  WriteBytes(folder.path("a.xml"), "<a>");
  HeldJob held;
  frmMain window(held.job());
  const QRadioButton* option = new QRadioButton(&window);
  SetPath(window, folder.path("a.xml"));
  Click(window, "Command2");
  ASSERT_TRUE(QTest::qWaitFor([&held] { return held.held.load(); }));
  Click(window, "Command2");
  EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
  const QList<QWidget*> controls = window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  for (const QWidget* c : controls) EXPECT_EQ(c->isEnabled(), c == option || !row.controlsSwitch) << c->objectName();
  if (row.end.empty()) held.released = true;
  if (row.end == "Konec") Click(window, "Command3");
  if (row.end == "Close") window.close();
  ASSERT_TRUE(WaitUntilIdle(window));
  QCoreApplication::processEvents();  // after an end, the worker's last word shows nothing
  EXPECT_EQ(ui.endRequests, row.end.empty() ? 0 : 1);
  EXPECT_EQ(ui.boxes, row.end.empty() ? kDone : Boxes{});
  EXPECT_EQ(folder.names().size(), row.end.empty() ? 2u : 1u);
  if (row.end.empty()) {
    for (const QWidget* c : controls) EXPECT_TRUE(c->isEnabled()) << c->objectName();
    EXPECT_EQ(window.cursor().shape(), Qt::ArrowCursor);
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, BusyTest, testing::Values(
    BusyRow{"NoSettingsFile", nullptr, true, ""}, BusyRow{"DisableSet", "[LUM]\nDISABLE=0\n", false, ""},
    BusyRow{"DisableEmpty", "[LUM]\nDISABLE=\n", true, ""}, BusyRow{"KonecStops", "[LUM]\nDISABLE=1\n", false, "Konec"},
    BusyRow{"CloseStops", nullptr, true, "Close"}), kRowName);

// Progress points reach the progress field, the first at once and then at
// most one in 20 ms, however many the copy makes.
TEST(Progress, ThrottledIntoThePositionField) {
  ScriptedUi ui;
  std::chrono::steady_clock::duration took{};
  frmMain window([&took](const std::string&, const std::string&, CopyObserver& observer) {
    const auto start = std::chrono::steady_clock::now();
    for (int remaining = 100000; remaining > 0; --remaining) {
      observer.progress(remaining);
      observer.cancelled();
    }
    took = std::chrono::steady_clock::now() - start;
    return CopyOutcome::Completed;
  });
  QStringList shown;
  QObject::connect(window.findChild<QLineEdit*>("txtPozice"), &QLineEdit::textChanged, [&](const QString& text) { shown << text; });
  SetPath(window, "a.xml");
  Click(window, "Command2");
  ASSERT_TRUE(WaitUntilIdle(window));
  EXPECT_EQ(shown.first(), "100000");
  EXPECT_EQ(shown.last(), "0");
  EXPECT_LE(shown.size(), 2 + took / std::chrono::milliseconds(20)) << shown.size() << " updates";
}

}  // namespace
}  // namespace lum::test
