#include "shared/EnableForm.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <optional>

#include "GuiTestSupport.h"
#include "platform/Failure.h"
#include "platform/Program.h"
#include "shared/Settings.h"

namespace {

using lum::EnableForm;
using lum::test::ScriptedUi;

// A window with one control of each kind the switch treats differently.
struct Form {
  QWidget window;
  QPushButton* button = new QPushButton(&window);
  QLineEdit* text = new QLineEdit(&window);
  QLabel* label = new QLabel(&window);
  QRadioButton* radio = new QRadioButton(&window);
  QTimer* timer = new QTimer(&window);

  bool allSwitchableEnabled(bool enabled) const {
    return button->isEnabled() == enabled && text->isEnabled() == enabled && label->isEnabled() == enabled;
  }
};

struct SettingsRow {
  const char* name;
  std::optional<std::string> content;  // nothing: no settings file
  bool controlsSwitch;
};

class EnableFormSettingsTest : public testing::TestWithParam<SettingsRow> {
 protected:
  ScriptedUi ui_;
};

TEST_P(EnableFormSettingsTest, PointerAlwaysControlsPerSetting) {
  if (GetParam().content) ui_.writeSettings(*GetParam().content);
  Form form;

  EnableForm(form.window, false);
  EXPECT_EQ(form.window.cursor().shape(), Qt::WaitCursor);
  EXPECT_TRUE(form.allSwitchableEnabled(!GetParam().controlsSwitch));
  EXPECT_TRUE(form.radio->isEnabled());  // option buttons are never touched

  EnableForm(form.window, true);
  EXPECT_EQ(form.window.cursor().shape(), Qt::ArrowCursor);
  EXPECT_TRUE(form.allSwitchableEnabled(true));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, EnableFormSettingsTest,
    testing::Values(SettingsRow{"NoFile", std::nullopt, true},
                    SettingsRow{"DisableOne", "[LUM]\nDISABLE=1\n", false},
                    SettingsRow{"DisableZeroCountsToo", "[LUM]\nDISABLE=0\n", false},
                    SettingsRow{"DisableAnyText", "[lum]\ndisable=ne\n", false},
                    SettingsRow{"EmptyValue", "[LUM]\nDISABLE=\n", true},
                    SettingsRow{"KeyInOtherSection", "[JINE]\nDISABLE=1\n", true},
                    SettingsRow{"EmptyFile", "", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EnableForm, OptionButtonDisabledStaysDisabled) {
  ScriptedUi ui;
  Form form;
  form.radio->setEnabled(false);
  EnableForm(form.window, true);
  EXPECT_FALSE(form.radio->isEnabled());
  EXPECT_TRUE(form.button->isEnabled());
}

TEST(EnableForm, SettingsPathIsFormedOnceAndFileReadEveryCall) {
  ScriptedUi ui;
  Form form;
  EnableForm(form.window, false);
  EXPECT_EQ(ui.IniFilePath(), ui.settingsPath());
  EXPECT_FALSE(form.button->isEnabled());

  // A file created between two calls takes effect at the next call.
  ui.writeSettings("[LUM]\nDISABLE=1\n");
  EnableForm(form.window, true);
  EXPECT_FALSE(form.button->isEnabled());
  ui.removeSettings();
  EnableForm(form.window, true);
  EXPECT_TRUE(form.button->isEnabled());

  // Once formed, the path is kept, not formed again.
  const std::string formed = ui.IniFilePath();
  ui.IniFilePath() = formed + ".elsewhere";
  ui.writeSettings("[LUM]\nDISABLE=1\n");
  EnableForm(form.window, false);
  EXPECT_FALSE(form.button->isEnabled()) << "read the kept path, not the program's own file";
}

// Records the order of the switch's steps and fails on chosen controls.
class RecordingUi : public lum::test::ScriptedUi {
 public:
  void doEvents() override {
    steps.push_back("pump");
    QtUiServices::doEvents();
  }
  void setMousePointer(QWidget& window, int pointer) override {
    steps.push_back("pointer " + std::to_string(pointer));
    QtUiServices::setMousePointer(window, pointer);
  }
  void setEnabled(QObject& control, bool enabled) override {
    steps.push_back("enable " + control.objectName().toStdString());
    if (control.objectName() == "broken") throw lum::Failure(lum::err::kNoSuchProperty, "test");
    QtUiServices::setEnabled(control, enabled);
  }
  std::vector<std::string> steps;
};

TEST(EnableForm, PointerThenPumpThenControlsThenPump) {
  Form form;
  form.button->setObjectName("first");
  form.text->setObjectName("broken");
  form.label->setObjectName("last");
  RecordingUi ui;
  EnableForm(form.window, false);
  const std::vector<std::string> expected = {"pointer 11", "pump", "enable first", "enable broken", "enable last",
                                             "pump"};
  EXPECT_EQ(ui.steps, expected);
  // The failing control was skipped; the ones after it were still switched.
  EXPECT_TRUE(form.text->isEnabled());
  EXPECT_FALSE(form.label->isEnabled());
}

TEST(EnableForm, QueuedClickIsServedBeforeControlsAreDisabled) {
  ScriptedUi ui;
  Form form;
  bool enabledWhenServed = false;
  QObject::connect(form.button, &QPushButton::clicked, [&] { enabledWhenServed = form.text->isEnabled(); });
  QMetaObject::invokeMethod(form.button, &QPushButton::click, Qt::QueuedConnection);
  EnableForm(form.window, false);
  EXPECT_TRUE(enabledWhenServed);
  EXPECT_FALSE(form.text->isEnabled());
}

}  // namespace
