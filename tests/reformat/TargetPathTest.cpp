#include "reformat/TargetPath.h"

#include <gtest/gtest.h>

namespace {

using lum::PathStyle;
constexpr PathStyle W = PathStyle::Windows, P = PathStyle::Posix;

struct TargetRow {
  const char* name;
  PathStyle style;
  std::string source, target;
};

void PrintTo(const TargetRow& row, std::ostream* os) { *os << row.name; }

class TargetPathTest : public testing::TestWithParam<TargetRow> {};

TEST_P(TargetPathTest, WholeNameWithSuffixBesideTheSource) {
  EXPECT_EQ(lum::TargetPathFor(GetParam().source, GetParam().style), GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Target, TargetPathTest,
    testing::Values(TargetRow{"WindowsFolder", W, R"(C:\Data\report.old.xml)", R"(C:\Data\report.old.xml_LUM.XML)"},
                    TargetRow{"WindowsDriveRoot", W, R"(C:\file.xml)", R"(C:\file.xml_LUM.XML)"},
                    TargetRow{"WindowsColonEndsTheName", W, R"(a\b:c.xml)", R"(a\c.xml_LUM.XML)"},
                    TargetRow{"WindowsDriveRelative", W, "C:file.xml", "C:file.xml_LUM.XML"},
                    TargetRow{"PosixFolder", P, "/data/f.xml_LUM.XML", "/data/f.xml_LUM.XML_LUM.XML"},
                    TargetRow{"PosixAtTheRoot", P, "/f.xml", "/f.xml_LUM.XML"},
                    TargetRow{"PosixBareName", P, "f.xml", "f.xml_LUM.XML"},
                    TargetRow{"PosixBackslashIsOrdinary", P, R"(d\f.xml)", R"(d\f.xml_LUM.XML)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
