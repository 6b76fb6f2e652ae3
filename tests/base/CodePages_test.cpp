// The single-byte code pages both ways: one byte per character, "?" for what a page cannot hold.
#include "base/CodePages.h"

#include <gtest/gtest.h>

using namespace quillara;

TEST(CodePages, EncodeAndDecodeEachSingleBytePage) {
  const Text text = u"a\u00e9\u20ac\U0001F600\u0081z";
  struct Case {
    TCodePage page;
    std::string encoded;
    Text decoded;  // of the encoded bytes
  } cases[] = {
      {TCodePage::cpWindows1252, "a\xE9\x80?\x81z", u"a\u00e9\u20ac?\u0081z"},
      {TCodePage::cpISO88591, "a\xE9??\x81z", u"a\u00e9??\u0081z"},
      {TCodePage::cpUSASCII, "a????z", u"a????z"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeText(text, c.page), c.encoded) << int(c.page);
    EXPECT_EQ(DecodeBytes(c.encoded, c.page), c.decoded) << int(c.page);
    EXPECT_EQ(EncodeText(u"", c.page), "");
    EXPECT_EQ(DecodeBytes("", c.page), u"");
  }
  // Bytes past ASCII that US-ASCII cannot read, and the Windows-1252 range 0x80..0x9F.
  EXPECT_EQ(DecodeBytes("x\x80\xFF", TCodePage::cpUSASCII), u"x??");
  EXPECT_EQ(DecodeBytes("\x80\x8D\x9F\xA0\xFF", TCodePage::cpWindows1252),
            u"\u20ac\u008d\u0178\u00a0\u00ff");
  EXPECT_EQ(DecodeBytes("\x80\xFF", TCodePage::cpISO88591), u"\u0080\u00ff");
  // A lone surrogate is one character; a pair too.
  EXPECT_EQ(EncodeText(std::u16string{u'a', char16_t(0xD83D)}, TCodePage::cpWindows1252), "a?");
  EXPECT_EQ(EncodeText(u"\U0001F600\U0001F600", TCodePage::cpISO88591), "??");
}

// ASCII runs go several units at a time: a character past ASCII at every place of texts of every
// length up to past two runs must come out as it does alone.
TEST(CodePages, CharactersPastAsciiAtEveryPlace) {
  const TCodePage pages[] = {TCodePage::cpWindows1252, TCodePage::cpISO88591, TCodePage::cpUSASCII};
  for (TCodePage page : pages) {
    for (size_t length = 0; length <= 20; ++length) {
      for (size_t at = 0; at <= length; ++at) {
        Text text(length, u'a');
        std::string bytes(length, 'a');
        std::string expected(length, 'a');
        Text decoded(length, u'a');
        if (at < length) {
          text[at] = u'\u20ac';
          expected[at] = EncodeText(u"\u20ac", page)[0];
          bytes[at] = '\xE9';
          decoded[at] = DecodeBytes("\xE9", page)[0];
        }
        EXPECT_EQ(EncodeText(text, page), expected) << int(page) << " " << length << " " << at;
        EXPECT_EQ(DecodeBytes(bytes, page), decoded) << int(page) << " " << length << " " << at;
      }
    }
  }
}
