// Times the copy engine alone, without the kernel: the whole file is read into
// memory first and copied from there into a sink that only counts, the least
// thread CPU time over ROUNDS copies. The progress values are summed, so that
// two builds can be seen to give the same points. KERNEL (sse2 or avx2) picks
// the scan kernel; without it the engine takes the fastest the CPU runs.
// Usage: scan_bench FILE ROUNDS [KERNEL]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "reformat/CopyEngine.h"
#include "reformat/ScanKernel.h"

namespace {

class MemorySource : public lum::ByteSource {
 public:
  explicit MemorySource(const std::string& data) : data_(data) {}
  std::size_t read(char* buffer, std::size_t capacity) override {
    const std::size_t size = std::min(capacity, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, size);
    position_ += size;
    return size;
  }

 private:
  const std::string& data_;
  std::size_t position_ = 0;
};

class CountingSink : public lum::ByteSink {
 public:
  void write(const char*, std::size_t size) override { bytes += static_cast<long long>(size); }
  long long bytes = 0;
};

class SummingObserver : public lum::CopyObserver {
 public:
  void progress(std::int64_t remaining) override { sum += remaining; }
  bool cancelled() override { return false; }
  long long sum = 0;
};

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s FILE ROUNDS [sse2|avx2]\n", argv[0]);
    return 2;
  }
  const auto kernels = lum::SupportedScanKernels();
  lum::ScanKernel kernel = kernels.back();
  if (argc == 4) {
    kernel = std::strcmp(argv[3], "avx2") == 0 ? lum::ScanKernel::Avx2 : lum::ScanKernel::Sse2;
    if (std::find(kernels.begin(), kernels.end(), kernel) == kernels.end()) {
      std::fprintf(stderr, "this CPU does not run the kernel %s\n", argv[3]);
      return 2;
    }
  }
  std::ifstream file(argv[1], std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  double best = 0;
  for (int round = 0; round < std::atoi(argv[2]); ++round) {
    MemorySource source(data);
    CountingSink sink;
    SummingObserver observer;
    const double start = ThreadCpuMs();
    lum::CopyWithScanKernel(kernel, source, sink, static_cast<std::int64_t>(data.size()), observer);
    const double spent = ThreadCpuMs() - start;
    best = round == 0 ? spent : std::min(best, spent);
    if (round == 0) std::printf("target %lld bytes, progress sum %lld\n", sink.bytes, observer.sum);
  }
  std::printf("%.1f ms\n", best);
  return 0;
}
