// The value tree: building, looking up, ownership, numbers.
#include <gtest/gtest.h>

#include "base/SysUtils.h"
#include "json/TJSON.h"

using namespace quillara;

TEST(TJSONObject, AddPairRules) {
  TJSONObject o;
  o.AddPair(u"x", u"");                               // empty value text: nothing
  o.AddPair(u"", u"v");                               // empty name: nothing
  o.AddPair(std::make_unique<TJSONPair>(u"x", u""));  // a pair made of the same texts is kept
  auto kept = std::make_unique<TJSONNumber>(1);
  o.AddPair(u"", std::move(kept));  // refused: the value stays with us
  ASSERT_TRUE(kept);
  o.AddPair(std::unique_ptr<TJSONPair>());
  o.AddPair(std::make_unique<TJSONString>(u"n"), std::unique_ptr<TJSONValue>());
  o.AddPair(u"a", std::move(kept)).AddPair(u"a", u"second");
  EXPECT_FALSE(kept);
  EXPECT_EQ(o.Count(), 3u);
  EXPECT_EQ(o.ToString(), u"{\"x\":\"\",\"a\":1,\"a\":\"second\"}");
  EXPECT_EQ(o.GetValue(u"a")->ToString(), u"1");  // the first of two equal names
  EXPECT_EQ(o.GetValue(u"A"), nullptr);           // names compare with case
  for (int index : {-1, 3}) EXPECT_EQ(o.Get(index), nullptr);
}

TEST(TJSONArray, AddRules) {
  TJSONArray a;
  a.Add(u"t").Add(int32_t(-7)).Add(1.5).Add(true).Add(false);
  a.Add(std::unique_ptr<TJSONObject>());  // a missing object is a JSON null
  a.Add(std::unique_ptr<TJSONArray>());   // a missing array is nothing
  a.AddElement(std::unique_ptr<TJSONValue>());
  a.Add(std::make_unique<TJSONArray>(u"p", u"q"));
  EXPECT_EQ(a.ToString(), u"[\"t\",-7,1.5,true,false,null,[\"p\",\"q\"]]");
  for (int index : {-1, 7}) EXPECT_EQ(a.Get(index), nullptr);
  TJSONArray two(std::make_unique<TJSONNull>(), nullptr);
  EXPECT_EQ(two.Count(), 1u);

  std::vector<Text> seen;
  auto e = a.GetEnumerator();
  while (e.MoveNext()) seen.push_back(e.Current()->ToString());
  EXPECT_EQ(seen.size(), 7u);
}

TEST(TJSONOwnership, ClearedOwnedSurvivesTheContainer) {
  TJSONValue* survivor;
  TJSONPair* pairSurvivor;
  {
    auto o = std::make_unique<TJSONObject>();
    auto inner = std::make_unique<TJSONArray>();
    inner->Add(u"kept");
    o->AddPair(u"list", std::move(inner)).AddPair(u"p", u"v");
    survivor = o->GetValue(u"list");
    survivor->SetOwned(false);
    EXPECT_FALSE(survivor->Owned());
    pairSurvivor = o->Get(1);
    pairSurvivor->SetOwned(false);
  }
  std::unique_ptr<TJSONValue> mine(survivor);
  std::unique_ptr<TJSONPair> minePair(pairSurvivor);
  EXPECT_EQ(mine->ToString(), u"[\"kept\"]");
  EXPECT_EQ(minePair->ToString(), u"\"p\":\"v\"");
  EXPECT_FALSE(mine->Owned());
}

TEST(TJSONOwnership, BorrowedChildThatDiesFirstIsForgotten) {
  TJSONArray a;
  a.Add(u"a").Add(u"b");
  std::unique_ptr<TJSONValue> b(a.Get(1));
  b->SetOwned(false);
  b.reset();  // the array must not touch it again
  EXPECT_EQ(a.Get(1), nullptr);
  EXPECT_EQ(a.ToString(), u"[\"a\"]");
  EXPECT_EQ(a.ToJSON(), "[\"a\"]");
  // Taking ownership back makes the container destroy it again.
  a.Get(0)->SetOwned(false);
  a.Get(0)->SetOwned(true);
  EXPECT_TRUE(a.Get(0)->Owned());
}

TEST(TJSONOwnership, RemovedNodesBelongToTheCaller) {
  std::unique_ptr<TJSONPair> pair;
  std::unique_ptr<TJSONValue> element;
  {
    TJSONObject o;
    o.AddPair(u"a", u"1").AddPair(u"b", u"2").AddPair(u"a", u"3");
    pair = o.RemovePair(u"a");
    EXPECT_EQ(o.RemovePair(u"zz"), nullptr);
    EXPECT_EQ(o.ToString(), u"{\"b\":\"2\",\"a\":\"3\"}");
    TJSONArray a(u"x", u"y");
    element = a.Remove(0);
    EXPECT_EQ(a.Remove(5), nullptr);
    EXPECT_EQ(a.ToString(), u"[\"y\"]");
    // later elements keep their places after a removal in front of them
    a.Get(0)->SetOwned(false);
    std::unique_ptr<TJSONValue> y(a.Get(0));
    EXPECT_EQ(a.Count(), 1u);
  }
  EXPECT_EQ(pair->ToString(), u"\"a\":\"1\"");
  EXPECT_EQ(element->ToString(), u"\"x\"");
  EXPECT_TRUE(element->Owned());
}

TEST(TJSONOwnership, MovedSlotsStayLinked) {
  // Many additions reallocate the element list; clearing Owned afterwards must still reach the
  // right place.
  TJSONArray a;
  for (int i = 0; i < 1000; ++i) a.Add(i);
  std::unique_ptr<TJSONValue> first(a.Get(0));
  first->SetOwned(false);
  a.Remove(1);
  EXPECT_EQ(first->ToString(), u"0");
}

// A read object holds its members without pair nodes until one is asked for: the ownership
// rules must be those of pairs either way.
TEST(TJSONOwnership, ReadMembersFollowThePairRules) {
  for (bool pairsFirst : {false, true}) {
    SCOPED_TRACE(pairsFirst ? "pairs made first" : "no pairs made");
    auto read = [&] {
      std::unique_ptr<TJSONValue> value =
          TJSONObject::ParseJSONValue(std::string(R"({"a":[1,2],"b":"x","a":3})"));
      auto* object = dynamic_cast<TJSONObject*>(value.get());
      if (object && pairsFirst) (void)object->Get(0);
      return value;
    };
    std::unique_ptr<TJSONValue> value = read();
    auto* object = dynamic_cast<TJSONObject*>(value.get());
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->Count(), 3u);
    EXPECT_EQ(object->GetValue(u"a")->ToJSON(), "[1,2]");
    EXPECT_EQ(object->GetValue(u"c"), nullptr);

    // A value whose Owned was cleared outlives the object.
    TJSONValue* kept = object->GetValue(u"a");
    kept->SetOwned(false);
    value.reset();
    std::unique_ptr<TJSONValue> mine(kept);
    EXPECT_EQ(mine->ToJSON(), "[1,2]");
    EXPECT_FALSE(mine->Owned());

    // A borrowed value that dies first is forgotten: its member stays, empty.
    value = read();
    object = dynamic_cast<TJSONObject*>(value.get());
    std::unique_ptr<TJSONValue> b(object->GetValue(u"b"));
    b->SetOwned(false);
    b.reset();
    EXPECT_EQ(object->ToString(), u"{\"a\":[1,2],,\"a\":3}");
    EXPECT_THROW((void)object->ToJSON(), EJSONException);
    EXPECT_EQ(object->Get(1)->JsonValue(), nullptr);

    // Removal hands the first member of that name to the caller.
    std::unique_ptr<TJSONPair> removed = object->RemovePair(u"a");
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->ToString(), u"\"a\":[1,2]");
    EXPECT_EQ(object->Count(), 2u);
    EXPECT_EQ(object->GetValue(u"a")->ToJSON(), "3");
  }
}

TEST(TJSONOwnership, DeepTreesAreDestroyedWithoutDeepRecursion) {
  auto root = std::make_unique<TJSONArray>();
  TJSONArray* tip = root.get();
  for (int i = 0; i < 1000000; ++i) {
    auto next = std::make_unique<TJSONArray>();
    TJSONArray* raw = next.get();
    tip->AddElement(std::move(next));
    tip = raw;
  }
  root.reset();
  SUCCEED();
}

TEST(TJSONPair, PartsAndClone) {
  TJSONPair empty;
  EXPECT_EQ(empty.ToString(), u"");
  EXPECT_THROW(empty.Bytes(), EJSONException);
  empty.SetJsonString(std::make_unique<TJSONString>(u"k"));
  EXPECT_EQ(empty.ToString(), u"");  // still no value
  empty.SetJsonValue(nullptr);
  empty.SetJsonValue(std::make_unique<TJSONTrue>());
  EXPECT_EQ(empty.ToJSON(), "\"k\":true");
  EXPECT_EQ(empty.Value(), u"");
  TJSONObject o;
  o.AddPair(u"a", std::make_unique<TJSONArray>(u"1", u"2"));
  o.Get(0)->SetOwned(false);  // clones are owned whatever the original says
  std::unique_ptr<TJSONPair> keep(o.Get(0));
  std::unique_ptr<TJSONValue> copy = o.Clone();
  EXPECT_EQ(copy->ToString(), u"{\"a\":[\"1\",\"2\"]}");
  EXPECT_TRUE(static_cast<TJSONObject*>(copy.get())->Get(0)->Owned());
}

TEST(TJSONString, NullAndEmpty) {
  TJSONString null;
  EXPECT_TRUE(null.Null());
  EXPECT_EQ(null.Value(), u"");
  EXPECT_EQ(null.ToString(), u"");
  EXPECT_EQ(null.ToJSON(), "null");
  EXPECT_TRUE(null.Clone()->Null());
  TJSONString empty(u"");
  EXPECT_FALSE(empty.Null());
  EXPECT_EQ(empty.ToJSON(), "\"\"");
  null.AddChar(u'x');
  EXPECT_EQ(null.ToString(), u"\"x\"");
  EXPECT_FALSE(TJSONNumber().Null());
  EXPECT_TRUE(TJSONNull().Null());
}

TEST(TJSONNumber, TextFromNumbers) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {1.5, "1.5"},
      {1e20, "1E20"},
      {0.000001, "1E-6"},
      {0.00001, "0.00001"},
      {1e-5 * 0.99, "9.9E-6"},
      {100, "100"},
      {-0.25, "-0.25"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {-1e100, "-1E100"},
      {0, "0"},
      {2.5e-308, "2.5E-308"},
  };
  for (const Case& c : cases) EXPECT_EQ(TJSONNumber(c.value).ToJSON(), c.text) << c.text;
  EXPECT_EQ(TJSONNumber(int32_t(-7)).ToJSON(), "-7");
  EXPECT_EQ(TJSONNumber(int32_t(-7)).AsInt(), -7);
  EXPECT_EQ(TJSONNumber(int64_t(-9007199254740993)).ToJSON(), "-9007199254740993");
  EXPECT_EQ(TJSONNumber(u"anything").ToJSON(), "anything");  // unchecked
}

TEST(TJSONNumber, Value) {
  struct Case {
    const char16_t* text;
    const char16_t* value;
  } cases[] = {
      {u"1.0", u"1"},
      {u"10", u"10"},
      {u"123456789012", u"123456789012"},
      {u"1e2", u"100"},
      {u"-0", u"0"},
      {u"2.50", u"2.5"},
      {u"000000000001", u"1"},
      {u"1E-7", u"1E-7"},
      {u"12345678901234567890.5", u"1.23456789012346E19"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TJSONNumber(Text(c.text)).Value(), c.value) << TextToUtf8(c.text);
}

TEST(TJSONNumber, ConversionErrors) {
  struct Case {
    const char16_t* text;
    int which;  // 0 Value, 1 AsInt, 2 AsInt64, 3 AsDouble
    const char* message;
  } cases[] = {
      {u"123456789012345678901", 0, "'123456789012345678901' is not a valid integer value"},
      {u"1.5", 1, "'1.5' is not a valid integer value"},
      {u"3000000000", 1, "'3000000000' is not a valid integer value"},
      {u"1e3", 2, "'1e3' is not a valid integer value"},
      {u"abc", 3, "'abc' is not a valid floating point value"},
      {u"", 3, "'' is not a valid floating point value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.text));
    TJSONNumber n{Text(c.text)};
    try {
      if (c.which == 0) n.Value();
      if (c.which == 1) n.AsInt();
      if (c.which == 2) n.AsInt64();
      if (c.which == 3) n.AsDouble();
      ADD_FAILURE() << c.message;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
  EXPECT_EQ(TJSONNumber(u"3000000000").AsInt64(), 3000000000);
  EXPECT_DOUBLE_EQ(TJSONNumber(u"-2.5e1").AsDouble(), -25);
}

TEST(TJSONPair, TheNameNodeIsTheNameOnceAskedFor) {
  auto object = std::unique_ptr<TJSONObject>(static_cast<TJSONObject*>(
      TJSONObject::ParseJSONValue(std::string("{\"a\":1,\"b\":2}")).release()));
  ASSERT_NE(object, nullptr);
  TJSONString* name = object->Get(0)->JsonString();
  EXPECT_EQ(name, object->Get(0)->JsonString());  // the same node every time
  name->AddChar(u'x');
  EXPECT_EQ(object->ToJSON(), "{\"ax\":1,\"b\":2}");
  EXPECT_EQ(object->Get(u"ax"), object->Get(0));
  EXPECT_EQ(object->Get(u"a"), nullptr);
  EXPECT_EQ(object->Clone()->ToString(), u"{\"ax\":1,\"b\":2}");
  TJSONPair nullName(std::make_unique<TJSONString>(), std::make_unique<TJSONNumber>(int32_t(1)));
  EXPECT_EQ(nullName.ToJSON(), "null:1");
  EXPECT_TRUE(nullName.JsonString()->Null());
}
