#include "reformat/ReformatFile.h"

#include <cstdint>
#include <optional>
#include <utility>

#include "platform/Files.h"

namespace lum {
namespace {

// Runs `action`; a failure it throws becomes a ReformatFailure of `end`,
// unless it already is one.
template <typename Action>
decltype(auto) ConcerningEnd(CopyEnd end, Action&& action) {
  try {
    return std::forward<Action>(action)();
  } catch (const ReformatFailure&) {
    throw;
  } catch (...) {
    const Failure failure = CaughtFailure("ReformatFile");
    // A source in a form that cannot be copied is the source's failure,
    // though the copy finds it.
    throw ReformatFailure(failure, failure.number() == err::kBadFileFormat ? CopyEnd::Source : end);
  }
}

// The source as the copy reads it: its failures concern the source.
class SourceEnd final : public ByteSource {
 public:
  explicit SourceEnd(ByteSource& inner) : inner_(inner) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    return ConcerningEnd(CopyEnd::Source, [&] { return inner_.read(buffer, capacity); });
  }

 private:
  ByteSource& inner_;
};

// A file shorter than kSmallFile is copied in buffers of kSmallFileBuffer,
// which keep the pages the copy touches, and with them the process's memory,
// in proportion to the file.
constexpr std::int64_t kSmallFile = std::int64_t{1} << 20;
constexpr std::size_t kSmallFileBuffer = std::size_t{256} << 10;
// A file shorter than this is written by the calling thread between its
// reads. A writer thread of its own overlaps the writes with the reading and
// scanning, but must fetch each buffer from the cache of the CPU that filled
// it, which costs more than the overlap gains until a copy is long.
constexpr std::int64_t kWriterThreadFrom = std::int64_t{128} << 20;

}  // namespace

Failure TargetIsTheSource() {
  return Failure(err::kPathFileAccess, "ReformatFile", "Kopie by přepsala zdrojový soubor");
}

CopyOutcome ReformatFile(const std::string& source, const std::string& target, CopyObserver& observer) {
  return ReformatFile(CopySource(source), CopyTarget(target), observer);
}

CopyOutcome ReformatFile(const CopySource& source, const CopyTarget& target, CopyObserver& observer,
                         SourceAsTarget sourceAsTarget) {
  // The source is opened, and found to be a file, before anything is created.
  std::optional<InputFile> sourceFile;
  if (const auto* path = std::get_if<std::string>(&source)) {
    ConcerningEnd(CopyEnd::Source, [&] { sourceFile.emplace(*path); });
  }
  std::optional<ReplacementFile> targetFile;
  if (const auto* path = std::get_if<std::string>(&target)) {
    if (sourceFile && sourceAsTarget == SourceAsTarget::Refused && IdentityOf(*path) == sourceFile->identity()) {
      throw ReformatFailure(TargetIsTheSource(), CopyEnd::Target);
    }
    ConcerningEnd(CopyEnd::Target, [&] { targetFile.emplace(*path); });
  }
  SourceEnd input(sourceFile ? *sourceFile : *std::get<ByteSource*>(source));
  ByteSink& output = targetFile ? static_cast<ByteSink&>(*targetFile) : *std::get<ByteSink*>(target);
  const std::int64_t total = sourceFile ? sourceFile->size() : -1;
  // A target file is written on a thread of its own while the source is
  // read and scanned when the source is long or a stream (whose writer then
  // need not wait for the writes); a target stream, which may wait for its
  // reader for good, is written by this thread, where a stop request breaks
  // off the wait.
  const bool small = total >= 0 && total < kSmallFile;
  const bool longSource = total < 0 || total >= kWriterThreadFrom;
  const SinkThread sinkThread = targetFile && longSource ? SinkThread::Own : SinkThread::Caller;
  const std::size_t bufferSize = small ? kSmallFileBuffer : kDefaultCopyBufferSize;
  return ConcerningEnd(CopyEnd::Target, [&] {
    const CopyOutcome outcome = CopyWithLineBreaks(input, output, total, observer, bufferSize, sinkThread);
    // The source is closed before the copy takes a name: Windows replaces no
    // file that is still open, and an in-place conversion replaces the source.
    sourceFile.reset();
    if (outcome == CopyOutcome::Completed && targetFile) targetFile->commit();
    return outcome;
  });
}

}  // namespace lum
