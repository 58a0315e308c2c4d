#include "reformat/CopyEngine.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "failure/Failure.h"
#include "reformat/CopyEngineInternal.h"
#include "reformat/CopyOutput.h"
#include "reformat/ScanKernel.h"
#include "reformat/WideUnits.h"

namespace lum {
namespace {

ScanLines KernelFor(ScanKernel kernel) {
#ifdef LUM_HAVE_AVX2
  if (kernel == ScanKernel::Avx2) return avx2::Scan;
#endif
  static_cast<void>(kernel);
  return sse2::Scan;
}

// One copy's state across the source buffers. The form is decided by the
// first bytes (up to four), which are held back until it is; they may come
// a byte a read. A source in bytes goes through the scan kernel, one in
// wider units through UnitCopy.
class Copier {
 public:
  Copier(Pipeline& pipeline, std::int64_t total, CopyObserver& observer, std::size_t bufferSize, ScanLines scan)
      : out_(pipeline, bufferSize, total, observer), scan_(scan) {}

  // Where the next source buffer goes; feed() takes it from there.
  char* input() const { return out_.input(); }

  void feed(std::size_t size) {
    const char* data = out_.input();
    if (!units_) decideForm(data, size);
    if (!units_) return;
    if (units_->wide()) {
      units_->copy(data, size, out_);
    } else {
      copyBytes(data, size);
    }
  }

  void finish() {
    if (!units_) start(*DetectForm({head_, headSize_}, true));
    units_->finish(out_);
    out_.flush();
  }

 private:
  // Takes bytes into the head until they decide the form. Where they decide
  // on bytes, the byte that did stays in `data` for the byte path.
  void decideForm(const char*& data, std::size_t& size) {
    for (; size > 0; ++data, --size) {
      char head[sizeof head_];
      std::memcpy(head, head_, headSize_);
      head[headSize_] = *data;
      const std::optional<Form> form = DetectForm({head, headSize_ + 1}, false);
      if (form && form->unit == 1 && form->refusal == nullptr) return start(*form);
      head_[headSize_++] = *data;
      if (form) {
        ++data;
        --size;
        return start(*form);
      }
    }
  }

  // The head held so far, whole units of the form, is copied; the rest of
  // it begins the next unit.
  void start(const Form& form) {
    if (form.refusal != nullptr) throw Failure(err::kBadFileFormat, "CopyWithLineBreaks", form.refusal);
    units_.emplace(form);
    units_->start(head_, headSize_, out_);
  }

  // `data` lies in the source buffer, which has kSlack readable bytes past
  // `size`. The lines go straight into the output buffer, room for all of
  // them reserved at once.
  void copyBytes(const char* data, std::size_t size) {
    char* const start = out_.reserve(3 * size + kSlack);
    // The target position of the byte before `start`, and the count that
    // remains before `data`.
    const ProgressPoints points{out_.written() - AddressOf(start), out_.remaining() + AddressOf(data),
                                &out_.observer()};
    const Lines lines = scan_(data, data + size, start, points);
    out_.count(static_cast<std::size_t>(lines.source - data), static_cast<std::size_t>(lines.target - start));
    out_.commit(lines.target);
    out_.copyRest(lines.source, static_cast<std::size_t>(data + size - lines.source));
  }

  CopyOutput out_;
  const ScanLines scan_;
  std::optional<UnitCopy> units_;  // once the form is decided
  char head_[4] = {};              // the first bytes while the form is undecided
  std::size_t headSize_ = 0;
};

}  // namespace

std::vector<ScanKernel> SupportedScanKernels() {
  std::vector<ScanKernel> kernels{ScanKernel::Sse2};
#ifdef LUM_HAVE_AVX2
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
      __builtin_cpu_supports("popcnt")) {
    kernels.push_back(ScanKernel::Avx2);
  }
#endif
  return kernels;
}

CopyOutcome CopyWithLineBreaks(ByteSource& source, ByteSink& sink, std::int64_t total, CopyObserver& observer,
                               std::size_t bufferSize, SinkThread sinkThread) {
  static const ScanKernel fastest = SupportedScanKernels().back();
  return CopyWithScanKernel(fastest, source, sink, total, observer, bufferSize, sinkThread);
}

CopyOutcome CopyWithScanKernel(ScanKernel kernel, ByteSource& source, ByteSink& sink, std::int64_t total,
                               CopyObserver& observer, std::size_t bufferSize, SinkThread sinkThread) {
  bufferSize = std::max<std::size_t>(bufferSize, 1);
  Pipeline pipeline(sink, 3 * bufferSize + kSlack, sinkThread);
  Copier copier(pipeline, total, observer, bufferSize, KernelFor(kernel));
  std::int64_t read = 0;
  while (const std::size_t got = source.read(copier.input(), bufferSize)) {
    copier.feed(got);
    read += static_cast<std::int64_t>(got);
    observer.copied(read, total);
    if (observer.cancelled()) return CopyOutcome::Cancelled;
  }
  copier.finish();
  pipeline.finish();
  return CopyOutcome::Completed;
}

}  // namespace lum
