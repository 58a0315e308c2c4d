// The window's "Zpracuj" against the bare job on the same file: from the
// click, through the busy switch, the copy on the worker thread and the
// count-down, up to the completion message, which is answered at once. The
// two take turns in each round, the first one changing from round to round,
// and each starts after the page cache is synced, so that neither pays for
// writing back the other's copy. Prints the medians in seconds and their
// ratio. Runs offscreen unless QT_QPA_PLATFORM says other.
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
#include <vector>

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
  const auto runCommand = [&] {
    QTest::mouseClick(zpracuj, Qt::LeftButton);
    while (window.busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  };
  std::vector<double> engineTimes, commandTimes;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) engineTimes.push_back(Seconds(runEngine));
    commandTimes.push_back(Seconds(runCommand));
    if (round % 2 == 1) engineTimes.push_back(Seconds(runEngine));
  }
  const double engine = Median(engineTimes), command = Median(commandTimes);
  std::filesystem::remove(target);
  if (ui.last != QStringLiteral("XML soubor byl upraven.")) {
    std::fprintf(stderr, "the command did not complete: %s\n", qPrintable(ui.last));
    return 1;
  }
  std::printf("engine %.3f s  window %.3f s  ratio %.2f\n", engine, command, command / engine);
  return 0;
}
