#include "platform/Failure.h"

#include <gtest/gtest.h>

namespace {

TEST(Failure, CarriesNumberSourceAndDescription) {
  const lum::Failure failure(-2147221504, "MyDecode", "Input string is not valid Base64.");
  EXPECT_EQ(failure.number(), -2147221504);
  EXPECT_EQ(failure.source(), "MyDecode");
  EXPECT_STREQ(failure.what(), "Input string is not valid Base64.");
}

TEST(Failure, IsCaughtAsRuntimeError) {
  try {
    throw lum::Failure(lum::err::kFileNotFound, "Reformat");
  } catch (const std::runtime_error& caught) {
    EXPECT_STREQ(caught.what(), "Soubor nebyl nalezen");
    return;
  }
  FAIL() << "not caught as std::runtime_error";
}

struct BoxTextRow {
  const char* name;
  int number;
  const char* text;
};

class ErrorBoxTextTest : public testing::TestWithParam<BoxTextRow> {};

TEST_P(ErrorBoxTextTest, IsNumberHyphenDescription) {
  EXPECT_EQ(lum::ErrorBoxText(lum::Failure(GetParam().number, "test")), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ErrorBoxTextTest,
    testing::Values(BoxTextRow{"InvalidCall", 5, "5-Neplatné volání procedury nebo neplatný argument"},
                    BoxTextRow{"Overflow", 6, "6-Přetečení"},
                    BoxTextRow{"Subscript", 9, "9-Index je mimo rozsah"},
                    BoxTextRow{"PathFileAccess", 75, "75-Chyba přístupu k cestě nebo souboru"},
                    BoxTextRow{"NotBase64", -2147221504, "-2147221504-Input string is not valid Base64."},
                    BoxTextRow{"Negative", -1, "-1-Chyba definovaná aplikací nebo objektem"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
