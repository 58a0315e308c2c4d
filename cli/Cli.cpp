#include "cli/Cli.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

#include "cli/Progress.h"
#include "main_window/CopyEngine.h"
#include "platform/Failure.h"
#include "platform/Files.h"
#include "platform/Interrupt.h"
#include "platform/Version.h"
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

// A failure together with the file it concerns.
struct FileFailure {
  std::string file;
  Failure failure;
};

// Runs `action`; a lum::Failure it throws becomes a FileFailure for `file`.
template <typename Action>
decltype(auto) Blame(const std::string& file, Action&& action) {
  try {
    return std::forward<Action>(action)();
  } catch (const Failure& failure) {
    throw FileFailure{file, failure};
  } catch (const std::bad_alloc&) {
    throw FileFailure{file, Failure(err::kOutOfMemory, kProgram)};
  }
}

// The name of a source or target in messages.
std::string Shown(const std::string& file, const char* standardName) {
  return file == kStandardStream ? standardName : file;
}
std::string ShownSource(const std::string& file) { return Shown(file, "standardní vstup"); }
std::string ShownTarget(const std::string& file) { return Shown(file, "standardní výstup"); }

// The source as the copy reads it: counts the bytes for the progress line
// (which, unlike the copy's progress points, also moves where no ">" is) and
// blames its failures on the source file.
class CountingSource final : public ByteSource {
 public:
  CountingSource(ByteSource& inner, const std::string& file) : inner_(inner), file_(file) {}

  std::size_t read(char* buffer, std::size_t capacity) override {
    const std::size_t got = Blame(file_, [&] { return inner_.read(buffer, capacity); });
    count_ += static_cast<std::int64_t>(got);
    return got;
  }

  std::int64_t count() const noexcept { return count_; }

 private:
  ByteSource& inner_;
  const std::string& file_;
  std::int64_t count_ = 0;
};

// Follows the copy after every buffer: moves the progress line and passes
// on a stop request.
class Watcher final : public CopyObserver {
 public:
  Watcher(const CountingSource& source, std::optional<ProgressLine>& line, const std::function<bool()>& stop)
      : source_(source), line_(line), stop_(stop) {}

  void progress(std::int64_t) override {}  // the source counts for the line

  bool cancelled() override {
    if (line_) line_->update(source_.count());
    return stop_();
  }

 private:
  const CountingSource& source_;
  std::optional<ProgressLine>& line_;
  const std::function<bool()>& stop_;
};

enum class Result { Written, Failed, Interrupted };

class Run {
 public:
  Run(const Options& options, const Console& console) : options_(options), console_(console) {}

  int all() {
    bool failed = false;
    for (const std::string& file : options_.files) {
      if (console_.stopRequested()) return kExitInterrupted;
      const std::string target = options_.output.value_or(TargetPathFor(file, kNativePathStyle));
      switch (one(file, target)) {
        case Result::Written:
          break;
        case Result::Failed:
          failed = true;
          break;
        case Result::Interrupted:
          Say(console_.messages, ShownSource(file) + ": přerušeno" +
                                     (target == kStandardStream ? "" : ", kopie nebyla uložena") + "\n");
          return kExitInterrupted;
      }
    }
    return failed ? kExitSomeFailed : kExitSuccess;
  }

 private:
  Result one(const std::string& source, const std::string& target) {
    try {
      if (copy(source, target) == CopyOutcome::Cancelled) return Result::Interrupted;
    } catch (const FileFailure& failed) {
      Say(console_.messages, failed.file + ": " + ErrorBoxText(failed.failure) + "\n");
      return Result::Failed;
    } catch (const Interrupted&) {
      return Result::Interrupted;
    }
    if (!options_.quiet && target != kStandardStream) {
      Say(console_.messages, ShownSource(source) + ": kopie uložena do " + target + "\n");
    }
    return Result::Written;
  }

  // The order is ReformatFile's: the source is opened, and found to be a
  // file, before anything is created; the target is committed only whole.
  CopyOutcome copy(const std::string& source, const std::string& target) {
    const std::string sourceName = ShownSource(source);
    const std::string targetName = ShownTarget(target);
    std::optional<InputFile> file;
    if (source != kStandardStream) Blame(sourceName, [&] { file.emplace(source); });
    std::optional<ReplacementFile> replacement;
    if (target != kStandardStream) Blame(targetName, [&] { replacement.emplace(target); });

    CountingSource counted(file ? *file : console_.input, sourceName);
    ByteSink& sink = replacement ? *replacement : console_.output;
    const std::int64_t total = file ? file->size() : -1;
    std::optional<ProgressLine> line;
    if (console_.messagesOnTerminal && !options_.quiet) line.emplace(console_.messages, sourceName, total);
    Watcher watcher(counted, line, console_.stopRequested);
    // A file is written on a thread of its own; standard output, which may
    // wait for its reader for good, by this thread, where Ctrl-C breaks off
    // the wait.
    const SinkThread sinkThread = replacement ? SinkThread::Own : SinkThread::Caller;
    const CopyOutcome outcome = Blame(targetName, [&] {
      return CopyWithLineBreaks(counted, sink, std::max<std::int64_t>(total, 0), watcher, kDefaultCopyBufferSize,
                                sinkThread);
    });
    if (outcome == CopyOutcome::Completed && replacement) Blame(targetName, [&] { replacement->commit(); });
    return outcome;
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
    Say(console.messages, std::string(kProgram) + ": " + error.what() + "\nNápověda: " + kProgram + " --help\n");
    return kExitUsage;
  }
  if (options.help) {
    Say(console.output, kHelp);
    return kExitSuccess;
  }
  if (options.version) {
    Say(console.output, std::string(kProgram) + " " + version::kFull + "\n");
    return kExitSuccess;
  }
  return Run(options, console).all();
}

}  // namespace lum::cli
