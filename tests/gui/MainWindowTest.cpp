#include "main_window/frmMain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextDocument>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"

// Readable rectangles in failure messages.
inline void PrintTo(const QRect& r, std::ostream* os) {
  *os << "(" << r.x() << ", " << r.y() << ", " << r.width() << " x " << r.height() << ")";
}

namespace {

using lum::frmMain;

template <typename T = QWidget>
T* Control(const frmMain& window, const char* name) {
  auto* control = window.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  lum::test::ScriptedUi ui_;
  frmMain window_;
};

TEST_F(MainWindowTest, StartState) {
  EXPECT_EQ(window_.windowTitle(), "LUM_Brevix");
  EXPECT_EQ(Control<QLabel>(window_, "Label1")->text(), "Zdrojové XML :");
  EXPECT_EQ(Control<QPushButton>(window_, "Command1")->text(), "Vyber");
  EXPECT_EQ(Control<QPushButton>(window_, "Command2")->text(), "Zpracuj");
  EXPECT_EQ(Control<QPushButton>(window_, "Command3")->text(), "Konec");
  EXPECT_EQ(Control<QLabel>(window_, "lblVerze")->text(), "1.1.3");
  EXPECT_TRUE(Control<QPlainTextEdit>(window_, "Text1")->toPlainText().isEmpty());
  EXPECT_TRUE(Control<QLineEdit>(window_, "txtPozice")->text().isEmpty());
  EXPECT_EQ(QApplication::focusWidget(), Control(window_, "Text1"));
  for (const char* name : {"Label1", "Text1", "Command1", "Command2", "Command3", "txtPozice", "lblVerze", "Image1"}) {
    EXPECT_TRUE(Control(window_, name)->isVisible()) << name;
    EXPECT_TRUE(Control(window_, name)->isEnabled()) << name;
  }
}

struct GeometryRow {
  const char* name;
  QRect rect;
};

// Client-area geometry in logical pixels. Label1 is 92x15 so that its caption
// fits Qt's default font, which is larger than a 73x13 box holds.
const GeometryRow kGeometry[] = {
    {"Label1", QRect(2, 4, 92, 15)},     {"Text1", QRect(2, 20, 227, 75)},
    {"Command1", QRect(234, 20, 75, 29)}, {"Command2", QRect(2, 98, 75, 29)},
    {"Command3", QRect(232, 98, 75, 29)}, {"txtPozice", QRect(234, 62, 77, 21)},
    {"lblVerze", QRect(218, 0, 93, 15)},  {"Image1", QRect(136, 96, 47, 31)},
};

TEST_F(MainWindowTest, GeometryInLogicalPixels) {
  EXPECT_EQ(window_.size(), QSize(312, 131));
  for (const GeometryRow& row : kGeometry) EXPECT_EQ(Control(window_, row.name)->geometry(), row.rect) << row.name;
  for (const GeometryRow& a : kGeometry) {
    for (const GeometryRow& b : kGeometry) {
      if (&a != &b) {
        EXPECT_FALSE(a.rect.intersects(b.rect)) << a.name << " overlaps " << b.name;
      }
    }
  }
}

TEST_F(MainWindowTest, EveryCaptionFitsItsBox) {
  for (const char* name : {"Label1", "lblVerze"}) {
    const QLabel* label = Control<QLabel>(window_, name);
    EXPECT_LE(label->sizeHint().width(), label->width()) << name;
    EXPECT_LE(label->sizeHint().height(), label->height()) << name;
  }
  for (const char* name : {"Command1", "Command2", "Command3"}) {
    const QPushButton* button = Control<QPushButton>(window_, name);
    // The text plus the button's own frame and padding.
    EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 12, button->width()) << name;
    EXPECT_LE(button->fontMetrics().height() + 6, button->height()) << name;
  }
}

TEST_F(MainWindowTest, FixedDialogFrame) {
  EXPECT_EQ(window_.minimumSize(), QSize(312, 131));
  EXPECT_EQ(window_.maximumSize(), QSize(312, 131));
  const Qt::WindowFlags flags = window_.windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
}

TEST_F(MainWindowTest, ControlSettings) {
  const auto* text = Control<QPlainTextEdit>(window_, "Text1");
  EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  const auto* position = Control<QLineEdit>(window_, "txtPozice");
  EXPECT_EQ(position->palette().color(QPalette::Base), window_.palette().color(QPalette::Button));
  const auto* image = Control<QLabel>(window_, "Image1");
  EXPECT_TRUE(image->hasScaledContents());
  EXPECT_EQ(image->pixmap().size(), QSize(241, 165));
  EXPECT_TRUE(window_.windowIcon().availableSizes().contains(QSize(32, 32)));
  for (const char* name : {"Command1", "Command2", "Command3"}) {
    EXPECT_FALSE(Control<QPushButton>(window_, name)->isDefault()) << name;
  }
}

TEST_F(MainWindowTest, TabOrder) {
  QStringList order;
  QWidget* widget = Control(window_, "Text1");
  do {
    if (widget->focusPolicy() & Qt::TabFocus) order << widget->objectName();
    widget = widget->nextInFocusChain();
  } while (widget != Control(window_, "Text1"));
  EXPECT_EQ(order, QStringList({"Text1", "Command1", "Command2", "Command3", "txtPozice"}));
}

TEST_F(MainWindowTest, EscapeDoesNothing) {
  for (const char* name : {"Text1", "Command1", "Command3"}) {
    Control(window_, name)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(window_.isVisible());
    EXPECT_EQ(ui_.endRequests, 0) << name;
  }
}

TEST_F(MainWindowTest, EnterPressesOnlyTheFocusedButton) {
  QSignalSpy browse(Control<QPushButton>(window_, "Command1"), &QPushButton::clicked);
  QTest::keyClick(Control(window_, "Text1"), Qt::Key_Return);
  EXPECT_EQ(ui_.endRequests, 0);
  EXPECT_EQ(browse.count(), 0);
  EXPECT_EQ(Control<QPlainTextEdit>(window_, "Text1")->toPlainText(), "\n");

  Control(window_, "Command1")->setFocus();
  QTest::keyClick(Control(window_, "Command1"), Qt::Key_Return);
  EXPECT_EQ(browse.count(), 1);
  EXPECT_EQ(ui_.endRequests, 0);

  Control(window_, "Command3")->setFocus();
  QTest::keyClick(Control(window_, "Command3"), Qt::Key_Enter);
  EXPECT_EQ(ui_.endRequests, 1);
}

// The program started with arguments, as "Open with" starts it.
struct StartRow {
  const char* name;
  QStringList arguments;
  QString pathField;  // what the path field then holds
  bool refused;
  const char* focus;
};

void PrintTo(const StartRow& row, std::ostream* os) { *os << row.name; }

class StartArgumentsTest : public MainWindowTest, public testing::WithParamInterface<StartRow> {};

TEST_P(StartArgumentsTest, OneFileWaitsInThePathFieldAnythingElseIsRefused) {
  window_.openWith(GetParam().arguments);
  EXPECT_EQ(Control<QPlainTextEdit>(window_, "Text1")->document()->toRawText(), GetParam().pathField);
  EXPECT_EQ(QApplication::focusWidget(), Control(window_, GetParam().focus));
  EXPECT_TRUE(Control<QLineEdit>(window_, "txtPozice")->text().isEmpty());  // nothing processed
  if (GetParam().refused) {
    ASSERT_EQ(ui_.boxes.size(), 1);
    EXPECT_TRUE(ui_.boxes[0].text.endsWith("LUM_Brevix SOUBOR")) << ui_.boxes[0].text.toStdString();
    EXPECT_EQ(ui_.boxes[0].style, lum::kStyleCritical);
  } else {
    EXPECT_TRUE(ui_.boxes.isEmpty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, StartArgumentsTest,
    testing::Values(StartRow{"None", {}, "", false, "Text1"},
                    StartRow{"AbsolutePathAsGiven", {"/data/faktura k\u00A0objednávce.xml"},
                             "/data/faktura k\u00A0objednávce.xml", false, "Command2"},
                    StartRow{"RelativePathMadeAbsolute", {"faktura.xml"},
                             QDir::toNativeSeparators(QDir::current().filePath("faktura.xml")), false, "Command2"},
                    StartRow{"TwoFiles", {"a.xml", "b.xml"}, "", true, "Text1"},
                    StartRow{"QtOption", {"-style", "fusion"}, "", true, "Text1"},
                    StartRow{"Option", {"--help"}, "", true, "Text1"}),
    [](const auto& info) { return std::string(info.param.name); });

// "Konec" and closing leave the real event loop with status 0, also when a
// typed path was never processed.
class EndTest : public testing::TestWithParam<const char*> {};

TEST_P(EndTest, LeavesEventLoopWithStatusZero) {
  frmMain window;
  window.show();
  window.findChild<QPlainTextEdit*>("Text1")->setPlainText("/tmp/neexistuje.xml");
  const std::string how = GetParam();
  QTimer::singleShot(0, &window, [&] {
    if (how == "Konec") {
      QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    } else {
      window.close();
    }
  });
  QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // a guard, never the answer
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(window.endRequested());
}

INSTANTIATE_TEST_SUITE_P(Ways, EndTest, testing::Values("Konec", "Close"));

}  // namespace
