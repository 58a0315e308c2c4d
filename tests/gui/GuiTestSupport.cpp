#include "GuiTestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <filesystem>
#include <fstream>

#include "platform/Failure.h"
#include "shared/Settings.h"

namespace lum::test {

ScriptedUi::ScriptedUi() { SetUi(this); }

ScriptedUi::~ScriptedUi() { SetUi(nullptr); }

void ScriptedUi::messageBox(const QString& text, int style) {
  boxes.append({text, style});
  if (onMessageBox) onMessageBox(boxes.back());
}

bool ScriptedUi::showOpen(QFileDialog& chooser) {
  const QWidget* host = chooser.parentWidget();
  const auto* filterBox = chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
  const auto* nameField = chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  choosers.append({chooser.windowTitle(), filterBox != nullptr ? filterBox->currentText() : QString(),
                   chooser.nameFilters(), chooser.directory().absolutePath(), chooser.defaultSuffix(),
                   nameField != nullptr ? nameField->text() : QString(), chooser.fileMode(), chooser.options(),
                   host != nullptr ? host->objectName() : QString(), host != nullptr ? host->windowTitle() : QString(),
                   host != nullptr ? host->size() : QSize(), host != nullptr && host->isVisible()});
  if (!nextFileName) return false;
  chooser.selectFile(*nextFileName);
  if (afterChoice) afterChoice();
  return true;
}

void ScriptedUi::doEvents() {
  if (onDoEvents) onDoEvents();
  QtUiServices::doEvents();
}

void ScriptedUi::endProgram() { ++endRequests; }

std::string ScriptedUi::programFolder() {
  if (programFolderFails) throw Failure(err::kPathFileAccess, "ProgramFolder");
  return folder();
}

std::string ScriptedUi::folder() const { return QDir::toNativeSeparators(programFolder_.path()).toStdString(); }

std::string ScriptedUi::executableName() { return "LUM_Brevix"; }

std::string ScriptedUi::settingsPath() const {
  return SettingsFilePathFor(folder(), "LUM_Brevix");
}

void ScriptedUi::writeSettings(const std::string& content) const {
  std::ofstream(settingsPath(), std::ios::binary | std::ios::trunc) << content;
}

void ScriptedUi::removeSettings() const { std::filesystem::remove(settingsPath()); }

}  // namespace lum::test

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace lum::test {

void AnswerNextModal(std::function<void(QWidget* modal)> answer) {
  auto* timer = new QTimer(qApp);
  auto waited = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, waited, answer = std::move(answer)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible()) {
      timer->deleteLater();
      timer->stop();
      answer(modal);
    } else if (++*waited > 500) {  // 5 s: nothing showed; stop waiting
      timer->deleteLater();
      timer->stop();
    }
  });
  timer->start(10);
}

}  // namespace lum::test

#include <QElapsedTimer>
#include <chrono>
#include <utility>

#include "reformat/ReformatFile.h"

namespace lum::test {
namespace {

constexpr auto kPatience = std::chrono::seconds(10);

}  // namespace

bool HandleEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer waited;
  waited.start();
  while (!done()) {
    if (waited.elapsed() > std::chrono::milliseconds(kPatience).count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

class HeldJob::Observer final : public CopyObserver {
 public:
  Observer(HeldJob& job, CopyObserver& inner) : job_(job), inner_(inner) {}
  void progress(std::int64_t remaining) override { inner_.progress(remaining); }
  void copied(std::int64_t read, std::int64_t total) override { inner_.copied(read, total); }
  bool cancelled() override {
    if (!first_) return inner_.cancelled();
    first_ = false;
    std::unique_lock lock(job_.mutex_);
    if (!std::exchange(job_.armed_, false)) return inner_.cancelled();
    job_.held_ = true;
    job_.changed_.notify_all();
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (!job_.released_ && std::chrono::steady_clock::now() < until) {
      lock.unlock();
      if (inner_.cancelled()) return true;
      lock.lock();
      job_.changed_.wait_for(lock, std::chrono::milliseconds(5));
    }
    lock.unlock();
    return inner_.cancelled();
  }

 private:
  HeldJob& job_;
  CopyObserver& inner_;
  bool first_ = true;
};

ReformatJob HeldJob::job() {
  return [this](const std::string& source, const std::string& target, CopyObserver& observer) {
    Observer held(*this, observer);
    return ReformatFile(source, target, held);
  };
}

bool HeldJob::waitUntilHeld() {
  return HandleEventsUntil([this] {
    std::lock_guard lock(mutex_);
    return held_;
  });
}

void HeldJob::holdNextRun() {
  std::lock_guard lock(mutex_);
  armed_ = true;
  held_ = false;
  released_ = false;
}

void HeldJob::release() {
  std::lock_guard lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

bool WaitUntilIdle(const frmMain& window) {
  return HandleEventsUntil([&window] { return !window.busy(); });
}

}  // namespace lum::test
