// The copy engine against the slow reference copy, for any source (in any
// form its first bytes tell), buffer size, read size and sink thread, through
// every scan kernel this CPU runs: the same target and progress points, or
// where a cancel stopped it a beginning of the target, and no read after the
// cancel; a refused form fails with the reference's number before anything
// reaches the sink.
#include "fuzz/FuzzCheck.h"
#include "reformat/ScanKernel.h"
#include "tests/support/ReferenceCopy.h"
#include "tests/support/Streams.h"

static void FuzzOne(FuzzedDataProvider&& input) {
  // Mostly small buffers, so that their boundaries fall everywhere; 0 counts as 1.
  const auto bufferSize = input.ConsumeIntegralInRange<std::size_t>(0, input.ConsumeBool() ? 64 : 70000);
  const auto maxRead = input.ConsumeIntegralInRange<std::size_t>(1, std::max<std::size_t>(bufferSize, 1));
  const int cancelAt = input.ConsumeIntegralInRange(0, 64);  // the question answered with "cancel"; 0: none
  const auto sinkThread = input.ConsumeBool() ? lum::SinkThread::Own : lum::SinkThread::Caller;
  const auto total = input.ConsumeIntegralInRange<std::int64_t>(-1, 1 << 20);  // the length given; -1: unknown
  const std::string source = input.ConsumeRemainingBytesAsString();
  const lum::test::ReferenceCopy expected = lum::test::ReferenceFor(source, total);
  for (const lum::ScanKernel kernel : lum::SupportedScanKernels()) {
    lum::test::MemorySource in(source, maxRead);
    lum::test::MemorySink out;
    lum::test::RecordingObserver observer(cancelAt);
    bool whole = false;
    const int failure = lum::test::FailureNumber([&] {
      whole = lum::CopyWithScanKernel(kernel, in, out, total, observer, bufferSize, sinkThread) ==
              lum::CopyOutcome::Completed;
    });
    FUZZ_CHECK(sinkThread == lum::SinkThread::Own || !out.byAnotherThread);
    // A cancel may come before the first bytes that a refusal needs.
    FUZZ_CHECK(failure == expected.failure || (failure == 0 && !whole));
    if (failure != 0) {
      FUZZ_CHECK(out.bytes.empty() && observer.points.empty());
      continue;
    }
    // A question after each read that brought bytes; a cancel only where asked for, and no read after it.
    FUZZ_CHECK(in.reads == observer.questions + (whole ? 1 : 0) && (whole || observer.questions == cancelAt));
    FUZZ_CHECK(expected.target.starts_with(out.bytes) &&
               (!whole || (out.bytes == expected.target && observer.points == expected.points)));
  }
}
