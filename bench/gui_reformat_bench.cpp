// The window's "Zpracuj" against the bare job on the same file: from the
// click, through the busy switch, the copy on the worker thread and the
// count-down, up to the completion message, which is answered at once. Prints the medians in
// seconds and their ratio. Runs offscreen unless QT_QPA_PLATFORM says other.
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

#include "main_window/frmMain.h"
#include "platform/qt/UiServices.h"
#include "reformat/ReformatFile.h"
#include "shared/Paths.h"

namespace {

// The completion message is closed as soon as it opens.
class AnsweredUi : public lum::QtUiServices {
 public:
  void messageBox(const QString& text, int) override { last = text; }
  QString last;
};

class Unwatched : public lum::CopyObserver {
 public:
  void progress(std::int64_t) override {}
  bool cancelled() override { return false; }
};

double MedianSeconds(int rounds, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
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
  lum::SetUi(&ui);
  lum::frmMain window;
  window.show();
  window.findChild<QPlainTextEdit*>("Text1")->setPlainText(QString::fromStdString(source));
  auto* zpracuj = window.findChild<QPushButton*>("Command2");

  const double engine = MedianSeconds(rounds, [&] {
    Unwatched observer;
    lum::ReformatFile(source, target, observer);
  });
  const double command = MedianSeconds(rounds, [&] {
    QTest::mouseClick(zpracuj, Qt::LeftButton);
    while (window.busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  });
  lum::SetUi(nullptr);
  std::filesystem::remove(target);
  if (ui.last != QStringLiteral("XML soubor byl upraven.")) {
    std::fprintf(stderr, "the command did not complete: %s\n", qPrintable(ui.last));
    return 1;
  }
  std::printf("engine %.3f s  window %.3f s  ratio %.2f\n", engine, command, command / engine);
  return 0;
}
