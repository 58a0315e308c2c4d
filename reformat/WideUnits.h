#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "reformat/CopyOutput.h"

namespace lum {

// How a source's characters are stored, as its first bytes tell: in units of
// 1, 2 or 4 bytes, the wider ones in either byte order. A form that cannot be
// copied has the reason why, in the failure's words.
struct Form {
  std::size_t unit;
  bool bigEndian;
  const char* refusal;
};

// The form of a source that starts with `head`, or none while a longer
// signature may still match: `whole` says that no more bytes follow.
std::optional<Form> DetectForm(std::string_view head, bool whole);

// Copies a source unit by unit: the units CR and LF, in the source's form,
// follow every unit ">" (the 3E of ">" with all other bytes 00). Sources in
// units of 2 or 4 bytes go all this way; of a source in bytes only the first
// bytes that were held back while its form was undecided. A unit's first
// bytes are held back when a buffer ends inside it.
class UnitCopy {
 public:
  explicit UnitCopy(const Form& form);

  bool wide() const { return unit_ > 1; }

  // The source's first bytes, held back until they decided the form (at most
  // four): their whole units are copied, and the rest begins the next unit.
  void start(const char* head, std::size_t size, CopyOutput& out);

  // `data` goes on the unit that the held bytes begin.
  void copy(const char* data, std::size_t size, CopyOutput& out);

  // A last unit cut short is copied as it is.
  void finish(CopyOutput& out);

 private:
  bool isGtUnit(const char* unit) const;
  void copyUnit(const char* unit, CopyOutput& out);
  void copyLine(const char* data, std::size_t size, CopyOutput& out);

  std::size_t unit_;
  std::size_t gtByte_;      // which byte of a unit holds the 3E of ">"
  char lineBreak_[8] = {};  // the units CR and LF, in the source's form
  char held_[4] = {};       // a unit's first bytes
  std::size_t heldSize_ = 0;
};

}  // namespace lum
