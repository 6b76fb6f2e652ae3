#include "base/Base64.h"

#include <gtest/gtest.h>

#include <string>

using namespace quillara;

TEST(DecodeBase64, Cases) {
  struct Case {
    const char* name;
    std::string in;
    std::string out;
  } cases[] = {
      // RFC 4648 section 10
      {"empty", "", ""},
      {"one byte", "Zg==", "f"},
      {"two bytes", "Zm8=", "fo"},
      {"three bytes", "Zm9v", "foo"},
      {"four bytes", "Zm9vYg==", "foob"},
      {"five bytes", "Zm9vYmE=", "fooba"},
      {"six bytes", "Zm9vYmFy", "foobar"},
      {"padding left out", "Zm9vYg", "foob"},
      {"the last two letters", "+/+/", "\xFB\xFF\xBF"},
      {"zero and high bytes", "AP8A", std::string("\x00\xFF\x00", 3)},
      {"blanks and line breaks skipped", "Zm9v\r\n YmFy", "foobar"},
      {"other characters skipped", "Zm9v*YmFy-", "foobar"},
      {"a lone last letter holds no byte", "Zm9vY", "foo"},
      {"credentials", "dXNlcjpwYTpzcw==", "user:pa:ss"},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeBase64(c.in), c.out) << c.name;
}
