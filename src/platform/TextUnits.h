#pragma once
// The smallest pieces of text reading: hexadecimal digits and UTF-16 surrogate pairs. Kept here,
// header-only and free of system calls, because the registry reader needs them as much as
// base/ does; base/Text.h offers them to the layers above.
#include <cstddef>
#include <string>
#include <string_view>

namespace quillara::platform {

// The value of an ASCII hexadecimal digit of either letter case, or -1 for any other character.
constexpr int HexDigitValue(char32_t c) {
  if (c >= U'0' && c <= U'9') return int(c - U'0');
  if (c >= U'a' && c <= U'f') return int(c - U'a') + 10;
  if (c >= U'A' && c <= U'F') return int(c - U'A') + 10;
  return -1;
}

constexpr bool IsHighSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t c) {
  return c >= 0xD800 && c <= 0xDFFF;
}

// Whether text[i] and text[i + 1] are a high and a low surrogate: one character beyond U+FFFF.
constexpr bool SurrogatePairAt(std::u16string_view text, size_t i) {
  return i + 1 < text.size() && IsHighSurrogate(text[i]) && IsLowSurrogate(text[i + 1]);
}

constexpr char32_t CodePointOfPair(char16_t high, char16_t low) {
  return 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
}

// The UTF-16 form of a code point up to U+10FFFF: one unit, or a surrogate pair. Returns the
// number of units written.
constexpr int Utf16Units(char32_t codePoint, char16_t (&units)[2]) {
  if (codePoint < 0x10000) {
    units[0] = char16_t(codePoint);
    return 1;
  }
  codePoint -= 0x10000;
  units[0] = char16_t(0xD800 + (codePoint >> 10));
  units[1] = char16_t(0xDC00 + (codePoint & 0x3FF));
  return 2;
}

inline void AppendUtf16(std::u16string& out, char32_t codePoint) {
  char16_t units[2] = {0, 0};
  out.append(units, size_t(Utf16Units(codePoint, units)));
}

}  // namespace quillara::platform
