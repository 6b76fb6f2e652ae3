#pragma once
// Number parsing with the rules operators and clients are used to from this system.
#include <cstdint>
#include <optional>
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
