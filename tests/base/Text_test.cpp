#include "base/Text.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "base/Exceptions.h"

using namespace quillara;

TEST(Text, Utf8RoundTripAndReplacement) {
  EXPECT_EQ(Utf8ToText("caf\xC3\xA9 \xF0\x9F\x98\x80"), u"caf\u00e9 \U0001F600");
  EXPECT_EQ(TextToUtf8(u"caf\u00e9 \U0001F600"), "caf\xC3\xA9 \xF0\x9F\x98\x80");
  struct Case {
    std::string bytes;
    Text text;
  } bad[] = {
      {"\xC3", u"\uFFFD"},                      // cut short
      {"\xA9x", u"\uFFFDx"},                    // lone continuation byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
  };
  for (const Case& c : bad) EXPECT_EQ(Utf8ToText(c.bytes), c.text);
  EXPECT_EQ(TextToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(FormatMessage, FillsPlaceholders) {
  EXPECT_EQ(FormatMessage("Socket Error # %d\r\n%s", {"98", "Address in use"}),
            "Socket Error # 98\r\nAddress in use");
  EXPECT_EQ(FormatMessage("%1:s-%0:s-%s", {"a", "b"}), "b-a-b");
  EXPECT_EQ(FormatMessage("100%% %s %s", {"x"}), "100% x %s");
}

namespace {

template <class TPieces>
auto Collect(const TPieces& pieces) {
  std::vector<std::basic_string<typename TPieces::TView::value_type>> out;
  for (auto piece : pieces) out.emplace_back(piece);
  return out;
}

// A temporary string must not reach the splitters: its pieces would outlive it.
template <class T>
concept Splittable = requires(T&& text) {
  SplitText(std::forward<T>(text), ";");
};
template <class T>
concept SplittableInSegments = requires(T&& text) {
  SplitSegments(std::forward<T>(text), ";");
};
static_assert(Splittable<std::string&> && Splittable<const std::string&>);
static_assert(Splittable<std::string_view> && Splittable<const char*>);
static_assert(!Splittable<std::string> && !SplittableInSegments<std::string>);

}  // namespace

TEST(SplitText, EveryPieceBetweenSeparators) {
  using TPieces = std::vector<std::string>;
  struct Case {
    std::string_view text;
    std::string_view separators;
    TPieces all;       // SplitText
    TPieces segments;  // SplitSegments
  } cases[] = {
      {"", ";", {""}, {}},
      {"a", ";", {"a"}, {"a"}},
      {";", ";", {"", ""}, {""}},
      {"a;b", ";", {"a", "b"}, {"a", "b"}},
      {"a;;b;", ";", {"a", "", "b", ""}, {"a", "", "b"}},
      {";a", ";", {"", "a"}, {"", "a"}},
      {"a;;", ";", {"a", "", ""}, {"a", ""}},
      {"css; html ;", ";", {"css", " html ", ""}, {"css", " html "}},
      {"a/b\\c//", "/\\", {"a", "b", "c", "", ""}, {"a", "b", "c", ""}},
      {"no separator here", ",", {"no separator here"}, {"no separator here"}},
      {"a,b", "", {"a,b"}, {"a,b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Collect(SplitText(c.text, c.separators)), c.all)
        << "SplitText(\"" << c.text << "\", \"" << c.separators << "\")";
    EXPECT_EQ(Collect(SplitSegments(c.text, c.separators)), c.segments)
        << "SplitSegments(\"" << c.text << "\", \"" << c.separators << "\")";
  }
}

TEST(SplitText, UTF16PiecesAndIteration) {
  Text path = u"C:\\dati/\U0001F600\\..\\x.xml";
  EXPECT_EQ(Collect(SplitText(path, u"\\/")),
            (std::vector<Text>{u"C:", u"dati", u"\U0001F600", u"..", u"x.xml"}));
  EXPECT_EQ(Collect(SplitSegments(std::u16string_view(u"/a//"), u"/")),
            (std::vector<Text>{u"", u"a", u""}));
  // The pieces are views into the text, and a copy of an iterator goes on by itself.
  auto pieces = SplitText(path, u"\\/");
  auto it = pieces.begin();
  EXPECT_EQ((*it).data(), path.data());
  auto copy = it++;
  EXPECT_EQ(Text(*copy), u"C:");
  EXPECT_EQ(Text(*it), u"dati");
  EXPECT_EQ(Text(*++copy), u"dati");
  EXPECT_EQ(std::distance(pieces.begin(), pieces.end()), 5);
}

TEST(HexDigitValue, BothCasesAndNothingElse) {
  struct Case {
    char32_t c;
    int value;
  } cases[] = {
      {U'0', 0},    {U'9', 9},     {U'a', 10},      {U'f', 15}, {U'A', 10},  {U'F', 15},
      {U'c', 12},   {U'D', 13},    {U'/', -1},      {U':', -1}, {U'@', -1},  {U'G', -1},
      {U'`', -1},   {U'g', -1},    {U' ', -1},      {U'x', -1}, {U'\0', -1}, {0xFF10, -1},
      {0xFF21, -1}, {0x10030, -1}, {0x1000030, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HexDigitValue(c.c), c.value) << "U+" << std::hex << unsigned(c.c);
  // A byte above 0x7F in a signed char is no digit either.
  EXPECT_EQ(HexDigitValue(char('\xB0')), -1);
  EXPECT_EQ(HexDigitValue(char('\xE1')), -1);
}

TEST(Surrogates, PairsAreFoundOnlyInOrder) {
  struct Case {
    std::u16string text;
    size_t at;
    bool pair;
  } cases[] = {
      {u"\U0001F600", 0, true},
      {u"\U0001F600", 1, false},  // the low half alone
      {u"x\U0010FFFF", 1, true},
      {Text{0xD800}, 0, false},          // high at the end
      {Text{0xDC00, 0xD800}, 0, false},  // reversed
      {Text{0xD800, u'a'}, 0, false},
      {Text{0xDBFF, 0xDFFF}, 0, true},
      {Text{0xD7FF, 0xDC00}, 0, false},  // just below the surrogates
      {Text{0xD800, 0xE000}, 0, false},  // just above
      {u"ab", 5, false},                 // past the end
  };
  for (const Case& c : cases)
    EXPECT_EQ(SurrogatePairAt(c.text, c.at), c.pair)
        << "at " << c.at << " of " << c.text.size() << " units, first U+" << std::hex
        << unsigned(c.text.empty() ? 0 : c.text[0]);
  EXPECT_FALSE(IsSurrogate(0xD7FF));
  EXPECT_TRUE(IsSurrogate(0xD800) && IsHighSurrogate(0xDBFF) && !IsHighSurrogate(0xDC00));
  EXPECT_TRUE(IsLowSurrogate(0xDFFF) && !IsLowSurrogate(0xE000) && !IsSurrogate(0xE000));
}

TEST(Surrogates, CodePointsToUnitsAndBack) {
  struct Case {
    char32_t codePoint;
    std::u16string units;
  } cases[] = {
      {0x0000, Text(1, u'\0')},        {0x0041, u"A"},
      {0xFFFF, Text{0xFFFF}},          {0x10000, Text{0xD800, 0xDC00}},
      {0x1F600, Text{0xD83D, 0xDE00}}, {0x10FFFF, Text{0xDBFF, 0xDFFF}},
  };
  for (const Case& c : cases) {
    char16_t units[2] = {0, 0};
    int n = Utf16Units(c.codePoint, units);
    EXPECT_EQ(std::u16string(units, size_t(n)), c.units)
        << "U+" << std::hex << unsigned(c.codePoint);
    Text appended = u"x";
    AppendUtf16(appended, c.codePoint);
    EXPECT_EQ(appended, u"x" + c.units) << "U+" << std::hex << unsigned(c.codePoint);
    if (n == 2) {
      EXPECT_EQ(CodePointOfPair(units[0], units[1]), c.codePoint)
          << "U+" << std::hex << unsigned(c.codePoint);
    }
  }
}

TEST(AsciiText, OnlyTheLettersFold) {
  struct Case {
    std::string_view a, b;
    bool same;
  } cases[] = {
      {"charset", "CharSet", true},
      {"", "", true},
      {"a", "a ", false},
      {"[", "{", false},
      {"@", "`", false},
      {"]", "}", false},
      {"^", "~", false},
      {"\xC3\xA9", "\xC3\x89", false},
      {"z", "Z", true},
      {"0", "\x10", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameTextAscii(c.a, c.b), c.same) << '"' << c.a << "\" \"" << c.b << '"';
    EXPECT_EQ(SameTextAscii(AsciiToText(c.a), AsciiToText(c.b)), c.same)
        << "as UTF-16: \"" << c.a << "\" \"" << c.b << '"';
  }
  EXPECT_FALSE(SameTextAscii(u"\u00e9", u"\u00c9"));
  EXPECT_FALSE(SameTextAscii(Text{0x0161}, Text{0x0141}));  // 0x20 apart, not letters
  EXPECT_EQ(UpperAscii("aZ09[{`~\xC3\xA9"), "AZ09[{`~\xC3\xA9");
  EXPECT_EQ(LowerAscii("Az09@[\\]^\xC3\x89"), "az09@[\\]^\xC3\x89");
}

TEST(AsciiText, TrimBlanksTakesControlsAndSpacesOnly) {
  struct Case {
    std::string_view text, trimmed;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"\t a b \r\n", "a b"},
      {std::string_view("\0\x01x\x1f", 4), "x"},
      {"x\x7f", "x\x7f"},                          // DEL is no blank
      {"\xC2\xA0x\xC2\xA0", "\xC2\xA0x\xC2\xA0"},  // nor a UTF-8 no-break space
      {"\x80x", "\x80x"},                          // bytes above 0x7F stay even as signed chars
  };
  for (const Case& c : cases) {
    std::string shown;
    for (char ch : c.text) shown += std::to_string(static_cast<unsigned char>(ch)) + " ";
    EXPECT_EQ(TrimBlanks(c.text), c.trimmed) << "bytes " << shown;
  }
}

TEST(Text, ConversionsOfEveryLength) {
  struct Case {
    std::string bytes;
    Text text;
  } cases[] = {
      {"", u""},
      {"a", u"a"},
      {"\xC3\xA9", u"\u00e9"},
      {"\xE2\x82\xAC", u"\u20ac"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF4\x8F\xBF\xBF",
       u"\u007f\u0080\u07ff\u0800\uffff\U0010FFFF"},
      {"x\xF0\x9F\x98\x80y\xC3\xA9z", u"x\U0001F600y\u00e9z"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8ToText(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(TextToUtf8(c.text), c.bytes) << c.bytes;
  }
  // Lone surrogates anywhere, and a pair cut short at the end.
  EXPECT_EQ(TextToUtf8(u"a\xDC00"
                       u"b"),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(TextToUtf8(std::u16string{u'a', char16_t(0xD83D)}), "a\xEF\xBF\xBD");
  EXPECT_EQ(TextToUtf8(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}),
            "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToText("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
  EXPECT_EQ(Utf8ToText("\xF0\x9F\x98"), u"\uFFFD\uFFFD\uFFFD");
}
