#include "failure/Failure.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

// The failure a catch (...) block gets for what `thrown` throws.
template <typename Thrown>
lum::Failure Caught(const Thrown& thrown) {
  try {
    throw thrown;
  } catch (...) {
    return lum::CaughtFailure("Zpracuj");
  }
}

TEST(CaughtFailure, KeepsAFailureAndNumbersOutOfMemory) {
  const lum::Failure kept = Caught(lum::Failure(lum::err::kDiskFull, "ReplacementFile"));
  EXPECT_EQ(lum::ErrorBoxText(kept), "61-Disk je plný");
  EXPECT_EQ(kept.source(), "ReplacementFile");
  const lum::Failure memory = Caught(std::bad_alloc());
  EXPECT_EQ(lum::ErrorBoxText(memory), "7-Nedostatek paměti");
  EXPECT_EQ(memory.source(), "Zpracuj");
  EXPECT_THROW(Caught(std::logic_error("other")), std::logic_error);
}

}  // namespace
