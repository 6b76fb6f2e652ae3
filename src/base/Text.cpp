#include "base/Text.h"

namespace quillara {

// Both directions write into storage sized up front: converting per unit with push_back cost
// more than the conversion itself on the short texts of every request.
Text Utf8ToText(std::string_view s) {
  Text out(s.size(), u'\0');  // never more units than bytes
  char16_t* o = out.data();
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      *o++ = b;
      ++i;
      continue;
    }
    int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    char32_t cp = extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    bool ok = extra > 0;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + k >= s.size()) {
        ok = false;
        break;
      }
      unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kMin[extra] || cp > 0x10FFFF || IsSurrogate(cp))) ok = false;
    if (!ok) {
      *o++ = 0xFFFD;
      ++i;
      continue;
    }
    char16_t units[2];
    int count = Utf16Units(cp, units);
    *o++ = units[0];
    if (count == 2) *o++ = units[1];
    i += size_t(extra) + 1;
  }
  out.resize(size_t(o - out.data()));
  return out;
}

std::string TextToUtf8(std::u16string_view t) {
  size_t bytes = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    char16_t c = t[i];
    if (c < 0x80) {
      ++bytes;
    } else if (c < 0x800) {
      bytes += 2;
    } else if (SurrogatePairAt(t, i)) {
      bytes += 4;
      ++i;
    } else {
      bytes += 3;  // a lone surrogate becomes U+FFFD
    }
  }
  std::string out(bytes, '\0');
  char* o = out.data();
  for (size_t i = 0; i < t.size(); ++i) {
    char32_t cp = t[i];
    if (cp < 0x80) {
      *o++ = char(cp);
      continue;
    }
    if (SurrogatePairAt(t, i)) {
      cp = CodePointOfPair(t[i], t[i + 1]);
      ++i;
    } else if (IsSurrogate(cp)) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      *o++ = char(0xC0 | (cp >> 6));
      *o++ = char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *o++ = char(0xE0 | (cp >> 12));
      *o++ = char(0x80 | ((cp >> 6) & 0x3F));
      *o++ = char(0x80 | (cp & 0x3F));
    } else {
      *o++ = char(0xF0 | (cp >> 18));
      *o++ = char(0x80 | ((cp >> 12) & 0x3F));
      *o++ = char(0x80 | ((cp >> 6) & 0x3F));
      *o++ = char(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

Text AsciiToText(std::string_view ascii) {
  return Text(ascii.begin(), ascii.end());
}

Text EscapeHTML(std::u16string_view text) {
  Text out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      case u'\'':
        out += u"&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

namespace {

constexpr char UpperAsciiChar(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

constexpr char16_t UpperAsciiChar(char16_t c) {
  return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

template <class TChar>
bool SameFolded(std::basic_string_view<TChar> a, std::basic_string_view<TChar> b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i])) return false;
  return true;
}

}  // namespace

bool SameTextAscii(std::string_view a, std::string_view b) {
  return SameFolded(a, b);
}

bool SameTextAscii(std::u16string_view a, std::u16string_view b) {
  return SameFolded(a, b);
}

std::string UpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = UpperAsciiChar(c);
  return r;
}

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return r;
}

std::string TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

}  // namespace quillara
