#include "base/SysUtils.h"

#include "base/Exceptions.h"

namespace quillara {

namespace {

std::optional<int64_t> ParseInteger(std::u16string_view s, int bits) {
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  bool hex = false;
  if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  const uint64_t hexLimit = bits == 32 ? 0xFFFFFFFFull : ~0ull;
  const uint64_t decLimit = bits == 32 ? (negative ? 0x80000000ull : 0x7FFFFFFFull)
                                       : (negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull);
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    char16_t c = s[i];
    unsigned digit;
    if (c >= u'0' && c <= u'9') {
      digit = unsigned(c - u'0');
    } else if (hex && c >= u'a' && c <= u'f') {
      digit = unsigned(c - u'a' + 10);
    } else if (hex && c >= u'A' && c <= u'F') {
      digit = unsigned(c - u'A' + 10);
    } else {
      return std::nullopt;
    }
    uint64_t base = hex ? 16 : 10;
    uint64_t limit = hex ? hexLimit : decLimit;
    if (value > (limit - digit) / base) return std::nullopt;
    value = value * base + digit;
  }
  // Hexadecimal texts use the full width: $FFFFFFFF is -1 in 32 bits.
  uint64_t u = negative ? uint64_t(0) - value : value;
  return bits == 32 ? int64_t(int32_t(uint32_t(u))) : int64_t(u);
}

}  // namespace

std::optional<int32_t> TryStrToInt(std::u16string_view text) {
  auto v = ParseInteger(text, 32);
  if (!v) return std::nullopt;
  return int32_t(*v);
}

std::optional<int64_t> TryStrToInt64(std::u16string_view text) { return ParseInteger(text, 64); }

int32_t StrToInt(std::u16string_view text) {
  auto v = TryStrToInt(text);
  if (!v) throw EConvertError(FormatMessage("'%s' is not a valid integer value", {TextToUtf8(text)}));
  return *v;
}

}  // namespace quillara
