#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "reformat/CopyEngine.h"

namespace lum {

// The loop of the copy engine that finds the ">" of a source buffer and moves
// its lines into the target. CopyWithLineBreaks takes the fastest kernel that
// the CPU runs, chosen once; each gives the same target, the same progress
// points and the same failures.
enum class ScanKernel {
  // 64 bytes at a time with SSE2 (every x86-64); a memchr loop on other CPUs.
  Sse2,
  // 64 bytes at a time with AVX2, BMI1/BMI2 and POPCNT.
  Avx2,
};

// The kernels that this CPU runs, the fastest last.
std::vector<ScanKernel> SupportedScanKernels();

// CopyWithLineBreaks with the given kernel, which must be one of
// SupportedScanKernels().
CopyOutcome CopyWithScanKernel(ScanKernel kernel, ByteSource& source, ByteSink& sink, std::int64_t total,
                               CopyObserver& observer, std::size_t bufferSize = kDefaultCopyBufferSize,
                               SinkThread sinkThread = SinkThread::Caller);

}  // namespace lum
