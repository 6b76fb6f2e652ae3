#pragma once
// Number parsing with the rules operators and clients are used to from this system.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Text.h"

namespace quillara {

// Leading blanks, one sign, then decimal digits or "$", "x", "0x" and hexadecimal digits; nothing
// after the digits. Decimal must fit 32 bits signed; hexadecimal may use all 32 bits.
std::optional<int32_t> TryStrToInt(std::u16string_view text);
std::optional<int64_t> TryStrToInt64(std::u16string_view text);
// Fails with EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::u16string_view text);

}  // namespace quillara

namespace quillara {

// General float format with "." as decimal separator: at most 15 significant digits, no
// trailing zeros; "E" notation (no "+", no leading exponent zeros) below 0.00001 or from 16
// integer digits on. 1.5 -> "1.5", 1e20 -> "1E20", 0.000001 -> "1E-6".
std::string FloatToStrGeneral(double value);
// A decimal number with "." as separator and an optional exponent; surrounding blanks allowed.
std::optional<double> TryStrToFloat(std::u16string_view text);

}  // namespace quillara
