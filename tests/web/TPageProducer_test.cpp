// Templates: copying, tags, parameters, encodings and the errors that end a page.
#include "web/TPageProducer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "base/CodePages.h"
#include "base/Exceptions.h"
#include "platform/SystemText.h"
#include "support/TTempFolder.h"

using namespace quillara;

namespace {

struct TSeenTag {
  std::string Name;
  std::vector<std::string> Params;
  TTag Kind;
};

// Expands a template; tags named "x" are answered with the text given, others vanish.
std::string Expand(const std::string& bytes, std::vector<TSeenTag>* seen = nullptr,
                   const Text& answer = u"X", bool utf8 = false) {
  TPageProducer producer("P");
  producer.OnHTMLTag = [&](TBasePageProducer&, TTag kind, const Text& name, const TStrings& params,
                           Text& replace) {
    if (seen) {
      TSeenTag tag{TextToUtf8(name), {}, kind};
      for (const Text& p : params) tag.Params.push_back(TextToUtf8(p));
      seen->push_back(tag);
    }
    if (name == u"x") replace = answer;
  };
  return TextToUtf8(producer.ContentFromBytes(bytes, utf8));
}

}  // namespace

TEST(TPageProducer, CopyingAndTags) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"<html><body>a > b & c</body></html>\r\n", "<html><body>a > b & c</body></html>\r\n"},
      {"< b>x</ b>", "<b>x</ b>"},  // only blanks right after "<" are dropped
      {"a<#x>b", "aXb"},
      {"a< # x  p=1 >b", "aXb"},
      {"<#other a=\"1 > 2\">z", "z"},  // ">" inside quotes does not end the tag
      {"<#x", "X"},                    // a tag without ">" takes the rest
      {"<#unanswered>", ""},
      {"1 < 2", "1 <2"},
      {std::string("ab\0cd", 5), "ab"},  // a 0 byte ends the template
  };
  for (const Case& c : cases) EXPECT_EQ(Expand(c.in), c.out) << c.in;
}

TEST(TPageProducer, TagNamesParametersAndKinds) {
  std::vector<TSeenTag> seen;
  Expand("<#PORT>< # port ><#other a=\"1 2\" b=3><#Link><#x c='%41+b' d=%C3%A9>", &seen);
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0].Name, "PORT");
  EXPECT_EQ(seen[1].Name, "port");
  EXPECT_EQ(seen[2].Params, (std::vector<std::string>{"a=1 2", "b=3"}));
  EXPECT_EQ(seen[3].Kind, TTag::tgLink);
  EXPECT_EQ(seen[2].Kind, TTag::tgCustom);
  EXPECT_EQ(seen[4].Params, (std::vector<std::string>{"c=A b", "d=\xC3\xA9"}));
}

TEST(TPageProducer, Encodings) {
  // ANSI template: bytes copied as they are, replacement in Windows-1252 ("?" outside it)
  EXPECT_EQ(Expand("\xE8<#x>", nullptr, u"\u00e9\u4e2d"), "\xC3\xA8\xC3\xA9?");
  // UTF-8 template with a mark: the mark goes, the replacement survives whole
  EXPECT_EQ(Expand("\xEF\xBB\xBF\xC3\xA8<#x>", nullptr, u"\u00e9\u4e2d"),
            "\xC3\xA8\xC3\xA9\xE4\xB8\xAD");
}

TEST(TPageProducer, Errors) {
  struct Case {
    std::string in;
    std::string message;
  } cases[] = {
      {"a\n" + std::string(5000, 'b'), "Line too long on line 2"},
      {"<#x a=%4>", "Error decoding URL style (%XX) encoded string at position 2"},
      {"<#x a=%zz>", "Invalid URL encoded character (%zz) at position 2"},
      {"\xEF\xBB\xBF\xC3(",
       "No mapping for the Unicode character exists in the target multi-byte code page"},
  };
  for (const Case& c : cases) {
    try {
      Expand(c.in);
      ADD_FAILURE() << c.message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
  TPageProducer missing("M");
  missing.SetHTMLFile("Templates\\NoSuchTemplate.html");
  try {
    missing.Content();
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open file \"", 0), 0u);
  }
}

// The bytes of a template are kept between pages, but every change of the file shows on the next
// page, also one that leaves the size and, for a file written moments ago, the time stamp alone.
TEST(TPageProducer, EveryChangeOfTheTemplateFileShows) {
  using namespace std::chrono_literals;
  quillara::testing::TTempFolder folder;
  std::filesystem::path file = folder.Path() / "Page.html";
  auto write = [&](const std::string& bytes, std::filesystem::file_time_type when) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    std::filesystem::last_write_time(file, when);
  };
  auto now = std::filesystem::file_time_type::clock::now();
  TPageProducer producer("P");
  producer.SetHTMLFile(platform::Utf8FromPath(file));
  auto page = [&] { return TextToUtf8(producer.Content()); };

  write("<p>one</p>", now - 1h);
  EXPECT_EQ(page(), "<p>one</p>");
  EXPECT_EQ(page(), "<p>one</p>");
  write("<p>two</p>", now - 30min);  // same size, another time
  EXPECT_EQ(page(), "<p>two</p>");
  write("<p>six</p>", now);
  EXPECT_EQ(page(), "<p>six</p>");
  write("<p>ten</p>", now);  // same size and time: written moments ago, so read again
  EXPECT_EQ(page(), "<p>ten</p>");
  write("<p>eleven</p>", now - 1h);  // back to the first stamp, but longer
  EXPECT_EQ(page(), "<p>eleven</p>");
  std::filesystem::remove(file);
  EXPECT_THROW(producer.Content(), EFOpenError);
}
