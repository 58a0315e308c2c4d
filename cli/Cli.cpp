#include "cli/Cli.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "cli/Progress.h"
#include "failure/Failure.h"
#include "platform/Version.h"
#include "platform/console/Interrupt.h"
#include "platform/console/StandardStreams.h"
#include "reformat/ReformatFile.h"
#include "reformat/TargetPath.h"

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
    "  -o, --output=VÝSTUP  kopii jediného SOUBORU zapíše do VÝSTUPU;\n"
    "                       \"-\" (i /dev/stdout) je standardní výstup;\n"
    "                       -o SOUBOR SOUBOR převede SOUBOR na místě\n"
    "                       (bezpečně: hotová kopie nahradí zdroj celá)\n"
    "  -q, --quiet          vypíše jen chyby\n"
    "  -h, --help           vypíše tuto nápovědu\n"
    "      --version        vypíše verzi programu\n"
    "  --                   všechny další argumenty jsou soubory\n"
    "Krátké volby lze psát dohromady (-qo VÝSTUP, -oVÝSTUP), dlouhé zkrátit\n"
    "(--out VÝSTUP, --out=VÝSTUP); volby mohou stát i mezi soubory.\n"
    "\n"
    "SOUBOR \"-\" je standardní vstup (jen s volbou -o). Průběh se ukazuje na\n"
    "standardním chybovém výstupu, je-li to terminál a soubor větší než 4 MiB.\n"
    "\n"
    "Návratový kód: 0 vše zapsáno, 1 některý soubor se nepodařilo zpracovat,\n"
    "2 chybné volání, 130 přerušeno (Ctrl+C). Skončí-li čtenář standardního\n"
    "výstupu dřív (head), program tiše skončí jako jiné filtry (SIGPIPE).\n";

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

enum class Option { Output, Quiet, Help, Version };

struct OptionName {
  Option option;
  char shortName;  // '\0': none
  std::string_view longName;
  bool takesArgument;
};

constexpr OptionName kOptionNames[] = {{Option::Output, 'o', "output", true},
                                       {Option::Quiet, 'q', "quiet", false},
                                       {Option::Help, 'h', "help", false},
                                       {Option::Version, '\0', "version", false}};

// The long option that `name` spells in full or begins, as getopt_long
// takes it (--out for --output).
const OptionName* FindLong(std::string_view name) {
  const OptionName* found = nullptr;
  for (const OptionName& candidate : kOptionNames) {
    if (candidate.longName == name) return &candidate;
    if (!name.empty() && candidate.longName.starts_with(name)) {
      if (found != nullptr) return nullptr;  // more than one begins so
      found = &candidate;
    }
  }
  return found;
}

const OptionName* FindShort(char name) {
  for (const OptionName& candidate : kOptionNames) {
    if (candidate.shortName != '\0' && candidate.shortName == name) return &candidate;
  }
  return nullptr;
}

// The length of the UTF-8 character that starts `text`, if it is a valid
// one that a terminal shows as it is: no control character (C0, DEL, C1),
// no overlong form, no surrogate; 0 otherwise.
std::size_t PrintableCharacter(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return lead >= 0x20 && lead != 0x7F ? 1 : 0;
  const std::size_t length = lead >= 0xF8 ? 0 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || text.size() < length) return 0;
  char32_t code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  constexpr char32_t kShortest[] = {0, 0, 0xA0, 0x800, 0x10000};  // 0x80-0x9F: the C1 controls
  if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

// A file name as messages show it: as it is, unless it holds a control
// character or bytes that are no UTF-8, which could drive the terminal or
// garble the line. Such a name is shown quoted as a shell writes it,
// $'...', with those bytes as \xHH, so that it can also be pasted back.
std::string Printable(std::string_view name) {
  std::string quoted = "$'";
  bool needed = false;
  for (std::size_t i = 0; i < name.size();) {
    if (const std::size_t length = PrintableCharacter(name.substr(i))) {
      if (name[i] == '\\' || name[i] == '\'') quoted += '\\';
      quoted.append(name.substr(i, length));
      i += length;
      continue;
    }
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(name[i++]));
    quoted += escape;
    needed = true;
  }
  return needed ? quoted + "'" : std::string(name);
}

// The character of UTF-8 `text` that starts at `at`, whole, for messages.
std::string CharacterAt(const std::string& text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return text.substr(at, end - at);
}

// The options as getopt_long-style tools take them: short ones alone or
// together (-q -o X, -qo X, -oX), long ones as --output X or --output=X or
// shortened (--out X), anywhere among the files; "--" ends the options, and
// "-" alone is a file. An option's argument is taken whatever it looks like
// (-o - is standard output).
Options Parse(const std::vector<std::string>& arguments) {
  Options options;
  bool onlyFiles = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // `written`: the option as the user wrote it, for messages; `attached`:
    // its argument in the same word, if any.
    const auto apply = [&](const OptionName& name, const std::string& written, std::optional<std::string> attached) {
      if (attached && !name.takesArgument) throw UsageError("volba " + written + " nemá argument");
      if (name.takesArgument && !attached) {
        if (++i == arguments.size()) throw UsageError("u volby " + written + " chybí VÝSTUP");
        attached = arguments[i];
      }
      switch (name.option) {
        case Option::Output:
          if (options.output) throw UsageError("volba " + written + " je zadána víckrát");
          options.output = attached;
          break;
        case Option::Quiet:
          options.quiet = true;
          break;
        case Option::Help:
          options.help = true;
          break;
        case Option::Version:
          options.version = true;
          break;
      }
    };
    if (onlyFiles || argument.size() < 2 || argument[0] != '-') {
      options.files.push_back(argument);
    } else if (argument == "--") {
      onlyFiles = true;
    } else if (argument.starts_with("--")) {
      const std::size_t equals = argument.find('=');
      const std::string written = argument.substr(0, equals);
      const OptionName* name = FindLong(std::string_view(written).substr(2));
      if (name == nullptr) throw UsageError("neznámá volba " + Printable(written));
      apply(*name, "--" + std::string(name->longName),
            equals == std::string::npos ? std::nullopt : std::optional(argument.substr(equals + 1)));
    } else {
      for (std::size_t at = 1; at < argument.size(); ++at) {
        const OptionName* name = FindShort(argument[at]);
        if (name == nullptr) throw UsageError("neznámá volba " + Printable("-" + CharacterAt(argument, at)));
        // An option that takes an argument takes the rest of the word, if any.
        const bool restIsArgument = name->takesArgument && at + 1 < argument.size();
        apply(*name, std::string("-") + name->shortName,
              restIsArgument ? std::optional(argument.substr(at + 1)) : std::nullopt);
        if (name->takesArgument) break;
      }
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
  return file == kStandardStream ? standardName : Printable(file);
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
    if (!line_) line_.emplace(*terminal_, name_, total, start_);
    line_->update(read);
  }

  bool cancelled() override { return stop_(); }

 private:
  ByteSink* terminal_;  // null: no progress line
  std::string name_;
  const std::function<bool()>& stop_;
  // The rate counts from here, before the source is opened, not from the
  // first buffer.
  ProgressLine::Clock::time_point start_ = ProgressLine::Clock::now();
  std::optional<ProgressLine> line_;
};

enum class Result { Written, Failed, Interrupted, ReaderGone };

// The files of one command line, one after another.
class Batch {
 public:
  Batch(const Options& options, const Console& console) : options_(options), console_(console) {}

  int run() {
    bool failed = false;
    for (const std::string& file : options_.files) {
      if (console_.stopRequested()) return kExitInterrupted;
      const std::string target = TargetFor(file);
      switch (processFile(file, target)) {
        case Result::Written:
          break;
        case Result::Failed:
          failed = true;
          break;
        case Result::ReaderGone:
          return kExitReaderGone;
        case Result::Interrupted:
          WriteMessage(console_.messages, ShownSource(file) + ": přerušeno" +
                                              (target == kStandardStream ? "" : ", kopie nebyla uložena") + "\n");
          return kExitInterrupted;
      }
    }
    return failed ? kExitSomeFailed : kExitSuccess;
  }

 private:
  // The copy's name beside its source, or OUTPUT; a name of standard output
  // (/dev/stdout) is standard output.
  std::string TargetFor(const std::string& source) const {
    if (!options_.output) return TargetPathFor(source, kNativePathStyle);
    return StreamNamedBy(*options_.output) == StreamName::StandardOutput ? kStandardStream : *options_.output;
  }

  Result processFile(const std::string& source, const std::string& target) {
    try {
      if (copy(source, target) == CopyOutcome::Cancelled) return Result::Interrupted;
    } catch (const ReformatFailure& failure) {
      const std::string file = failure.end() == CopyEnd::Source ? ShownSource(source) : ShownTarget(target);
      WriteMessage(console_.messages, file + ": " + ErrorBoxText(failure) + "\n");
      return Result::Failed;
    } catch (const Interrupted&) {
      return Result::Interrupted;
    } catch (const ReaderGone&) {
      return Result::ReaderGone;
    }
    if (!options_.quiet && target != kStandardStream) {
      WriteMessage(console_.messages, ShownSource(source) + ": kopie uložena do " + ShownTarget(target) + "\n");
    }
    return Result::Written;
  }

  // The progress line is wiped when the copy ends, before any message.
  CopyOutcome copy(const std::string& source, const std::string& target) {
    // Standard output that is the source file itself (lum-brevix -o - a.xml
    // >>a.xml, or -o - - <a.xml >>a.xml) would take the copy after the
    // source's end and read it back again, until the disk is full.
    if (target == kStandardStream && console_.outputFile &&
        (source == kStandardStream ? console_.inputFile : IdentityOf(source)) == console_.outputFile) {
      throw ReformatFailure(TargetIsTheSource(), CopyEnd::Target);
    }
    const bool showProgress = console_.messagesOnTerminal && !options_.quiet;
    CopyWatcher watcher(showProgress ? &console_.messages : nullptr, ShownSource(source), console_.stopRequested);
    const CopySource from = source == kStandardStream ? CopySource(&console_.input) : CopySource(source);
    const CopyTarget to = target == kStandardStream ? CopyTarget(&console_.output) : CopyTarget(target);
    // OUTPUT may name the source on purpose, to convert it in place (safely:
    // the copy takes its place whole); the name beside it may not.
    return ReformatFile(from, to, watcher, options_.output ? SourceAsTarget::InPlace : SourceAsTarget::Refused);
  }

  const Options& options_;
  const Console& console_;
};

// Writes the help or the version to standard output: a text that does not
// arrive there is a failure of the program.
int WriteAnswer(const Console& console, std::string_view text) {
  try {
    console.output.write(text.data(), text.size());
    return kExitSuccess;
  } catch (const Failure& failure) {
    WriteMessage(console.messages, ShownTarget(kStandardStream) + ": " + ErrorBoxText(failure) + "\n");
    return kExitSomeFailed;
  } catch (const ReaderGone&) {
    return kExitReaderGone;
  } catch (const Interrupted&) {
    return kExitInterrupted;
  }
}

int ReportUsageError(const Console& console, const std::string& problem) {
  WriteMessage(console.messages, std::string(kProgram) + ": " + problem + "\nNápověda: " + kProgram + " --help\n");
  return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, const Console& console) {
  Options options;
  try {
    options = Parse(arguments);
  } catch (const UsageError& error) {
    return ReportUsageError(console, error.what());
  }
  if (options.help) return WriteAnswer(console, kHelp);
  if (options.version) return WriteAnswer(console, std::string(kProgram) + " " + version::kFull + "\n");
  if (options.output && StreamNamedBy(*options.output) == StreamName::OtherStream) {
    return ReportUsageError(
        console, "VÝSTUP " + Printable(*options.output) + " je otevřený proud, ne soubor; standardní výstup je -o -");
  }
  return Batch(options, console).run();
}

}  // namespace lum::cli
