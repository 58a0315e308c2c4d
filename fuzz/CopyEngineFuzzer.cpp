// The copy engine against the slow reference copy, for any source (in any
// form its first bytes tell), buffer size, read size and sink thread: the
// same target and progress points, or where a cancel stopped it a beginning
// of the target, and no read after the cancel; a refused form fails with the
// reference's number before anything reaches the sink.
#include "fuzz/FuzzCheck.h"
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
  lum::test::MemorySource in(source, maxRead);
  lum::test::MemorySink out;
  lum::test::RecordingObserver observer(cancelAt);
  bool whole = false;
  const int failure = lum::test::FailureNumber([&] {
    whole = lum::CopyWithLineBreaks(in, out, total, observer, bufferSize, sinkThread) == lum::CopyOutcome::Completed;
  });
  // A cancel may come before the first bytes that a refusal needs.
  FUZZ_CHECK(failure == expected.failure || (failure == 0 && !whole));
  if (failure != 0) return FUZZ_CHECK(out.bytes.empty() && observer.points.empty());
  // A question after each read that brought bytes; a cancel only where asked for, and no read after it.
  FUZZ_CHECK(in.reads == observer.questions + (whole ? 1 : 0) && (whole || observer.questions == cancelAt));
  FUZZ_CHECK(expected.target.starts_with(out.bytes) &&
             (!whole || (out.bytes == expected.target && observer.points == expected.points)));
}
