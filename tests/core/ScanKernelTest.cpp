#include "reformat/ScanKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/support/ReferenceCopy.h"

namespace {

// The source, the sink and the observer of one copy.
struct Copy : lum::ByteSource, lum::ByteSink, lum::CopyObserver {
  explicit Copy(std::string_view source) : rest(source) {}
  std::string_view rest;
  lum::test::ReferenceCopy done;
  std::size_t read(char* to, std::size_t n) override { n = rest.copy(to, n); rest.remove_prefix(n); return n; }
  void write(const char* bytes, std::size_t size) override { done.target.append(bytes, size); }
  void progress(std::int64_t remaining) override { done.points.push_back(remaining); }
  bool cancelled() override { return false; }
};

class ScanKernelTest : public testing::TestWithParam<lum::ScanKernel> {};
// Random bytes below '>' with one '>' in `gtEvery` (from every byte to almost
// none), in lengths around the 64-byte blocks, read in buffers down to a byte;
// also behind a byte that may start a byte-order mark, which shifts every
// block, and as UTF-16, where a '>' byte counts only as the low half of a unit.
TEST_P(ScanKernelTest, GivesTheReferenceTargetAndProgressPoints) {
  if (std::ranges::count(lum::SupportedScanKernels(), GetParam()) == 0) GTEST_SKIP() << "not on this CPU";
  std::mt19937 random(1);
  for (const std::size_t length : {0, 1, 63, 64, 65, 127, 129, 191, 1000, 70000}) {
    for (const unsigned gtEvery : {1u, 2u, 3u, 8u, 30u, 70u, 150u, 100000u}) {
      for (std::string source : {"", "\xFE", "\xFF\xFE"}) {
        while (source.size() < length) source += random() % gtEvery ? char(random() % '>') : '>';
        for (const std::size_t bufferSize : {std::size_t{1}, std::size_t{64}, std::size_t{65}, std::size_t{1} << 20}) {
          SCOPED_TRACE(testing::Message() << length << " bytes, 1 in " << gtEvery << " '>', buffer " << bufferSize);
          Copy copy(source);
          const auto total = static_cast<std::int64_t>(source.size());
          lum::CopyWithScanKernel(GetParam(), copy, copy, total, copy, bufferSize, lum::SinkThread::Own);
          EXPECT_EQ(copy.done, lum::test::ReferenceFor(source, total));
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, ScanKernelTest, testing::Values(lum::ScanKernel::Sse2, lum::ScanKernel::Avx2),
                         [](const auto& info) { return info.param == lum::ScanKernel::Avx2 ? "Avx2" : "Sse2"; });

}  // namespace
