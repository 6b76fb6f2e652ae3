// The two written forms and the reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "json/TJSON.h"

using namespace quillara;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
  return {s.begin(), s.end()};
}

// The byte form of what was read, or "none".
std::string ReadBack(const std::string& input, bool isUTF8 = true) {
  auto value = TJSONObject::ParseJSONValue(Bytes(input), 0, isUTF8);
  return value ? value->ToJSON() : "none";
}

}  // namespace

TEST(TJSONWriting, TextFormEscapesOnlyDoubleQuotes) {
  TJSONString s(u"a\"b\\c/d\ne\u00e9\U0001F600\x01");
  EXPECT_EQ(s.ToString(), u"\"a\\\"b\\c/d\ne\u00e9\U0001F600\x01\"");
  EXPECT_EQ(s.ToJSON(), "\"a\\\"b\\\\c\\/d\\ne\\u00E9\\uD83D\\uDE00\\u0001\"");
}

TEST(TJSONWriting, ByteFormEscapeTable) {
  struct Case {
    char16_t unit;
    const char* bytes;
  } cases[] = {
      {0x08, "\\b"},     {0x09, "\\t"},       {0x0A, "\\n"},     {0x0C, "\\f"},
      {0x0D, "\\r"},     {0x22, "\\\""},      {0x2F, "\\/"},     {0x5C, "\\\\"},
      {0x00, "\\u0000"}, {0x0B, "\\u000B"},   {0x1F, "\\u001F"}, {0x7F, "\x7F"},
      {0x80, "\\u0080"}, {0xABCD, "\\uABCD"}, {0x20, " "},       {0x7E, "~"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.unit));
    TJSONString s(Text(1, c.unit));
    EXPECT_EQ(s.ToJSON(), std::string("\"") + c.bytes + "\"");
    EXPECT_LE(s.ToJSON().size(), s.EstimatedByteSize());
  }
}

// Runs of plain characters are written in blocks: a character that needs care is met at every
// place around a block's edges, in strings of every length around them.
TEST(TJSONWriting, EscapesAtEveryPlaceOfAString) {
  struct Special {
    const char16_t* unit;
    const char16_t* text;
    const char* bytes;
  } specials[] = {
      {u"\"", u"\\\"", "\\\""},
      {u"\\", u"\\", "\\\\"},
      {u"/", u"/", "\\/"},
      {u"\n", u"\n", "\\n"},
      {u"\x01", u"\x01", "\\u0001"},
      {u"\u00e9", u"\u00e9", "\\u00E9"},
      {u"\u20ac", u"\u20ac", "\\u20AC"},
      {u"\U0001F600", u"\U0001F600", "\\uD83D\\uDE00"},
  };
  for (const Special& c : specials) {
    for (size_t length : {1, 2, 3, 4, 15, 16, 17, 31, 32, 33, 40}) {
      for (size_t at : {size_t(0), size_t(1), size_t(15), size_t(16), length - 1}) {
        if (at >= length) continue;
        SCOPED_TRACE(TextToUtf8(c.unit) + " at " + std::to_string(at) + " of " +
                     std::to_string(length));
        Text before(at, u'a'), after(length - at - 1, u'b');
        TJSONString s(before + c.unit + after);
        EXPECT_EQ(s.ToString(), u"\"" + before + c.text + after + u"\"");
        std::string bytes = s.ToJSON();
        EXPECT_EQ(bytes, "\"" + TextToUtf8(before) + c.bytes + TextToUtf8(after) + "\"");
        EXPECT_LE(bytes.size(), s.EstimatedByteSize());
        EXPECT_EQ(s.WrittenSize(false), bytes.size());
        std::vector<uint8_t> exact(s.EstimatedByteSize());
        EXPECT_EQ(s.ToBytes(exact, 0), bytes.size());
        EXPECT_EQ(s.WrittenSize(true), s.ToString().size());
        auto read = TJSONObject::ParseJSONValue(bytes);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->ToJSON(), bytes);
        EXPECT_EQ(read->Value(), s.Value());
      }
    }
  }
}

// The text form goes through a small buffer: strings of every length around its size, of every
// UTF-8 length, one after another, some longer than the buffer itself.
TEST(TJSONWriting, TextFormAcrossTheWritersBuffer) {
  const Text pattern = u"ab\u00e9c\u20ac\U0001F600\"d";
  TJSONArray array;
  Text expected = u"[";
  for (size_t length : {0, 1, 17, 1000, 2030, 2047, 2048, 2049, 2100, 4095, 4096, 4097, 9000, 3}) {
    Text text;
    while (text.size() < length) text += pattern;
    text.resize(length);
    if (!text.empty() && IsHighSurrogate(text.back())) text.back() = u'z';
    array.Add(text);
    if (expected.size() > 1) expected += u',';
    expected += u'"';
    for (char16_t unit : text) {
      if (unit == u'"') expected += u'\\';
      expected += unit;
    }
    expected += u'"';
  }
  expected += u']';
  Text written = array.ToString();
  EXPECT_EQ(written, expected);
  EXPECT_EQ(array.WrittenSize(true), written.size());
  Text appended = u"x";
  array.WriteText(appended);
  EXPECT_EQ(appended, u"x" + expected);
}

// Both forms are sized before they are written: a member without a value (an empty pair, or a
// read member whose value was given away and has died) is sized as it is written.
TEST(TJSONWriting, MembersWithoutValuesAreSizedAsWritten) {
  TJSONObject built;
  built.AddPair(u"a", std::make_unique<TJSONNumber>(int32_t(1)));
  built.AddPair(std::make_unique<TJSONPair>());
  auto read = TJSONObject::ParseJSONValue(std::string("{\"a\":1,\"b\":[2]}"));
  ASSERT_TRUE(read);
  TJSONValue* b = static_cast<TJSONObject*>(read.get())->GetValue(u"b");
  ASSERT_TRUE(b);
  b->SetOwned(false);
  std::unique_ptr<TJSONValue>{b}.reset();
  for (const TJSONValue* value :
       {static_cast<const TJSONValue*>(&built), static_cast<const TJSONValue*>(read.get())}) {
    EXPECT_EQ(value->ToString(), u"{\"a\":1,}");
    EXPECT_EQ(value->WrittenSize(true), value->ToString().size());
    EXPECT_THROW(value->ToJSON(), EJSONException);
    EXPECT_THROW(value->Bytes(), EJSONException);
  }
}

// Read numbers are kept in several forms by their length; every one writes its text back.
TEST(TJSONReading, NumbersKeepTheirTextAtEveryLength) {
  const char* texts[] = {
      "0",
      "-1.5e+3",
      "123456789012345",
      "-12345678901234",
      "1234567890123456",
      "-65.613616999999977",
      "1.7976931348623157E+308",
      "-0.000000000000000000000000001",
      "123456789012345678901234567890",
      "1234567890123456789012345678901",
      "5e-324",
      "9007199254740993",
      "-1234567890.1234567890e-12",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    std::string array = std::string("[") + text + "," + text + "]";
    auto value = TJSONObject::ParseJSONValue(array);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->ToJSON(), array);
    EXPECT_EQ(TextToUtf8(value->ToString()), array);
    EXPECT_EQ(value->Clone()->ToJSON(), array);
    auto* number = static_cast<TJSONNumber*>(static_cast<TJSONArray*>(value.get())->Get(0));
    EXPECT_EQ(TextToUtf8(number->NumberText()), text);
    EXPECT_EQ(number->AsDouble(), std::strtod(text, nullptr));
    EXPECT_EQ(number->EstimatedByteSize(), std::strlen(text));
    number->AddChar(u'7');
    EXPECT_EQ(TextToUtf8(number->NumberText()), std::string(text) + "7");
  }
}

TEST(TJSONWriting, ContainersAndEstimates) {
  TJSONObject o;
  EXPECT_EQ(o.ToString(), u"{}");
  EXPECT_EQ(o.ToJSON(), "{}");
  EXPECT_EQ(o.EstimatedByteSize(), 2u);
  EXPECT_EQ(TJSONArray().ToJSON(), "[]");
  o.AddPair(u"k", std::make_unique<TJSONArray>(std::make_unique<TJSONNumber>(Text(u"1.50")),
                                               std::make_unique<TJSONNull>()));
  o.AddPair(u"t", std::make_unique<TJSONTrue>()).AddPair(u"f", std::make_unique<TJSONFalse>());
  EXPECT_EQ(o.ToJSON(), "{\"k\":[1.50,null],\"t\":true,\"f\":false}");
  // 1 + ("k" 8 + [1.50,null] 11 + 1) + 1 + (8 + 4 + 1) + 1 + (8 + 5 + 1) + 1
  EXPECT_EQ(o.EstimatedByteSize(), 51u);
  std::vector<uint8_t> buffer(o.EstimatedByteSize() + 3, 'x');
  size_t end = o.ToBytes(buffer, 3);
  EXPECT_EQ(std::string(buffer.begin() + 3, buffer.begin() + long(end)), o.ToJSON());
  std::vector<uint8_t> small(5);
  EXPECT_THROW(o.ToBytes(small, 0), EJSONException);
}

TEST(TJSONReading, AcceptedAndRefusedTexts) {
  struct Case {
    std::string input;
    std::string result;  // the byte form of what was read, or "none"
  } cases[] = {
      {"{\"a\":1}\n", "{\"a\":1}"},
      {" [1 , 2 ]\t\r\n ", "[1,2]"},
      {"\"s\"", "\"s\""},
      {"\"s\" ", "none"},
      {"12", "12"},
      {"12 ", "none"},
      {"12\n", "none"},
      {"true", "true"},
      {"true ", "none"},
      {"tru", "none"},
      {"True", "none"},
      {"{\"a\":1 \"b\":2}", "none"},
      {"{\"a\":1,}", "none"},
      {"[1,]", "none"},
      {"[1 2]", "none"},
      {"[", "none"},
      {"{\"a\"", "none"},
      {"{\"a\":", "none"},
      {"", "none"},
      {" ", "none"},
      {"-", "none"},
      {"-x", "none"},
      {"01", "none"},
      {"1.", "none"},
      {"1e", "none"},
      {".5", "none"},
      {"+1", "none"},
      {"-0.0e+10", "-0.0e+10"},
      {"1E-2", "1E-2"},
      {"[\"\\u00e9\",\"\\u00E9\"]", "[\"\\u00E9\",\"\\u00E9\"]"},
      {"\"\\x\"", "none"},
      {"\"\\u00G9\"", "none"},
      {"\"\\u00e\"", "none"},
      {"\"a\tb\nc\x01\"", "\"a\\tb\\nc\\u0001\""},
      {"\"\\/\\b\\f\\n\\r\\t\\\\\\\"\"", "\"\\/\\b\\f\\n\\r\\t\\\\\\\"\""},
      {"\"\\uD83D\\uDE00\"", "\"\\uD83D\\uDE00\""},
      {"\"\\uDE00\"", "\"\\uDE00\""},
      {"{\"a\":1,\"a\":2}", "{\"a\":1,\"a\":2}"},
      {"\xEF\xBB\xBF{}", "{}"},
      {"\xEF\xBB\xBF", "none"},
      {"\"caf\xC3\xA9\"", "\"caf\\u00E9\""},
      {"\"\xF0\x9F\x98\x80\"", "\"\\uD83D\\uDE00\""},
      {"[\xC3\xA9]", "none"},  // a character outside a string
      {"\f1", "none"},         // only four whitespace characters exist
      {"[1]\f", "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadBack(c.input), c.result) << c.input;
}

TEST(TJSONReading, Utf8Errors) {
  struct Case {
    std::string input;
    std::string message;
  } cases[] = {
      {"\"\xA9\"", "UTF8: Type cannot be determined out of header byte at position 1"},
      {"\xA9", "UTF8: Type cannot be determined out of header byte at position 0"},
      {"\"ab\xC3", "UTF8: A start byte not followed by enough continuation bytes in position 3"},
      {"\"\xE2\x82", "UTF8: A start byte not followed by enough continuation bytes in position 1"},
      {"\"\xC3x\"", "UTF8: An unexpected continuation byte in 2-byte UTF8 in position 2"},
      {"\"\xF0\x9F\x98x\"", "UTF8: An unexpected continuation byte in 4-byte UTF8 in position 4"},
      {"\"\xFF\"", "UTF8: Type cannot be determined out of header byte at position 1"},
      // overlong forms, encoded surrogates and code points beyond U+10FFFF are refused
      {"\"\xC0\xAF\"", "UTF8: Type cannot be determined out of header byte at position 1"},
      {"\"\xE0\x80\xAF\"", "UTF8: An unexpected continuation byte in 3-byte UTF8 in position 2"},
      {"\"\xED\xA0\x80\"", "UTF8: An unexpected continuation byte in 3-byte UTF8 in position 2"},
      {"\"\xF4\x90\x80\x80\"",
       "UTF8: An unexpected continuation byte in 4-byte UTF8 in position 2"},
      {"{} \xA9", "UTF8: Type cannot be determined out of header byte at position 3"},
      {"[1\xA9]", "UTF8: Type cannot be determined out of header byte at position 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    try {
      ReadBack(c.input);
      ADD_FAILURE() << "no error";
    } catch (const EJSONException& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
  // Without UTF-8 decoding, each high byte is the character of that code.
  EXPECT_EQ(ReadBack("\"\xA9\"", false), "\"\\u00A9\"");
  // After a top-level string nothing is looked at.
  EXPECT_EQ(ReadBack("\"s\"\xA9"), "none");
}

TEST(TJSONReading, RangesAndVariants) {
  std::vector<uint8_t> data = Bytes("xx[1,2]yy");
  EXPECT_EQ(TJSONObject::ParseJSONValueUTF8(data, 2, 7)->ToJSON(), "[1,2]");
  EXPECT_EQ(TJSONObject::ParseJSONValueUTF8(data, 2), nullptr);
  EXPECT_EQ(TJSONObject::ParseJSONValue(data.data(), data.size(), 2, 20), nullptr);
  // Bytes past the range are never looked at, not even broken UTF-8.
  std::vector<uint8_t> tail = Bytes("[1]\xFF");
  EXPECT_EQ(TJSONObject::ParseJSONValueUTF8(tail, 0, 3)->ToJSON(), "[1]");
  EXPECT_EQ(TJSONObject::ParseJSONValue(Text(u"{\"\u00e9\":[true]}"))->ToString(),
            u"{\"\u00e9\":[true]}");
}

TEST(TJSONReading, NestingIsBounded) {
  auto nested = [](int depth) {
    return std::string(size_t(depth), '[') + std::string(size_t(depth), ']');
  };
  EXPECT_NE(ReadBack(nested(512)), "none");
  EXPECT_EQ(ReadBack(nested(513)), "none");
  EXPECT_EQ(ReadBack(std::string(100000, '[')), "none");
  std::string objects;
  for (int i = 0; i < 100000; ++i) objects += "{\"a\":";
  EXPECT_EQ(ReadBack(objects), "none");
}

TEST(TJSONObjectParse, ReturnConventions) {
  struct Case {
    std::string input;
    int pos;
    int result;
    const char* members;  // the object's text form afterwards
  } cases[] = {
      {"{\"a\":1}", 0, 7, "{\"a\":1}"},
      {"{\"a\":1}  ", 0, 9, "{\"a\":1}"},
      {"{\"a\":1} x", 0, -8, "{\"a\":1}"},
      {"  {}", 0, 4, "{}"},
      {"{\"a\":1,}", 0, -7, "{}"},
      {"[1]", 0, 0, "{}"},
      {"{}", 5, -1, "{}"},
      {"{}", -1, -1, "{}"},
      {"", 0, -1, "{}"},
      {"\xEF\xBB\xBF{\"\xC3\xA9\":1}", 0, 11, "{\"\u00e9\":1}"},
      {"{\"\xC3\xA9\":1}", 0, 8, "{\"\u00c3\u00a9\":1}"},  // without the mark: single bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    TJSONObject o;
    EXPECT_EQ(o.Parse(Bytes(c.input), c.pos), c.result);
    EXPECT_EQ(o.ToString(), Utf8ToText(c.members));
  }
  TJSONObject o;
  EXPECT_EQ(o.Parse(Bytes("{} x"), 0, 3), 3);
}

#include <latch>
#include <thread>

#include "json/TJSONPool.h"
#include "platform/TSystem.h"

// The deepest input that is read at all must fit the stack of a connection thread.
TEST(TJSONReading, DeepestInputFitsAConnectionThreadStack) {
  quillara::platform::SetDefaultThreadStackSize(quillara::platform::kConnectionThreadStack);
  std::string deepest;
  for (int i = 0; i < 256; ++i) deepest += "[{\"a\":";
  deepest += "1";
  for (int i = 0; i < 256; ++i) deepest += "}]";
  std::string result;
  std::thread([&] {
    auto value = TJSONObject::ParseJSONValue(deepest);
    result = value ? value->ToJSON() : "none";
  }).join();
  EXPECT_EQ(result, deepest);
}

// A tree's memory is returned (or kept for the next tree) by whichever thread drops it last,
// also a thread that never read anything; the sanitizer build finds what is not returned.
TEST(TJSONReading, TreesOutliveTheThreadThatReadThem) {
  std::string input = "[";
  for (int i = 0; i < 20000; ++i) input += "{\"name\":\"member " + std::to_string(i) + "\"},";
  input += "-12345678901234567.5]";
  for (int round = 0; round < 3; ++round) {
    std::unique_ptr<TJSONValue> readThere;
    std::thread([&] { readThere = TJSONObject::ParseJSONValue(input); }).join();
    ASSERT_TRUE(readThere);
    auto readHere = TJSONObject::ParseJSONValue(input);
    std::unique_ptr<TJSONValue> taken = static_cast<TJSONArray*>(readHere.get())->Remove(0);
    std::thread([&] {
      EXPECT_EQ(readHere->ToJSON(), readThere->ToJSON().erase(1, taken->ToJSON().size() + 1));
      readHere.reset();
    }).join();
    EXPECT_EQ(taken->ToJSON(), "{\"name\":\"member 0\"}");
  }
}

// Threads keep the empty chunks of the trees they dropped, for the next ones; what they keep
// together is bounded, and a thread's share goes when it ends.
TEST(TJSONReading, KeptChunksAreBoundedOverAllThreads) {
  std::string input = "[";
  for (int i = 0; i < 40000; ++i) input += "{\"name\":\"member " + std::to_string(i) + "\"},";
  input += "0]";
  size_t before = TJSONPool::KeptChunks();
  constexpr int kThreads = 8;
  std::latch dropped(kThreads), measured(1);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      TJSONObject::ParseJSONValue(input).reset();
      dropped.count_down();
      measured.wait();  // still alive, still keeping
    });
  dropped.wait();
  size_t kept = TJSONPool::KeptChunks();
  measured.count_down();
  for (auto& t : threads) t.join();
  EXPECT_GT(kept, before);
  EXPECT_LE(kept, 256u);  // 16 MiB
  EXPECT_EQ(TJSONPool::KeptChunks(), before);
}

// A tree of about 6 MB read again and again in one thread is cut from the memory the thread
// kept from the one before, whose pages are already there, and nothing more is taken or given
// back.
TEST(TJSONReading, ATreeReadAgainReusesTheMemoryOfTheOneBefore) {
  std::string input = "[";
  for (int i = 0; i < 34000; ++i) input += "[1.5,-2.25,{\"id\":" + std::to_string(i) + "}],";
  input += "0]";
  std::thread([&] {
    size_t before = TJSONPool::KeptChunks();
    TJSONObject::ParseJSONValue(input).reset();
    size_t kept = TJSONPool::KeptChunks() - before;
    EXPECT_GE(kept, 96u) << kept;  // 6 MiB
    for (int round = 0; round < 3; ++round) {
      auto again = TJSONObject::ParseJSONValue(input);
      // what remains is less than the chunks of one region
      EXPECT_LT(TJSONPool::KeptChunks() - before, 16u) << round;
      again.reset();
      EXPECT_EQ(TJSONPool::KeptChunks() - before, kept) << round;
    }
  }).join();
}

// Blocks of every size the pool cuts differently (from the thread's chunk, from a chunk of
// their own, from chunks in a row, from a region of their own) never share a byte, also when
// freed chunks are handed out again and when another thread releases them.
TEST(TJSONPoolBlocks, BlocksOfEverySizeKeepTheirBytes) {
  constexpr size_t kKiB = 1024;
  const size_t sizes[] = {8,
                          24,
                          8 * kKiB,
                          8 * kKiB + 8,
                          60 * kKiB,
                          40 * kKiB,
                          64 * kKiB - 16,
                          64 * kKiB - 8,
                          300 * kKiB,
                          1024 * kKiB - 16,
                          1024 * kKiB,
                          2100 * kKiB};
  struct Block {
    unsigned char* data;
    size_t bytes;
    unsigned char fill;
  };
  std::vector<Block> blocks;
  auto allocate = [&](size_t bytes) {
    auto* data = static_cast<unsigned char*>(TJSONPool::Allocate(bytes));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % 8, 0u) << bytes;
    auto fill = static_cast<unsigned char>(blocks.size() * 37 + 1);
    std::memset(data, fill, bytes);
    blocks.push_back({data, bytes, fill});
  };
  auto intact = [](const Block& b) {
    return std::all_of(b.data, b.data + b.bytes, [&](unsigned char c) { return c == b.fill; });
  };
  // sizes in a mixed order, so that each kind of block meets each other kind beside it
  constexpr size_t kSizes = std::size(sizes);
  for (size_t i = 0; i < 4 * kSizes; ++i) allocate(sizes[i * 5 % kSizes]);
  // a third goes, and its memory is handed out again to blocks of other sizes
  std::vector<Block> left;
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (i % 3 == 1) {
      TJSONPool::Release(blocks[i].data);
    } else {
      left.push_back(blocks[i]);
    }
  }
  blocks = left;
  for (size_t i = 0; i < 2 * kSizes; ++i) allocate(sizes[i * 7 % kSizes]);
  for (const Block& b : blocks) EXPECT_TRUE(intact(b)) << b.bytes;
  std::thread([&] {
    for (const Block& b : blocks) TJSONPool::Release(b.data);
  }).join();
}

TEST(TJSONReading, BoundedReadingStopsBeforeTheTreePassesItsBound) {
  // (input, bound in bytes, status): the bound is on the tree, whatever the shape of the input
  std::string zeros = "[";
  for (int i = 0; i < 9999; ++i) zeros += "0,";
  zeros += "0]";
  std::string nested = std::string(400, '[') + std::string(400, ']');
  std::string objects = "[";
  for (int i = 0; i < 5000; ++i) objects += "{\"k\":1},";
  objects += "{}]";
  std::string text = "\"" + std::string(100000, 'x') + "\"";
  using S = TJSONObject::TReadStatus;
  struct Case {
    const std::string* input;
    size_t bound;
    S status;
  } cases[] = {
      {&zeros, 100 << 10, S::rsTooLarge},   {&zeros, 4 << 20, S::rsValue},
      {&nested, 4 << 10, S::rsTooLarge},    {&nested, 1 << 20, S::rsValue},
      {&objects, 100 << 10, S::rsTooLarge}, {&objects, 4 << 20, S::rsValue},
      {&text, 64 << 10, S::rsTooLarge},     {&text, 1 << 20, S::rsValue},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input->substr(0, 20) + " within " + std::to_string(c.bound));
    S status;
    auto value = TJSONObject::ParseJSONValueBounded(
        reinterpret_cast<const uint8_t*>(c.input->data()), c.input->size(), c.bound, status);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(value != nullptr, c.status == S::rsValue);
    if (value) {
      EXPECT_EQ(value->ToJSON(), *c.input);
    }
  }
  S status;
  EXPECT_EQ(TJSONObject::ParseJSONValueBounded(reinterpret_cast<const uint8_t*>("[1,]"), 4, 1 << 20,
                                               status),
            nullptr);
  EXPECT_EQ(status, S::rsMalformed);
}
