// The number reading of the dialog's fields on every form it accepts or refuses.
#include "../../src/settings/dialog.hpp"

#include <gtest/gtest.h>

namespace {

struct NumberCase {
  const char *Text;
  bool IsNumber;
  int Value; // FieldNumber's result: the number, or 0 for a non-number
};

class FieldNumberForms : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FieldNumberForms, ReadsTheNumberOrGivesZero) {
  const NumberCase &C = GetParam();
  int Value = 12345;
  EXPECT_EQ(ReadFieldNumber(C.Text, Value), C.IsNumber) << "'" << C.Text << "'";
  if (C.IsNumber) {
    EXPECT_EQ(Value, C.Value) << "'" << C.Text << "'";
  } else {
    EXPECT_EQ(Value, 12345) << "a non-number leaves the value alone: '" << C.Text << "'";
  }
  EXPECT_EQ(FieldNumber(C.Text), C.Value) << "'" << C.Text << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Forms, FieldNumberForms,
    ::testing::Values(
        // Decimal numbers with and without a sign.
        NumberCase{"0", true, 0}, NumberCase{"7", true, 7}, NumberCase{"05", true, 5},
        NumberCase{"+3", true, 3}, NumberCase{"-3", true, -3}, NumberCase{"-0", true, 0},
        NumberCase{"99", true, 99}, NumberCase{"2147483647", true, 2147483647},
        NumberCase{"-2147483648", true, -2147483647 - 1}, NumberCase{"0000000000002", true, 2},
        // Decimal overflow.
        NumberCase{"2147483648", false, 0}, NumberCase{"-2147483649", false, 0},
        NumberCase{"99999999999999999999", false, 0},
        // Leading blanks are skipped, trailing ones are not.
        NumberCase{" 7", true, 7}, NumberCase{"   -4", true, -4}, NumberCase{"7 ", false, 0},
        NumberCase{"\t7", false, 0}, NumberCase{"- 3", false, 0},
        // Empty, blanks only, a sign alone, doubled signs, letters.
        NumberCase{"", false, 0}, NumberCase{"  ", false, 0}, NumberCase{"-", false, 0},
        NumberCase{"+", false, 0}, NumberCase{"--3", false, 0}, NumberCase{"+-3", false, 0},
        NumberCase{"a", false, 0}, NumberCase{"3a", false, 0}, NumberCase{"1.5", false, 0},
        // Hexadecimal after $, x, X, 0x and 0X: one to eight digits, no sign before.
        NumberCase{"$A", true, 10}, NumberCase{"$ff", true, 255}, NumberCase{"x10", true, 16},
        NumberCase{"X1f", true, 31}, NumberCase{"0x1", true, 1}, NumberCase{"0X12", true, 18},
        NumberCase{"0x123", true, 0x123}, NumberCase{"0x1234", true, 0x1234},
        NumberCase{"0x12345", true, 0x12345}, NumberCase{"0x123456", true, 0x123456},
        NumberCase{"0x1234567", true, 0x1234567}, NumberCase{"0x12345678", true, 0x12345678},
        NumberCase{"$7FFFFFFF", true, 2147483647}, NumberCase{"$FFFFFFFF", true, -1},
        NumberCase{"$80000000", true, -2147483647 - 1}, NumberCase{"  $B", true, 11},
        NumberCase{"$123456789", false, 0}, NumberCase{"0x123456789", false, 0},
        NumberCase{"$", false, 0}, NumberCase{"x", false, 0}, NumberCase{"0x", false, 0},
        NumberCase{"$G", false, 0}, NumberCase{"-$5", false, 0}, NumberCase{"+0x5", false, 0},
        NumberCase{"$5 ", false, 0}, NumberCase{"$ 5", false, 0}, NumberCase{"0$5", false, 0},
        NumberCase{"00x5", false, 0}),
    [](const ::testing::TestParamInfo<NumberCase> &Info) {
      return "Case" + std::to_string(Info.index);
    });

TEST(FieldNumberForms, ANullTextIsNoNumber) {
  int Value = 4;
  EXPECT_FALSE(ReadFieldNumber(nullptr, Value));
  EXPECT_EQ(FieldNumber(nullptr), 0);
}

} // namespace
