#include "base/Text.h"

#include <gtest/gtest.h>

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
