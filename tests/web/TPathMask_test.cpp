// Path masks: a mask of plain characters compares the path's bytes; every answer must be the one
// the general mask gives for the path's text.
#include <gtest/gtest.h>

#include "base/TMask.h"
#include "web/TCustomWebDispatcher.h"

using namespace quillara;

TEST(TPathMask, MatchesAsTheMaskOfThePathText) {
  struct Case {
    const char* mask;
    const char* path;
    bool matches;
  } cases[] = {
      {"dataserver*", "/dataserver/rest/TServerMethods1/EchoString/abc", true},
      {"dataserver*", "/DataServer", true},
      {"dataserver*", "/dataserve", false},
      {"dataserver*", "dataserver", false},  // the mask gained its leading "/"
      {"dataserver*", "/dataserver\xC3\xA9", true},
      {"\\dataserver**", "/dataserverX", true},
      {"/ReverseString", "/reversestring", true},
      {"/ReverseString", "/reversestring/", false},
      {"/ReverseString", "/ReverseStrin", false},
      {"/ReverseString", "/ReverseStrin\xC3\xA9", false},  // same byte count, other text
      {"/ReverseString", "/ReverseStrin\xFF", false},      // a byte that is no UTF-8
      {"", "", true},
      {"", "/", false},
      {"/*", "/", true},
      {"/*", "/caf\xC3\xA9.html", true},
      {"/*", "", false},
      {"/caf\xC3\xA9", "/CAF\xC3\xA9", true},  // not plain: through the general mask
      {"/caf\xC3\xA9", "/caf\xC3\x89", false},
      {"/a[bc]*", "/AC/x", true},
      {"/a?c",
       "/a\xC3\xA9"
       "c",
       true},  // one character of two bytes
      {"/a*?", "/a", true},
  };
  for (const Case& c : cases) {
    TPathMask mask;
    mask.SetPath(c.mask);
    std::string maskText = c.mask;
    for (char& ch : maskText)
      if (ch == '\\') ch = '/';
    if (!maskText.empty() && maskText[0] != '/') maskText = "/" + maskText;
    EXPECT_EQ(mask.Matches(c.path), c.matches) << c.mask << " ~ " << c.path;
    EXPECT_EQ(mask.Matches(c.path), MatchesMask(Utf8ToText(c.path), Utf8ToText(maskText)))
        << c.mask << " ~ " << c.path;
  }
}

TEST(TPathMask, ANewPathReplacesTheOldAndAnInvalidOneMatchesNothing) {
  TPathMask mask;
  mask.SetPath("/a*");
  EXPECT_TRUE(mask.Matches("/abc"));
  mask.SetPath("/b");
  EXPECT_FALSE(mask.Matches("/abc"));
  EXPECT_TRUE(mask.Matches("/B"));
  EXPECT_THROW(mask.SetPath("/[x"), EMaskException);
  EXPECT_FALSE(mask.Matches("/b"));
  EXPECT_FALSE(mask.Matches("/[x"));
}
