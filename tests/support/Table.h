#pragma once

#include <ostream>
#include <string>

namespace lum::test {

// A table row's name as the name of its test.
inline constexpr auto RowName = [](const auto& info) { return std::string(info.param.name); };

// A test file's rows live in the unnamed namespace inside lum::test, where
// GoogleTest finds this by the row's type: a failure names the row.
namespace {
template <typename Row>
requires requires(const Row& row) { row.name; }
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }
}  // namespace

}  // namespace lum::test
