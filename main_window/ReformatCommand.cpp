#include "main_window/ReformatCommand.h"

#include <QFontMetricsF>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <algorithm>
#include <chrono>
#include <system_error>

#include "main_window/PathField.h"
#include "reformat/TargetPath.h"
#include "window_helpers/UiServices.h"

namespace lum {
namespace {

// Shows the bytes still to be read whole, at any size a file can have, in
// the field's place and size: a number too wide for it at the window's font
// gets narrower digits of the same height, down to half their width, and only
// then smaller ones. The tooltip gives the number in groups of three digits.
// A source that grows while it is read has more bytes than counted at the
// start: none are left to read then, not fewer than none.
void ShowCount(QLineEdit& field, std::int64_t remaining) {
  const std::int64_t count = std::max<std::int64_t>(remaining, 0);
  const QString digits = QString::number(count);
  // The text's room: the field less its frame, its margins and Qt's own
  // margin of 2 pixels a side, and a pixel for the caret.
  const QMargins margins = field.textMargins();
  const int frame = field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &field);
  const qreal room = field.width() - 2 * frame - margins.left() - margins.right() - 2 * 2 - 1;
  QFont font = field.window()->font();
  while (QFontMetricsF(font).horizontalAdvance(digits) > room && font.pointSizeF() > 1) {
    const int stretch = font.stretch() == QFont::AnyStretch ? QFont::Unstretched : font.stretch();
    if (stretch > QFont::UltraCondensed) {
      font.setStretch(stretch - 5);
    } else {
      font.setPointSizeF(font.pointSizeF() - 0.5);
    }
  }
  if (field.font() != font) field.setFont(font);
  field.setText(digits);
  field.setCursorPosition(0);
  field.setToolTip(QLocale(QLocale::Czech).toString(count));
}

}  // namespace

// Follows the copy on the worker thread. A progress point goes to the window
// as a queued call when about 20 ms have passed since the last one sent (the
// first at once); the points between are skipped, so that a copy with
// millions of points sends the window no more than it can show. Cancel is
// the command's flag.
class ReformatCommand::WorkerObserver final : public CopyObserver {
 public:
  explicit WorkerObserver(ReformatCommand& command) : command_(command) {}

  void progress(std::int64_t remaining) override {
    const Clock::time_point now = Clock::now();
    if (now - lastSent_ < kInterval) return;
    QMetaObject::invokeMethod(
        &command_, [&command = command_, remaining] { command.showProgress(remaining); }, Qt::QueuedConnection);
    lastSent_ = now;
  }

  bool cancelled() override { return command_.cancelRequested_.load(); }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kInterval = std::chrono::milliseconds(20);

  ReformatCommand& command_;
  Clock::time_point lastSent_ = Clock::now() - kInterval;  // so that the first goes at once
};

ReformatCommand::ReformatCommand(QWidget& form, const PathField& pathField, QLineEdit& progressField, ReformatJob job,
                                 UiServices& services)
    : services_(services),
      busySwitch_(form, services),
      pathField_(pathField),
      progressField_(progressField),
      job_(std::move(job)) {}

ReformatCommand::~ReformatCommand() { stop(); }

void ReformatCommand::run() {
  if (busy_ || stopping_) return;
  if (pathField_.isEmpty()) {
    services_.messageBox(QStringLiteral("Není zadané XML !"), MessageStyle::Critical);
    return;
  }
  busy_ = true;
  busySwitch_.EnableForm(false);
  // "Konec" may have been served by the busy switch's pump already.
  if (stopping_) {
    busy_ = false;
    return;
  }
  const std::string source = pathField_.path();
  const std::string target = TargetPathFor(source, kNativePathStyle);
  try {
    worker_ = std::jthread([this, source, target] { work(source, target); });
  } catch (const std::system_error&) {
    finish({std::nullopt, Failure(err::kOutOfMemory, "Zpracuj")});
  }
}

void ReformatCommand::stop() {
  stopping_ = true;
  cancelRequested_.store(true);
  if (worker_.joinable()) worker_.join();
  busy_ = false;
}

// On the worker thread: the job, then its outcome to the window's thread.
void ReformatCommand::work(const std::string& source, const std::string& target) {
  Result result;
  try {
    WorkerObserver observer(*this);
    result.outcome = job_(source, target, observer);
  } catch (...) {
    result.failure = CaughtFailure("Zpracuj");
  }
  QMetaObject::invokeMethod(
      this, [this, result] { finish(result); }, Qt::QueuedConnection);
}

void ReformatCommand::showProgress(std::int64_t remaining) {
  if (busy_ && !stopping_) ShowCount(progressField_, remaining);
}

void ReformatCommand::finish(const Result& result) {
  if (worker_.joinable()) worker_.join();
  if (stopping_) {
    // The program is ending: no message, and no target was left behind.
    busy_ = false;
    return;
  }
  const bool completed = result.outcome == CopyOutcome::Completed;
  if (result.failure) {
    services_.messageBox(QString::fromStdString(ErrorBoxText(*result.failure)), MessageStyle::Plain);
  }
  if (completed) ShowCount(progressField_, 0);
  busySwitch_.EnableForm(true);
  busy_ = false;
  if (completed) services_.messageBox(QStringLiteral("XML soubor byl upraven."), MessageStyle::Plain);
  emit finished();
}

}  // namespace lum
