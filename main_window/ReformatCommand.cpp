#include "main_window/ReformatCommand.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <chrono>
#include <new>
#include <optional>
#include <string>

#include "reformat/ReformatFile.h"
#include "main_window/frmMain.h"
#include "platform/Failure.h"
#include "platform/qt/UiServices.h"
#include "shared/EnableForm.h"
#include "shared/Paths.h"

namespace lum {
namespace {

using Clock = std::chrono::steady_clock;

// Shows the count-down and keeps the window alive during a copy without
// letting window updates slow it down: a progress point is shown, and queued
// events run, only when about 20 ms have passed since the last time (the
// first point always shows); between buffers the events run at least every
// 50 ms even when no point comes.
class WindowProgress final : public CopyObserver {
 public:
  WindowProgress(const frmMain& form, QLineEdit& field) : form_(form), field_(field) {}

  void progress(std::int64_t remaining) override {
    remaining_ = remaining;
    if (!shownAny_ || Clock::now() - lastPump_ >= kPointInterval) showAndPump();
  }

  bool cancelled() override {
    if (Clock::now() - lastPump_ >= kIdleInterval) showAndPump();
    return form_.endRequested();
  }

 private:
  static constexpr auto kPointInterval = std::chrono::milliseconds(20);
  static constexpr auto kIdleInterval = std::chrono::milliseconds(50);

  void showAndPump() {
    if (remaining_ >= 0 && remaining_ != shown_) {
      field_.setText(QString::number(remaining_));
      shown_ = remaining_;
      shownAny_ = true;
    }
    Ui().doEvents();
    lastPump_ = Clock::now();
  }

  const frmMain& form_;
  QLineEdit& field_;
  std::int64_t remaining_ = -1;  // no point yet
  std::int64_t shown_ = -1;
  bool shownAny_ = false;
  Clock::time_point lastPump_ = Clock::now();
};

// The path field's text exactly as it was set or typed. toPlainText() would
// turn a no-break space into a plain one and a line separator (U+2028) into a
// line feed, and so name another file. The document keeps a typed line break
// as a paragraph separator, which goes back to the line feed it was.
QString RawText(const QPlainTextEdit& field) {
  return field.document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

void ShowFailure(const Failure& failure) {
  Ui().messageBox(QString::fromStdString(ErrorBoxText(failure)), kStylePlain);
}

// The copy itself; a failure is shown in the error box and gives nothing.
std::optional<CopyOutcome> CopyToTarget(const frmMain& form, const QPlainTextEdit& pathField,
                                        QLineEdit& progressField) {
  try {
    const std::string source = RawText(pathField).toStdString();
    WindowProgress progress(form, progressField);
    return ReformatFile(source, TargetPathFor(source, kNativePathStyle), progress);
  } catch (const Failure& failure) {
    ShowFailure(failure);
  } catch (const std::bad_alloc&) {
    ShowFailure(Failure(err::kOutOfMemory, "Zpracuj"));
  }
  return std::nullopt;
}

}  // namespace

void RunReformatCommand(frmMain& form, const QPlainTextEdit& pathField, QLineEdit& progressField) {
  // A click served by a pump of a running copy must not start a second one.
  if (form.busy()) return;
  if (RawText(pathField).isEmpty()) {
    Ui().messageBox(QStringLiteral("Není zadané XML !"), kStyleCritical);
    return;
  }

  form.setBusy(true);
  EnableForm(form, false);
  // "Konec" may have been served by the busy switch's pump already.
  const std::optional<CopyOutcome> outcome =
      form.endRequested() ? CopyOutcome::Cancelled : CopyToTarget(form, pathField, progressField);
  if (outcome == CopyOutcome::Cancelled) {
    // The program is ending: no message, and no target was left behind.
    form.setBusy(false);
    return;
  }
  if (outcome == CopyOutcome::Completed) progressField.setText(QStringLiteral("0"));
  EnableForm(form, true);
  form.setBusy(false);
  if (outcome == CopyOutcome::Completed) Ui().messageBox(QStringLiteral("XML soubor byl upraven."), kStylePlain);
}

}  // namespace lum
