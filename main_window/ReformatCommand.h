#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "failure/Failure.h"
#include "reformat/CopyEngine.h"
#include "window_helpers/EnableForm.h"

class QLineEdit;
class QWidget;

namespace lum {

class PathField;
class UiServices;

// The job that "Zpracuj" runs: ReformatFile, unless a test gives another.
using ReformatJob =
    std::function<CopyOutcome(const std::string& source, const std::string& target, CopyObserver& observer)>;

// "Zpracuj": writes the path field's file again beside it as <name>_LUM.XML
// with CR LF after every ">", counting the bytes still to be read down in the
// progress field, and reports the outcome in a message box.
//
// The copy runs on a worker thread, so that the window repaints and answers
// however long a read or a write takes. Progress points reach the progress
// field as queued calls, at most about 50 a second; the window's busy switch
// and the message boxes stay on the window's thread. run() while a run is in
// progress does nothing: the window holds such a press until finished().
class ReformatCommand : public QObject {
  Q_OBJECT

 public:
  // `form` is the window that the busy switch switches; `services` shows
  // the message boxes.
  ReformatCommand(QWidget& form, const PathField& pathField, QLineEdit& progressField, ReformatJob job,
                  UiServices& services);
  // Stops a running copy as stop() does.
  ~ReformatCommand() override;
  ReformatCommand(const ReformatCommand&) = delete;
  ReformatCommand& operator=(const ReformatCommand&) = delete;

  // A click on "Zpracuj".
  void run();

  // Whether a run is in progress, from the click until its outcome is shown.
  bool busy() const { return busy_; }

  // The program is ending: a running copy stops at its next buffer, and this
  // returns once the worker is done and has removed its temporary file. No
  // message follows, and no later run starts.
  void stop();

 signals:
  // A run is over and its message closed; not after stop().
  void finished();

 private:
  class WorkerObserver;
  struct Result {
    std::optional<CopyOutcome> outcome;  // nothing: it failed
    std::optional<Failure> failure;
  };

  void work(const std::string& source, const std::string& target);
  void showProgress(std::int64_t remaining);
  void finish(const Result& result);

  UiServices& services_;
  BusySwitch busySwitch_;
  const PathField& pathField_;
  QLineEdit& progressField_;
  ReformatJob job_;
  bool busy_ = false;
  bool stopping_ = false;
  std::atomic<bool> cancelRequested_{false};
  std::jthread worker_;
};

}  // namespace lum
