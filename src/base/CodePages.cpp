#include "base/CodePages.h"

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
    char16_t c = text[i];
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
  for (char ch : bytes) {
    auto b = static_cast<unsigned char>(ch);
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
