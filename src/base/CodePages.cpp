#include "base/CodePages.h"

#include <cstdint>
#include <cstring>

#include "platform/SystemText.h"

namespace quillara {

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes decode to the C1 control of the same code.
const char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int EncodeCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return 0x80 + i;
  return -1;
}

}  // namespace

std::string EncodeText(std::u16string_view text, TCodePage codePage) {
  if (codePage == TCodePage::cpUTF8) return TextToUtf8(text);
  std::string out;
  if (codePage == TCodePage::cpAnsi) {
    if (platform::EncodeAnsi(text, out)) return out;
    codePage = TCodePage::cpWindows1252;
  }
  // Written into storage sized up front: never more bytes than units.
  size_t start = out.size();
  out.resize(start + text.size());
  char* o = out.data() + start;
  for (size_t i = 0; i < text.size(); ++i) {
    // Every page here keeps ASCII as it is; pages are mostly ASCII, narrowed four units at once.
    uint64_t units = 0x80;  // a short tail goes unit by unit
    if (i + 4 <= text.size()) std::memcpy(&units, text.data() + i, 8);
    if (!(units & 0xFF80FF80FF80FF80u)) {
      for (size_t k = 0; k < 4; ++k) *o++ = char(text[i + k]);
      i += 3;
      continue;
    }
    char16_t c = text[i];
    if (c < 0x80) {
      *o++ = char(c);
      continue;
    }
    int b = -1;
    if (codePage == TCodePage::cpWindows1252) b = EncodeCp1252(c);
    if (codePage == TCodePage::cpISO88591 && c <= 0xFF) b = c;
    if (codePage == TCodePage::cpUSASCII && c < 0x80) b = c;
    // a surrogate pair is one character and becomes one "?"
    if (SurrogatePairAt(text, i)) ++i;
    *o++ = b < 0 ? '?' : char(b);
  }
  out.resize(size_t(o - out.data()));
  return out;
}

Text DecodeBytes(std::string_view bytes, TCodePage codePage) {
  if (codePage == TCodePage::cpUTF8) return Utf8ToText(bytes);
  Text out;
  if (codePage == TCodePage::cpAnsi) {
    if (platform::DecodeAnsi(bytes, out)) return out;
    codePage = TCodePage::cpWindows1252;
  }
  // One unit per byte, written into storage sized up front.
  size_t start = out.size();
  out.resize(start + bytes.size());
  char16_t* o = out.data() + start;
  // ASCII runs, the bulk of a page, are widened eight bytes at a time.
  for (size_t i = 0; i < bytes.size();) {
    uint64_t word = 0x80;  // a short tail goes byte by byte
    if (i + 8 <= bytes.size()) std::memcpy(&word, bytes.data() + i, 8);
    if (!(word & 0x8080808080808080u)) {
      for (size_t k = 0; k < 8; ++k) *o++ = static_cast<unsigned char>(bytes[i + k]);
      i += 8;
      continue;
    }
    auto b = static_cast<unsigned char>(bytes[i++]);
    if (b < 0x80 || codePage == TCodePage::cpISO88591) {
      *o++ = b;
    } else if (codePage == TCodePage::cpWindows1252) {
      *o++ = b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
    } else {
      *o++ = u'?';
    }
  }
  return out;
}

std::optional<TCodePage> CodePageOfCharSet(std::string_view charSet) {
  std::string name = LowerAscii(TrimBlanks(charSet));
  if (name == "utf-8" || name == "utf8") return TCodePage::cpUTF8;
  if (name == "iso-8859-1" || name == "iso8859-1" || name == "latin1" || name == "l1")
    return TCodePage::cpISO88591;
  if (name == "us-ascii" || name == "ascii") return TCodePage::cpUSASCII;
  if (name == "windows-1252" || name == "cp1252") return TCodePage::cpWindows1252;
  return std::nullopt;
}

}  // namespace quillara
