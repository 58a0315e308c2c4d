#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "GuiTestSupport.h"
#include "main_window/frmMain.h"
#include "reformat/ReformatFile.h"
#include "tests/support/ReferenceCopy.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/PosixFaults.h"
#endif

namespace {

namespace fs = std::filesystem;
using lum::test::ScriptedUi;

fs::path FromUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

std::string ToUtf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(ToUtf8(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

class ReformatCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    window_.show();
  }

  fs::path Path(const std::string& name) const { return FromUtf8(temp_.path().toStdString()) / FromUtf8(name); }
  void TypePath(const QString& path) { text_->setPlainText(path); }
  void TypePath(const fs::path& path) { TypePath(QString::fromStdString(ToUtf8(path))); }
  void Click(const char* button) { QTest::mouseClick(window_.findChild<QPushButton*>(button), Qt::LeftButton); }
  // A click on "Zpracuj", and the run to its end.
  void Zpracuj() {
    Click("Command2");
    ASSERT_TRUE(lum::test::WaitUntilIdle(window_));
  }
  // A click on "Zpracuj", with the copy held still after its first buffer
  // until held_.release().
  void StartZpracuj() {
    held_.holdNextRun();
    Click("Command2");
    ASSERT_TRUE(held_.waitUntilHeld());
  }

  QStringList BoxTexts() const {
    QStringList texts;
    for (const auto& box : ui_.boxes) texts << box.text;
    return texts;
  }

  bool AllControlsEnabled() const {
    for (const char* name : {"Text1", "Command1", "Command2", "Command3", "txtPozice", "Label1", "lblVerze", "Image1"}) {
      if (!window_.findChild<QWidget*>(name)->isEnabled()) return false;
    }
    return true;
  }

  ScriptedUi ui_;
  QTemporaryDir temp_;
  lum::test::HeldJob held_;
  lum::frmMain window_{held_.job()};
  QPlainTextEdit* text_ = window_.findChild<QPlainTextEdit*>("Text1");
  QLineEdit* position_ = window_.findChild<QLineEdit*>("txtPozice");
};

TEST_F(ReformatCommandTest, EmptyPathOnlyWarns) {
  bool turnedBusy = false;
  ui_.onDoEvents = [&] { turnedBusy = true; };
  Zpracuj();
  ASSERT_EQ(ui_.boxes.size(), 1);
  EXPECT_EQ(ui_.boxes[0].text, "Není zadané XML !");
  EXPECT_EQ(ui_.boxes[0].style, lum::kStyleCritical);
  EXPECT_FALSE(turnedBusy);
  EXPECT_TRUE(position_->text().isEmpty());
  EXPECT_TRUE(Listing(Path("")).empty());
}

struct ExactNameRow {
  const char* name;
  QString source;  // as put into the path field
  QString decoy;   // the name it would become if the field were read as plain text
};

void PrintTo(const ExactNameRow& row, std::ostream* os) { *os << row.name; }

class ExactNameTest : public ReformatCommandTest, public testing::WithParamInterface<ExactNameRow> {};

// The path field is read exactly as set: a character that plain text turns
// into another must not make the command read or write another file.
TEST_P(ExactNameTest, PathFieldNamesTheFileItHolds) {
  const fs::path source = Path(GetParam().source.toStdString());
  const fs::path decoy = Path(GetParam().decoy.toStdString());
  WriteFile(source, "<a>");
  WriteFile(decoy, "<decoy>");
  TypePath(source);
  Zpracuj();
  EXPECT_EQ(BoxTexts(), QStringList{"XML soubor byl upraven."});
  EXPECT_EQ(ReadFile(Path(GetParam().source.toStdString() + "_LUM.XML")), "<a>\r\n");
  EXPECT_EQ(Listing(Path("")).size(), 3u);  // nothing was made of the decoy
}

INSTANTIATE_TEST_SUITE_P(Names, ExactNameTest,
                         testing::Values(ExactNameRow{"NoBreakSpace", QString::fromUtf8("Faktura k\u00A0objednávce.xml"),
                                                      QString::fromUtf8("Faktura k objednávce.xml")},
                                         ExactNameRow{"LineSeparator", QString::fromUtf8("a\u2028b.xml"),
                                                      QStringLiteral("a\nb.xml")}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ContentRow {
  const char* name;
  std::string source;
};

class ReformatContentTest : public ReformatCommandTest, public testing::WithParamInterface<ContentRow> {};

TEST_P(ReformatContentTest, TargetBesideSourceIsTheReferenceTransform) {
  const fs::path source = Path("faktura č. 1.xml");
  WriteFile(source, GetParam().source);
  TypePath(source);
  Zpracuj();
  EXPECT_EQ(BoxTexts(), QStringList{"XML soubor byl upraven."});
  EXPECT_EQ(ui_.boxes.value(0).style, lum::kStylePlain);
  EXPECT_EQ(ReadFile(Path("faktura č. 1.xml_LUM.XML")), lum::test::ReferenceTarget(GetParam().source));
  EXPECT_EQ(Listing(Path("")), (std::vector<std::string>{"faktura č. 1.xml", "faktura č. 1.xml_LUM.XML"}));
  EXPECT_EQ(position_->text(), "0");
  EXPECT_EQ(text_->toPlainText().toStdString(), ToUtf8(source));
  EXPECT_TRUE(AllControlsEnabled());
  EXPECT_EQ(window_.cursor().shape(), Qt::ArrowCursor);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ReformatContentTest,
    testing::Values(ContentRow{"Typical", "<?xml version=\"1.0\"?><a><b x=\"1>2\">t</b></a>"},
                    ContentRow{"NoGreaterThan", "plain text, no tags"}, ContentRow{"SingleGreaterThan", ">"},
                    ContentRow{"ZeroLength", ""}, ContentRow{"AlreadyBroken", "<a>\r\n<b>\r\n"},
                    ContentRow{"BinaryBytes", std::string("\0>\xff>\x80", 5)}),
    [](const auto& info) { return std::string(info.param.name); });

// What the progress field showed during the run: a point only where the LF
// after a ">" lands on a target position that is a multiple of 50, showing
// the bytes still to be read then.
class ProgressTest : public ReformatCommandTest, public testing::WithParamInterface<std::pair<int, bool>> {};

TEST_P(ProgressTest, PointOnlyWhereTheLfLandsOnAMultipleOf50) {
  const auto [position, showsPoint] = GetParam();
  std::string bytes(58, 'x');  // 10 bytes follow the 48 that may hold the point
  bytes[position - 1] = '>';
  WriteFile(Path("a.xml"), bytes);
  TypePath(Path("a.xml"));
  QStringList shown;
  QObject::connect(position_, &QLineEdit::textChanged, [&shown](const QString& text) { shown << text; });
  Zpracuj();
  EXPECT_EQ(shown, showsPoint ? QStringList({"10", "0"}) : QStringList({"0"}));
}

INSTANTIATE_TEST_SUITE_P(Bytes, ProgressTest, testing::Values(std::pair{48, true}, std::pair{47, false}),
                         [](const auto& info) { return "GreaterThanAt" + std::to_string(info.param.first); });

TEST_F(ReformatCommandTest, ProcessingATargetAgainAddsTheSuffixAgain) {
  WriteFile(Path("faktura.xml"), "<a>");
  TypePath(Path("faktura.xml"));
  Zpracuj();
  TypePath(Path("faktura.xml_LUM.XML"));
  Zpracuj();
  EXPECT_EQ(ReadFile(Path("faktura.xml_LUM.XML_LUM.XML")), "<a>\r\n\r\n");
}

TEST_F(ReformatCommandTest, EarlierLongerTargetIsReplacedWhole) {
  WriteFile(Path("a.xml"), "<a>");
  WriteFile(Path("a.xml_LUM.XML"), std::string(10000, 'z'));
  TypePath(Path("a.xml"));
  Zpracuj();
  EXPECT_EQ(ReadFile(Path("a.xml_LUM.XML")), "<a>\r\n");
}

TEST_F(ReformatCommandTest, BareNameGetsItsTargetInTheCurrentFolder) {
  const QString start = QDir::currentPath();
  QDir::setCurrent(temp_.path());
  WriteFile(Path("faktura.xml"), "<a><b/></a>");
  TypePath(QStringLiteral("faktura.xml"));
  Zpracuj();
  QDir::setCurrent(start);
  EXPECT_EQ(BoxTexts(), QStringList{"XML soubor byl upraven."});
  EXPECT_EQ(ReadFile(Path("faktura.xml_LUM.XML")), lum::test::ReferenceTarget("<a><b/></a>"));
}

struct FailureRow {
  const char* name;
  std::function<fs::path(const fs::path& folder)> prepare;  // returns the source path
  const char* boxStart;
};

class ReformatFailureTest : public ReformatCommandTest, public testing::WithParamInterface<FailureRow> {};

TEST_P(ReformatFailureTest, ErrorBoxAndNothingCreated) {
  const fs::path source = GetParam().prepare(Path(""));
  const std::vector<std::string> before = Listing(Path(""));
  TypePath(source);
  Zpracuj();
  ASSERT_EQ(ui_.boxes.size(), 1);
  EXPECT_TRUE(ui_.boxes[0].text.startsWith(GetParam().boxStart)) << ui_.boxes[0].text.toStdString();
  EXPECT_EQ(ui_.boxes[0].style, lum::kStylePlain);
  EXPECT_EQ(Listing(Path("")), before);
  EXPECT_TRUE(AllControlsEnabled());
}

const FailureRow kFailureRows[] = {
    {"MissingFile", [](const fs::path& f) { return f / "chybi.xml"; }, "53-Soubor nebyl nalezen"},
    {"MissingFolder", [](const fs::path& f) { return f / "chybi" / "a.xml"; }, "76-"},
    {"Folder",
     [](const fs::path& f) {
       fs::create_directory(f / "slozka.xml");
       return f / "slozka.xml";
     },
     "75-"},
#ifndef _WIN32
    {"Fifo",
     [](const fs::path& f) {
       mkfifo((f / "roura.xml").c_str(), 0600);
       return f / "roura.xml";
     },
     "75-"},
#endif
    {"TargetNameIsAFolder",
     [](const fs::path& f) {
       WriteFile(f / "a.xml", "<a>");
       fs::create_directory(f / "a.xml_LUM.XML");
       return f / "a.xml";
     },
     "75-"},
};

INSTANTIATE_TEST_SUITE_P(Sources, ReformatFailureTest, testing::ValuesIn(kFailureRows),
    [](const auto& info) { return std::string(info.param.name); });

#ifndef _WIN32
TEST_F(ReformatCommandTest, FullDiskKeepsTheEarlierTargetAndLeavesNothing) {
  WriteFile(Path("a.xml"), std::string(200000, '>'));
  WriteFile(Path("a.xml_LUM.XML"), "earlier");
  TypePath(Path("a.xml"));
  // A file-size limit makes the write fail as a full disk does.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 64 * 1024;
  setrlimit(RLIMIT_FSIZE, &limited);
  Zpracuj();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(BoxTexts(), QStringList{"61-Disk je plný"});
  EXPECT_EQ(ReadFile(Path("a.xml_LUM.XML")), "earlier");
  EXPECT_EQ(Listing(Path("")), (std::vector<std::string>{"a.xml", "a.xml_LUM.XML"}));
  EXPECT_TRUE(AllControlsEnabled());
}
#endif

// A source large enough for many pumps.
std::string ManyTags() {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += "<tag>value</tag>";
  return bytes;
}

class EndDuringRunTest : public ReformatCommandTest, public testing::WithParamInterface<const char*> {};

TEST_P(EndDuringRunTest, StopsWithoutMessageOrTarget) {
  ui_.writeSettings("[LUM]\nDISABLE=1\n");  // "Konec" stays enabled during the run
  WriteFile(Path("a.xml"), ManyTags());
  TypePath(Path("a.xml"));
  StartZpracuj();
  if (std::string(GetParam()) == "Konec") {
    Click("Command3");
  } else {
    window_.close();
  }
  EXPECT_TRUE(window_.endRequested());
  EXPECT_EQ(ui_.endRequests, 1);
  EXPECT_FALSE(window_.busy());
  QCoreApplication::processEvents();  // the worker's last word changes nothing
  EXPECT_TRUE(ui_.boxes.isEmpty());
  EXPECT_EQ(Listing(Path("")), std::vector<std::string>{"a.xml"});
}

INSTANTIATE_TEST_SUITE_P(Ways, EndDuringRunTest, testing::Values("Konec", "Close"));

TEST_F(ReformatCommandTest, NestedZpracujIsIgnoredAndControlsStayEnabledWithDisable) {
  ui_.writeSettings("[LUM]\nDISABLE=1\n");
  WriteFile(Path("a.xml"), ManyTags());
  TypePath(Path("a.xml"));
  StartZpracuj();
  EXPECT_TRUE(AllControlsEnabled());
  Click("Command2");
  held_.release();
  ASSERT_TRUE(lum::test::WaitUntilIdle(window_));
  EXPECT_EQ(BoxTexts(), QStringList{"XML soubor byl upraven."});
  EXPECT_EQ(ReadFile(Path("a.xml_LUM.XML")), lum::test::ReferenceTarget(ManyTags()));
}

TEST_F(ReformatCommandTest, ControlsAreDisabledAndPointerBusyDuringTheRun) {
  WriteFile(Path("a.xml"), ManyTags());
  TypePath(Path("a.xml"));
  StartZpracuj();
  EXPECT_FALSE(window_.findChild<QWidget*>("Command2")->isEnabled());
  EXPECT_EQ(window_.cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(window_.busy());
  held_.release();
  ASSERT_TRUE(lum::test::WaitUntilIdle(window_));
  EXPECT_TRUE(AllControlsEnabled());
  EXPECT_EQ(window_.cursor().shape(), Qt::ArrowCursor);
}

// A source on a slow network share: its first read blocks until the test
// lets it go (or for 10 s), then the source ends.
class BlockingSource final : public lum::ByteSource {
 public:
  std::size_t read(char*, std::size_t) override {
    std::unique_lock lock(mutex_);
    blocked_ = true;
    changed_.wait_for(lock, std::chrono::seconds(10), [this] { return released_; });
    blocked_ = false;
    return 0;
  }
  bool blocked() {
    std::lock_guard lock(mutex_);
    return blocked_;
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool blocked_ = false;
  bool released_ = false;
};

// While the copy waits for its source, the window's thread goes on handling
// events and painting: the read happens elsewhere.
TEST(ReformatCommandThread, WindowAnswersWhileAReadBlocks) {
  ScriptedUi ui;
  QTemporaryDir folder;
  BlockingSource source;
  lum::frmMain window([&source](const std::string&, const std::string& target, lum::CopyObserver& observer) {
    return lum::ReformatFile(lum::CopySource(&source), lum::CopyTarget(target), observer);
  });
  window.show();
  window.findChild<QPlainTextEdit*>("Text1")->setPlainText(folder.filePath("a.xml"));
  QTest::mouseClick(window.findChild<QPushButton*>("Command2"), Qt::LeftButton);
  ASSERT_TRUE(lum::test::HandleEventsUntil([&source] { return source.blocked(); }));

  QElapsedTimer waited;
  waited.start();
  bool served = false;
  QTimer::singleShot(0, &window, [&served] { served = true; });
  ASSERT_TRUE(lum::test::HandleEventsUntil([&served] { return served; }));
  const QImage painted = window.grab().toImage();
  RecordProperty("event_answered_after_ms", static_cast<int>(waited.elapsed()));
  EXPECT_TRUE(source.blocked()) << "the read returned before the window answered";
  EXPECT_FALSE(painted.isNull());
  EXPECT_TRUE(window.busy());

  source.release();
  ASSERT_TRUE(lum::test::WaitUntilIdle(window));
  ASSERT_EQ(ui.boxes.size(), 1);
  EXPECT_EQ(ui.boxes[0].text, "XML soubor byl upraven.");
  EXPECT_EQ(ReadFile(FromUtf8(folder.filePath("a.xml_LUM.XML").toStdString())), "");
}

#ifndef _WIN32
// --- The file system fails the window: the error box, an earlier target kept,
// nothing left behind ---------------------------------------------------------

struct RefusalRow {
  const char* name;
  // Prepares the folder (where "a.xml_LUM.XML" holds "earlier") and gives the source.
  std::function<fs::path(const fs::path& folder)> prepare;
  bool asNobody;  // run as a user whom permissions bind, also when the tests run as root
  const char* box;
};

void PrintTo(const RefusalRow& row, std::ostream* os) { *os << row.name; }

class RefusalTest : public ReformatCommandTest, public testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusalTest, ErrorBoxKeepsTheEarlierTarget) {
  chmod(Path("").c_str(), 0755);  // nobody may look in
  WriteFile(Path("a.xml_LUM.XML"), "earlier");
  const fs::path source = GetParam().prepare(Path(""));
  const std::vector<std::string> before = Listing(Path(""));
  TypePath(source);
  {
    std::optional<lum::test::AsNobody> nobody;
    if (GetParam().asNobody) nobody.emplace();
    Zpracuj();
  }
  chmod(Path("").c_str(), 0755);
  EXPECT_EQ(BoxTexts(), QStringList{GetParam().box});
  EXPECT_EQ(Listing(Path("")), before);
  EXPECT_EQ(ReadFile(Path("a.xml_LUM.XML")), "earlier");
  // A source outside the folder gets nothing beside it either.
  if (source.parent_path() != Path("").parent_path()) {
    EXPECT_FALSE(fs::exists(FromUtf8(ToUtf8(source) + "_LUM.XML")));
  }
  EXPECT_TRUE(AllControlsEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusalTest,
    testing::Values(RefusalRow{"UnreadableSource",
                               [](const fs::path& f) {
                                 WriteFile(f / "a.xml", "<a>");
                                 chmod((f / "a.xml").c_str(), 0);
                                 return f / "a.xml";
                               },
                               true, "70-Přístup byl odepřen"},
                    RefusalRow{"ReadOnlyFolder",
                               [](const fs::path& f) {
                                 WriteFile(f / "a.xml", "<a>");
                                 chmod(f.c_str(), 0555);
                                 return f / "a.xml";
                               },
                               true, "70-Přístup byl odepřen"},
                    RefusalRow{"CharacterDevice", [](const fs::path&) { return fs::path("/dev/null"); }, false,
                               "75-Chyba přístupu k cestě nebo souboru"},
                    RefusalRow{"EndlessDevice", [](const fs::path&) { return fs::path("/dev/zero"); }, false,
                               "75-Chyba přístupu k cestě nebo souboru"}),
    [](const auto& info) { return std::string(info.param.name); });

// A real full disk: a tmpfs of 1 MiB that the source takes 400 KB of.
TEST_F(ReformatCommandTest, FullSmallDiskKeepsTheEarlierTargetAndFreesItsSpace) {
  const lum::test::SmallDisk disk(1 << 20);
  if (!disk.mounted()) GTEST_SKIP() << disk.problem();
  const fs::path source = FromUtf8(disk.path("a.xml"));
  std::string content;
  while (content.size() < 400 * 1024) content += "<a>";
  WriteFile(source, content);
  WriteFile(FromUtf8(disk.path("a.xml_LUM.XML")), "earlier");
  const std::uint64_t freeBefore = disk.freeBytes();
  TypePath(source);
  Zpracuj();
  EXPECT_EQ(BoxTexts(), QStringList{"61-Disk je plný"});
  EXPECT_EQ(ReadFile(FromUtf8(disk.path("a.xml_LUM.XML"))), "earlier");
  EXPECT_EQ(Listing(source.parent_path()), (std::vector<std::string>{"a.xml", "a.xml_LUM.XML"}));
  EXPECT_EQ(disk.freeBytes(), freeBefore) << "the unfinished copy still takes room";
  EXPECT_TRUE(AllControlsEnabled());
}

struct SourceChangeRow {
  const char* name;
  std::function<void(const fs::path& source)> change;
  const char* box;
  bool copied;  // the target is the copy of the source as it was opened
};

void PrintTo(const SourceChangeRow& row, std::ostream* os) { *os << row.name; }

class SourceChangeTest : public ReformatCommandTest, public testing::WithParamInterface<SourceChangeRow> {};

TEST_P(SourceChangeTest, DuringTheRun) {
  WriteFile(Path("a.xml"), ManyTags());
  WriteFile(Path("a.xml_LUM.XML"), "earlier");
  TypePath(Path("a.xml"));
  StartZpracuj();
  GetParam().change(Path("a.xml"));
  held_.release();
  ASSERT_TRUE(lum::test::WaitUntilIdle(window_));
  EXPECT_EQ(BoxTexts(), QStringList{GetParam().box});
  const std::string target = ReadFile(Path("a.xml_LUM.XML"));
  // Compared as a whole: a diff of megabytes would be of no use.
  EXPECT_TRUE(target == (GetParam().copied ? lum::test::ReferenceTarget(ManyTags()) : "earlier"))
      << "the target holds " << target.size() << " bytes";
  std::vector<std::string> names = Listing(Path(""));
  std::erase(names, "a.xml");
  EXPECT_EQ(names, std::vector<std::string>{"a.xml_LUM.XML"});
  EXPECT_TRUE(AllControlsEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SourceChangeTest,
    testing::Values(SourceChangeRow{"CutShort", [](const fs::path& source) { fs::resize_file(source, 1000); },
                                    "57-Chyba vstupu/výstupu zařízení", false},
                    SourceChangeRow{"Removed", [](const fs::path& source) { fs::remove(source); },
                                    "XML soubor byl upraven.", true}),
    [](const auto& info) { return std::string(info.param.name); });
#endif

}  // namespace
