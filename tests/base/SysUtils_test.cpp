#include "base/SysUtils.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"

using namespace quillara;

TEST(StrToInt, AcceptsTheSystemsIntegerForms) {
  struct Case {
    const char16_t* text;
    int32_t value;
  } cases[] = {
      {u"12388", 12388},           {u" 8080", 8080},   {u"$1F90", 8080}, {u"x1f90", 8080},
      {u"0x1F90", 8080},           {u"0X1f90", 8080},  {u"-1", -1},      {u"+7", 7},
      {u"   -$10", -16},           {u"70000", 70000},  {u"0", 0},        {u"2147483647", INT32_MAX},
      {u"-2147483648", INT32_MIN}, {u"$FFFFFFFF", -1}, {u"007", 7},
  };
  for (const Case& c : cases) {
    auto v = TryStrToInt(c.text);
    ASSERT_TRUE(v.has_value()) << TextToUtf8(c.text);
    EXPECT_EQ(*v, c.value) << TextToUtf8(c.text);
  }
}

TEST(StrToInt, RejectsEverythingElseWithItsText) {
  const char16_t* bad[] = {u"",    u" ",   u"12 ",        u"1 2",         u"abc", u"$",
                           u"0x",  u"--1", u"+-1",        u"2147483648",  u"1.0", u"\t1",
                           u"$1G", u"1e3", u"$100000000", u"-2147483649", u"12a"};
  for (const char16_t* text : bad) {
    EXPECT_FALSE(TryStrToInt(text).has_value()) << TextToUtf8(text);
    try {
      StrToInt(text);
      ADD_FAILURE() << "no error for " << TextToUtf8(text);
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + TextToUtf8(text) + "' is not a valid integer value");
    }
  }
}

TEST(StrToInt, SixtyFourBitRange) {
  EXPECT_EQ(TryStrToInt64(u"9223372036854775807"), INT64_MAX);
  EXPECT_EQ(TryStrToInt64(u"-9223372036854775808"), INT64_MIN);
  EXPECT_FALSE(TryStrToInt64(u"9223372036854775808"));
}
