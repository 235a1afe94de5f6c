// The number reading of the dialog's fields: a signed decimal or a hexadecimal number.
#include "dialog.hpp"

#include <cstdint>

namespace {

int HexDigitValue(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'A' && C <= 'F')
    return C - 'A' + 10;
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  return -1;
}

// One to eight hexadecimal digits that run to the end of the text; the 32 bits they give
// are taken as a signed number.
bool ReadHexDigits(const char *Text, int &Value) {
  std::uint32_t Bits = 0;
  int Count = 0;
  for (; Text[Count]; ++Count) {
    int Digit = HexDigitValue(Text[Count]);
    if (Digit < 0 || Count == 8)
      return false;
    Bits = (Bits << 4) | static_cast<std::uint32_t>(Digit);
  }
  if (Count == 0)
    return false;
  Value = static_cast<int>(Bits);
  return true;
}

// An optional sign and one or more decimal digits that run to the end of the text and fit
// a signed 32-bit number.
bool ReadDecimal(const char *Text, int &Value) {
  bool Negative = false;
  if (*Text == '+' || *Text == '-') {
    Negative = *Text == '-';
    ++Text;
  }
  if (!*Text)
    return false;
  const std::int64_t Limit = Negative ? 2147483648LL : 2147483647LL;
  std::int64_t Magnitude = 0;
  for (; *Text; ++Text) {
    if (*Text < '0' || *Text > '9')
      return false;
    Magnitude = Magnitude * 10 + (*Text - '0');
    if (Magnitude > Limit)
      return false;
  }
  Value = static_cast<int>(Negative ? -Magnitude : Magnitude);
  return true;
}

} // namespace

bool ReadFieldNumber(const char *Text, int &Value) {
  if (!Text)
    return false;
  while (*Text == ' ')
    ++Text;
  if (*Text == '$' || *Text == 'x' || *Text == 'X')
    return ReadHexDigits(Text + 1, Value);
  if (Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X'))
    return ReadHexDigits(Text + 2, Value);
  return ReadDecimal(Text, Value);
}

int FieldNumber(const char *Text) {
  int Value = 0;
  return ReadFieldNumber(Text, Value) ? Value : 0;
}
