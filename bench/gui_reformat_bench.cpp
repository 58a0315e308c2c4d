// The window's "Zpracuj" against the command line, `lum-brevix -q SOURCE`
// in a process of its own as a user starts it, and against the bare job in
// this process, on the same file: from the click, through the busy switch,
// the copy on the worker thread and the count-down, up to the completion
// message, which is answered at once. All three replace the same earlier
// target. They take turns in each round, in an order that changes from round
// to round, and each starts after the page cache is synced, so that none pays
// for writing back another's copy. Prints the medians in seconds and the
// window's time over each other's. Runs offscreen unless QT_QPA_PLATFORM says
// other.
// Usage: gui_reformat_bench SOURCE [ROUNDS]
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "main_window/frmMain.h"
#include "reformat/ReformatFile.h"
#include "reformat/TargetPath.h"
#include "window_helpers/UiServices.h"

namespace {

// The completion message is closed as soon as it opens.
class AnsweredUi : public lum::QtUiServices {
 public:
  void messageBox(const QString& text, lum::MessageStyle) override { last = text; }
  QString last;
};

class Unwatched : public lum::CopyObserver {
 public:
  void progress(std::int64_t) override {}
  bool cancelled() override { return false; }
};

extern "C" char** environ;

// Runs the command line on `source` and waits for it; false when it did not
// end with 0.
bool RunCommandLine(const std::string& source) {
  std::string program = LUM_BREVIX_PROGRAM, quiet = "-q", file = source;
  char* arguments[] = {program.data(), quiet.data(), file.data(), nullptr};
  pid_t child = 0;
  int status = 0;
  return ::posix_spawn(&child, arguments[0], nullptr, nullptr, arguments, environ) == 0 &&
         ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Seconds(const std::function<void()>& run) {
  ::sync();
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s SOURCE [ROUNDS]\n", argv[0]);
    return 2;
  }
  const std::string source = argv[1];
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string target = lum::TargetPathFor(source, lum::kNativePathStyle);

  AnsweredUi ui;
  lum::frmMain window(ui);
  window.show();
  window.findChild<QPlainTextEdit*>("Text1")->setPlainText(QString::fromStdString(source));
  auto* zpracuj = window.findChild<QPushButton*>("Command2");

  const auto runEngine = [&] {
    Unwatched observer;
    lum::ReformatFile(source, target, observer);
  };
  const auto runWindow = [&] {
    QTest::mouseClick(zpracuj, Qt::LeftButton);
    while (window.busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  };
  bool commandLineCompleted = true;
  const auto runCommandLine = [&] { commandLineCompleted &= RunCommandLine(source); };
  std::vector<double> engineTimes, windowTimes, commandLineTimes;
  std::vector<std::pair<std::vector<double>*, std::function<void()>>> turns = {
      {&engineTimes, runEngine}, {&windowTimes, runWindow}, {&commandLineTimes, runCommandLine}};
  for (int round = 0; round < rounds; ++round) {
    for (const auto& [times, run] : turns) times->push_back(Seconds(run));
    std::rotate(turns.begin(), turns.begin() + 1, turns.end());  // another goes first next round
  }
  const double engine = Median(engineTimes), inWindow = Median(windowTimes), commandLine = Median(commandLineTimes);
  std::filesystem::remove(target);
  if (ui.last != QStringLiteral("XML soubor byl upraven.")) {
    std::fprintf(stderr, "the window's copy did not complete: %s\n", qPrintable(ui.last));
    return 1;
  }
  if (!commandLineCompleted) {
    std::fprintf(stderr, "%s did not complete a copy\n", LUM_BREVIX_PROGRAM);
    return 1;
  }
  std::printf("window %.3f s  command line %.3f s  engine %.3f s  window / command line %.2f  window / engine %.2f\n",
              inWindow, commandLine, engine, inWindow / commandLine, inWindow / engine);
  return 0;
}
