#pragma once

#include <cstddef>

namespace lum {

// Where a copy takes its bytes from: a file, or memory in the tests.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `capacity` bytes into `buffer` and returns how many it read:
  // at least one while bytes are left, 0 at the end. Throws lum::Failure.
  virtual std::size_t read(char* buffer, std::size_t capacity) = 0;

 protected:
  ByteSource() = default;
  ByteSource(const ByteSource&) = default;
  ByteSource& operator=(const ByteSource&) = default;
};

// Where a copy puts its bytes.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all `size` bytes of `data`, or throws lum::Failure.
  virtual void write(const char* data, std::size_t size) = 0;

 protected:
  ByteSink() = default;
  ByteSink(const ByteSink&) = default;
  ByteSink& operator=(const ByteSink&) = default;
};

}  // namespace lum
