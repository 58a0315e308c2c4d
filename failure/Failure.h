#pragma once

#include <stdexcept>
#include <string>

namespace lum {

// Failure numbers. Each number stands for one kind of failure and is shown in
// the error box and the command line's messages; the numbers are fixed, so
// that users and scripts can rely on them (53 is always a missing file).
namespace err {
inline constexpr int kInvalidCall = 5;          // invalid procedure call or argument
inline constexpr int kOverflow = 6;             // a counter would overflow
inline constexpr int kOutOfMemory = 7;          // not enough memory
inline constexpr int kSubscriptOutOfRange = 9;  // an index outside its array
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIo = 57;  // device input/output error
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccess = 75;  // path or file access error
inline constexpr int kPathNotFound = 76;
inline constexpr int kBadFileFormat = 321;      // a file in a form the program cannot handle
inline constexpr int kNoSuchProperty = 438;     // object lacks the property or method
inline constexpr int kNotBase64 = -2147221504;  // Base64 Decode met a text that is no Base64
}  // namespace err

// The Czech description of a failure number; a generic text for numbers
// the table does not know.
std::string StandardDescription(int number);

// Every failure the program raises: a number, the routine or component that
// raised it, and a description (what(), UTF-8).
class Failure : public std::runtime_error {
 public:
  Failure(int number, std::string source, const std::string& description);
  // A failure with the standard description of its number.
  Failure(int number, std::string source);

  int number() const noexcept { return number_; }
  const std::string& source() const noexcept { return source_; }

 private:
  int number_;
  std::string source_;
};

// For a catch (...) block: the failure in flight, a lum::Failure as it is
// and running out of memory as failure 7 (err::kOutOfMemory) of `source`,
// so that a caller that reports failures handles one kind. Any other
// exception goes on up.
Failure CaughtFailure(std::string source);

// The text of an error box: the number in decimal, "-", the description,
// with nothing in between ("53-Soubor nebyl nalezen").
std::string ErrorBoxText(const Failure& failure);

}  // namespace lum
