// Reformats one file with the program's own job, ReformatFile, so that
// bench/reformat-bench.sh can time it as a whole process beside cat and the
// plain C loop. Usage: reformat_bench SOURCE TARGET
#include <cstdio>
#include <string>

#include "failure/Failure.h"
#include "reformat/ReformatFile.h"

namespace {

// The window shows progress and lets events run; here nobody watches.
class Unwatched : public lum::CopyObserver {
 public:
  void progress(std::int64_t) override {}
  bool cancelled() override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s SOURCE TARGET\n", argv[0]);
    return 2;
  }
  Unwatched observer;
  try {
    lum::ReformatFile(std::string(argv[1]), std::string(argv[2]), observer);
  } catch (const lum::Failure& failure) {
    std::fprintf(stderr, "%s\n", lum::ErrorBoxText(failure).c_str());
    return 1;
  }
  return 0;
}
