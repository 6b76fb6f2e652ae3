#include "base/TMask.h"

#include <gtest/gtest.h>

using namespace quillara;

TEST(TMask, Matching) {
  struct Case {
    const char16_t* mask;
    const char16_t* text;
    bool matches;
  } cases[] = {
      {u"a*?", u"a", true},
      {u"*.xml", u"ordini.XML", true},
      {u"*.xml", u"ordini.xml.bak", false},
      {u"/dataserver*", u"/dataserverX", true},
      {u"/dataserver*", u"/DataServer/rest", true},
      {u"/ReverseString", u"/reversestring", true},
      {u"/ReverseString", u"/reversestring/", false},
      {u"", u"", true},
      {u"", u"/", false},
      {u"?", u"", false},
      {u"a?c", u"abc", true},
      {u"a?c", u"ac", false},
      {u"[a-c]x", u"Bx", true},
      {u"[!a-c]x", u"dx", true},
      {u"[!a-c]x", u"ax", false},
      {u"[!a]", u"\u4e2d", true},
      {u"[a]", u"\u4e2d", false},
      {u"*a*b*c", u"xxaxxbxxc", true},
      {u"*a*b*c", u"xxaxxcxxb", false},
      {u"\u00e9", u"\u00c9", false},
      {u"*ab", u"aab", true},
      {u"**x", u"yx", true},
      {u"\U0001F600?", u"\U0001F600z", true},
      {u"*", u"anything", true},
      {u"a*b?d", u"aXbYbZd", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TMask(c.mask).Matches(c.text), c.matches)
        << TextToUtf8(c.mask) << " ~ " << TextToUtf8(c.text);
}

TEST(TMask, InvalidMasks) {
  std::u16string manyStars;
  for (int i = 0; i < 31; ++i) manyStars += u"*a";
  struct Case {
    std::u16string mask;
    int position;
  } cases[] = {
      {u"a[]", 3},
      {u"[abc", 5},
      {u"x[-a]", 3},
      {manyStars, 61},
  };
  for (const Case& c : cases) {
    try {
      TMask mask(c.mask);
      ADD_FAILURE() << TextToUtf8(c.mask);
    } catch (const EMaskException& e) {
      EXPECT_EQ(e.what(), "'" + TextToUtf8(c.mask) + "' is an invalid mask at (" +
                              std::to_string(c.position) + ")");
    }
  }
  std::u16string thirty;
  for (int i = 0; i < 30; ++i) thirty += u"*a";
  EXPECT_TRUE(TMask(thirty).Matches(std::u16string(30, u'a')));
}
