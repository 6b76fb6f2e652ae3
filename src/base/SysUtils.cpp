#include "base/SysUtils.h"

#include "base/Exceptions.h"
#include "base/Messages.h"

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
    int digitValue = HexDigitValue(s[i]);
    if (digitValue < 0 || (!hex && digitValue > 9)) return std::nullopt;
    auto digit = unsigned(digitValue);
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

std::optional<int64_t> TryStrToInt64(std::u16string_view text) {
  return ParseInteger(text, 64);
}

int32_t StrToInt(std::u16string_view text) {
  auto v = TryStrToInt(text);
  if (!v) throw EConvertError(FormatMessage(kInvalidInteger, {TextToUtf8(text)}));
  return *v;
}

}  // namespace quillara

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace quillara {

std::string FloatToStrGeneral(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  char buf[40];
  // 15 significant digits, rounded once: d.dddddddddddddde[+-]x
  std::snprintf(buf, sizeof buf, "%.14e", value);
  std::string s(buf);
  bool negative = s[0] == '-';
  if (negative) s.erase(0, 1);
  size_t e = s.find('e');
  int exponent = std::atoi(s.c_str() + e + 1);
  std::string digits = s.substr(0, 1) + s.substr(2, e - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent < -5 || exponent >= 15) {
    out += digits.substr(0, 1);
    if (digits.size() > 1) out.append(".").append(digits, 1, std::string::npos);
    out += "E";
    if (exponent < 0) out += "-";
    out += std::to_string(std::abs(exponent));
  } else if (exponent < 0) {
    out += "0.";
    out.append(size_t(-exponent - 1), '0');
    out += digits;
  } else if (size_t(exponent) + 1 >= digits.size()) {
    out += digits + std::string(size_t(exponent) + 1 - digits.size(), '0');
  } else {
    out.append(digits, 0, size_t(exponent) + 1)
        .append(".")
        .append(digits, size_t(exponent) + 1, std::string::npos);
  }
  return out;
}

std::optional<double> TryStrToFloat(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == u' ') ++b;
  while (e > b && text[e - 1] == u' ') --e;
  std::string ascii;
  for (size_t i = b; i < e; ++i) {
    if (text[i] > 0x7F) return std::nullopt;
    ascii.push_back(char(text[i]));
  }
  if (!ascii.empty() && ascii[0] == '+') ascii.erase(0, 1);
  if (ascii.empty()) return std::nullopt;
  // Only digits, one ".", an exponent: no hexadecimal, "inf" or "nan" texts.
  for (char c : ascii)
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
      return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (end != ascii.data() + ascii.size()) return std::nullopt;
  if (ec == std::errc::result_out_of_range) {
    // Underflow reads as zero like the platform does; overflow is not a number.
    if (std::fabs(std::strtod(ascii.c_str(), nullptr)) < 1) return 0.0;
    return std::nullopt;
  }
  if (ec != std::errc()) return std::nullopt;
  return value;
}

}  // namespace quillara
