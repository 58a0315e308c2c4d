#pragma once

#include <string>

namespace lum::test {

// A table row's name as the name of its test.
inline constexpr auto RowName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace lum::test
