#include "cli/Cli.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>

#include "cli/Progress.h"
#include "platform/Failure.h"
#include "platform/Version.h"
#include "platform/console/Interrupt.h"
#include "reformat/ReformatFile.h"
#include "shared/Paths.h"

namespace lum::cli {
namespace {

constexpr char kProgram[] = "lum-brevix";
// As a source: standard input; as a target: standard output.
constexpr char kStandardStream[] = "-";

constexpr char kHelp[] =
    "Použití: lum-brevix [-q] SOUBOR...\n"
    "   nebo: lum-brevix [-q] -o VÝSTUP SOUBOR\n"
    "\n"
    "Zapíše kopii každého SOUBORU, v níž za každým znakem > následuje CR LF,\n"
    "takže každá značka XML začíná na novém řádku. Nic jiného se nezmění.\n"
    "Kopie se uloží vedle zdroje s příponou _LUM.XML (faktura.xml dá\n"
    "faktura.xml_LUM.XML) a objeví se celá, nebo vůbec. Soubory se zpracují\n"
    "jeden po druhém; chyba u jednoho nezastaví ostatní.\n"
    "\n"
    "Volby:\n"
    "  -o VÝSTUP      kopii jediného SOUBORU zapíše do VÝSTUPU;\n"
    "                 \"-\" je standardní výstup\n"
    "  -q, --quiet    vypíše jen chyby\n"
    "  -h, --help     vypíše tuto nápovědu\n"
    "      --version  vypíše verzi programu\n"
    "  --             všechny další argumenty jsou soubory\n"
    "\n"
    "SOUBOR \"-\" je standardní vstup (jen s volbou -o). Průběh se ukazuje na\n"
    "standardním chybovém výstupu, je-li to terminál a soubor větší než 4 MiB.\n"
    "\n"
    "Návratový kód: 0 vše zapsáno, 1 některý soubor se nepodařilo zpracovat,\n"
    "2 chybné volání, 130 přerušeno (Ctrl+C).\n";

struct Options {
  bool help = false;
  bool version = false;
  bool quiet = false;
  std::optional<std::string> output;
  std::vector<std::string> files;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Options Parse(const std::vector<std::string>& arguments) {
  Options options;
  bool onlyFiles = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (onlyFiles || argument.size() < 2 || argument[0] != '-') {
      options.files.push_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument == "-h" || argument == "--help") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == "-q" || argument == "--quiet") {
      options.quiet = true;
    } else if (argument == "-o") {
      if (options.output) throw UsageError("volba -o je zadána víckrát");
      if (++i == arguments.size()) throw UsageError("u volby -o chybí VÝSTUP");
      options.output = arguments[i];
    } else {
      throw UsageError("neznámá volba " + argument);
    }
  }
  if (options.help || options.version) return options;
  if (options.files.empty()) throw UsageError("chybí SOUBOR");
  if (options.output && options.files.size() > 1) throw UsageError("s volbou -o jen jeden SOUBOR");
  for (const std::string& file : options.files) {
    if (file == kStandardStream && !options.output) throw UsageError("standardní vstup (-) jen s volbou -o");
  }
  return options;
}

// The name of a source or target in messages.
std::string Shown(const std::string& file, const char* standardName) {
  return file == kStandardStream ? standardName : file;
}
std::string ShownSource(const std::string& file) { return Shown(file, "standardní vstup"); }
std::string ShownTarget(const std::string& file) { return Shown(file, "standardní výstup"); }

// Follows the copy after every buffer: draws the progress line (which, unlike
// the copy's progress points, also moves where no ">" is) and passes on a
// stop request.
class CopyWatcher final : public CopyObserver {
 public:
  CopyWatcher(ByteSink* terminal, std::string name, const std::function<bool()>& stop)
      : terminal_(terminal), name_(std::move(name)), stop_(stop) {}

  void progress(std::int64_t) override {}

  void copied(std::int64_t read, std::int64_t total) override {
    if (terminal_ == nullptr) return;
    if (!line_) line_.emplace(*terminal_, name_, total);
    line_->update(read);
  }

  bool cancelled() override { return stop_(); }

 private:
  ByteSink* terminal_;  // null: no progress line
  std::string name_;
  const std::function<bool()>& stop_;
  std::optional<ProgressLine> line_;
};

enum class Result { Written, Failed, Interrupted };

// The files of one command line, one after another.
class Batch {
 public:
  Batch(const Options& options, const Console& console) : options_(options), console_(console) {}

  int run() {
    bool failed = false;
    for (const std::string& file : options_.files) {
      if (console_.stopRequested()) return kExitInterrupted;
      const std::string target = options_.output.value_or(TargetPathFor(file, kNativePathStyle));
      switch (processFile(file, target)) {
        case Result::Written:
          break;
        case Result::Failed:
          failed = true;
          break;
        case Result::Interrupted:
          WriteMessage(console_.messages, ShownSource(file) + ": přerušeno" +
                                              (target == kStandardStream ? "" : ", kopie nebyla uložena") + "\n");
          return kExitInterrupted;
      }
    }
    return failed ? kExitSomeFailed : kExitSuccess;
  }

 private:
  Result processFile(const std::string& source, const std::string& target) {
    try {
      if (copy(source, target) == CopyOutcome::Cancelled) return Result::Interrupted;
    } catch (const ReformatFailure& failure) {
      const std::string file = failure.end() == CopyEnd::Source ? ShownSource(source) : ShownTarget(target);
      WriteMessage(console_.messages, file + ": " + ErrorBoxText(failure) + "\n");
      return Result::Failed;
    } catch (const Interrupted&) {
      return Result::Interrupted;
    }
    if (!options_.quiet && target != kStandardStream) {
      WriteMessage(console_.messages, ShownSource(source) + ": kopie uložena do " + target + "\n");
    }
    return Result::Written;
  }

  // The progress line is wiped when the copy ends, before any message.
  CopyOutcome copy(const std::string& source, const std::string& target) {
    const bool showProgress = console_.messagesOnTerminal && !options_.quiet;
    CopyWatcher watcher(showProgress ? &console_.messages : nullptr, ShownSource(source), console_.stopRequested);
    const CopySource from = source == kStandardStream ? CopySource(&console_.input) : CopySource(source);
    const CopyTarget to = target == kStandardStream ? CopyTarget(&console_.output) : CopyTarget(target);
    return ReformatFile(from, to, watcher);
  }

  const Options& options_;
  const Console& console_;
};

}  // namespace

int RunCli(const std::vector<std::string>& arguments, const Console& console) {
  Options options;
  try {
    options = Parse(arguments);
  } catch (const UsageError& error) {
    WriteMessage(console.messages, std::string(kProgram) + ": " + error.what() + "\nNápověda: " + kProgram + " --help\n");
    return kExitUsage;
  }
  if (options.help) {
    WriteMessage(console.output, kHelp);
    return kExitSuccess;
  }
  if (options.version) {
    WriteMessage(console.output, std::string(kProgram) + " " + version::kFull + "\n");
    return kExitSuccess;
  }
  return Batch(options, console).run();
}

}  // namespace lum::cli
