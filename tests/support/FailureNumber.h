#pragma once

#include <functional>

#include "failure/Failure.h"

namespace lum::test {

// The number of the lum::Failure that `action` throws; 0 when it throws none.
inline int FailureNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const Failure& failure) {
    return failure.number();
  }
  return 0;
}

}  // namespace lum::test
