#include "platform/qt/UiServices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "GuiTestSupport.h"
#include "platform/Failure.h"

namespace {

using lum::test::AnswerNextModal;

struct BoxStyleRow {
  const char* name;
  int style;
  QMessageBox::Icon icon;
};

class RealMessageBoxTest : public testing::TestWithParam<BoxStyleRow> {};

TEST_P(RealMessageBoxTest, IsModalWithCaptionIconAndOneOkButton) {
  bool seen = false;
  AnswerNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    seen = true;
    EXPECT_EQ(box->windowTitle(), "LUM_Brevix");
    EXPECT_EQ(box->text(), "Není zadané XML !");
    EXPECT_EQ(box->icon(), GetParam().icon);
    ASSERT_EQ(box->buttons().size(), 1);
    EXPECT_EQ(box->standardButton(box->buttons().front()), QMessageBox::Ok);
    box->buttons().front()->click();
  });
  lum::QtUiServices().messageBox(QStringLiteral("Není zadané XML !"), GetParam().style);
  EXPECT_TRUE(seen);
}

INSTANTIATE_TEST_SUITE_P(Styles, RealMessageBoxTest,
                         testing::Values(BoxStyleRow{"Plain", lum::kStylePlain, QMessageBox::NoIcon},
                                         BoxStyleRow{"Critical", lum::kStyleCritical, QMessageBox::Critical}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UiServices, ControlsAreDirectChildWidgetsAndTimers) {
  QWidget form;
  auto* button = new QPushButton(&form);
  auto* label = new QLabel(&form);
  auto* radio = new QRadioButton(&form);
  auto* timer = new QTimer(&form);
  auto* group = new QGroupBox(&form);
  new QPushButton(group);          // inside a composite widget: not a control
  new QDialog(&form);              // another window: not a control
  new QObject(&form);              // neither widget nor timer
  const QList<QObject*> expected = {button, label, radio, timer, group};
  EXPECT_EQ(lum::QtUiServices().controls(form), expected);
}

TEST(UiServices, TimersAndOptionButtonsAreTold) {
  lum::QtUiServices ui;
  QTimer timer;
  QRadioButton radio;
  QCheckBox check;
  QPushButton button;
  EXPECT_TRUE(ui.isTimerOrOptionButton(timer));
  EXPECT_TRUE(ui.isTimerOrOptionButton(radio));
  EXPECT_FALSE(ui.isTimerOrOptionButton(check));
  EXPECT_FALSE(ui.isTimerOrOptionButton(button));
}

TEST(UiServices, ControlWithoutEnabledStateFails438) {
  QTimer timer;
  try {
    lum::QtUiServices().setEnabled(timer, false);
    FAIL() << "no failure";
  } catch (const lum::Failure& failure) {
    EXPECT_EQ(failure.number(), 438);
  }
}

TEST(UiServices, SetEnabledSwitchesAWidget) {
  QPushButton button;
  lum::QtUiServices().setEnabled(button, false);
  EXPECT_FALSE(button.isEnabled());
  lum::QtUiServices().setEnabled(button, true);
  EXPECT_TRUE(button.isEnabled());
}

TEST(UiServices, MousePointerHourglassAndBack) {
  QWidget form;
  lum::QtUiServices ui;
  ui.setMousePointer(form, lum::kPointerHourglass);
  EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
  ui.setMousePointer(form, lum::kPointerDefault);
  EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
}

TEST(UiServices, ResetOverridePointerRemovesEveryOverride) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  QGuiApplication::setOverrideCursor(Qt::BusyCursor);
  lum::QtUiServices().resetOverridePointer();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(UiServices, DoEventsRunsQueuedEvents) {
  QObject receiver;
  bool ran = false;
  QMetaObject::invokeMethod(&receiver, [&] { ran = true; }, Qt::QueuedConnection);
  lum::QtUiServices().doEvents();
  EXPECT_TRUE(ran);
}

}  // namespace
