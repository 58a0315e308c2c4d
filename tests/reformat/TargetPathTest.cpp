#include "reformat/TargetPath.h"

#include <gtest/gtest.h>

namespace {

TEST(TargetPathFor, WholeNameWithSuffixBesideTheSource) {
  constexpr lum::PathStyle W = lum::PathStyle::Windows, P = lum::PathStyle::Posix;
  const struct {
    lum::PathStyle style;
    const char *source, *target;
  } rows[] = {
      {W, R"(C:\Data\report.old.xml)", R"(C:\Data\report.old.xml_LUM.XML)"},
      {W, R"(C:\file.xml)", R"(C:\file.xml_LUM.XML)"},  // the drive's root keeps its separator
      {W, R"(a\b:c.xml)", R"(a\c.xml_LUM.XML)"},        // a colon ends the name
      {W, "C:file.xml", "C:file.xml_LUM.XML"},          // drive-relative: beside it
      {P, "/data/f.xml_LUM.XML", "/data/f.xml_LUM.XML_LUM.XML"},
      {P, "/f.xml", "/f.xml_LUM.XML"},
      {P, "f.xml", "f.xml_LUM.XML"},
      {P, R"(d\f.xml)", R"(d\f.xml_LUM.XML)"},  // a backslash is an ordinary character
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.source);
    EXPECT_EQ(lum::TargetPathFor(row.source, row.style), row.target);
  }
}

}  // namespace
