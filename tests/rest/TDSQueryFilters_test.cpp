// Query parameters of a call: "json", the result filters, their positions and conflicts.
#include "rest/TDSQueryFilters.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"

using namespace quillara;
using namespace quillara::TDBXDataTypes;

namespace {

TPositions Of(std::initializer_list<int> positions) {
  TPositions set;
  for (int p : positions) set.set(size_t(p));
  return set;
}

TEST(ReadPositions, ListsAndRangesWithinWhatAMethodCanHave) {
  struct Case {
    const char* list;
    std::optional<TPositions> expected;
  } cases[] = {
      {"0", Of({0})},
      {"2-4", Of({2, 3, 4})},
      {"1,3", Of({1, 3})},
      {"0,2-3,7", Of({0, 2, 3, 7})},
      {"5-5", Of({5})},
      {"71", Of({71})},
      {"70-71", Of({70, 71})},
      {"07", Of({7})},
      {"72", std::nullopt},
      {"3-1", std::nullopt},
      {"", std::nullopt},
      {",", std::nullopt},
      {"1,", std::nullopt},
      {"-1", std::nullopt},
      {"1-", std::nullopt},
      {"1--2", std::nullopt},
      {"007", std::nullopt},
      {"a", std::nullopt},
      {"0-99999999999999999999", std::nullopt},
      {"-2147483648-71", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadPositions(c.list), c.expected) << c.list;
}

TEST(ReadBoolean, WordsAndNumbers) {
  struct Case {
    const char* text;
    std::optional<bool> expected;  // none: the boolean error
  } cases[] = {
      {"true", true}, {"TRUE", true}, {"False", false}, {"0", false}, {"1", true},
      {"-3", true},   {"yes", {}},    {"", {}},         {"1.5", {}},
  };
  for (const Case& c : cases) {
    if (c.expected) {
      EXPECT_EQ(ReadBoolean(c.text), *c.expected) << c.text;
    } else {
      try {
        ReadBoolean(c.text);
        ADD_FAILURE() << "no error for '" << c.text << "'";
      } catch (const EConvertError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "'" + std::string(c.text) + "' is not a valid boolean value");
      }
    }
  }
}

struct TParam {
  const char* name;
  const char* value;
};

TEST(ProcessQueryParameter, FiltersAreCreatedNamedAndFilled) {
  struct Case {
    const char* title;
    std::vector<TParam> params;
    size_t filters;
    const char* part;  // of the first filter
    const char* name;
    TPositions positions;
    bool onResult;
    int64_t offset;
    int64_t count;
  } cases[] = {
      {"count on the result", {{"ss.c", "10"}}, 1, "ss", "ss", {}, true, 0, 10},
      {"offset", {{"ss.o", "3"}}, 1, "ss", "ss", {}, true, 3, INT32_MAX},
      {"range field", {{"ss.r", "2,5"}}, 1, "ss", "ss", {}, true, 2, 5},
      {"range field with blanks", {{"ss.r", " 2 , 5 "}}, 1, "ss", "ss", {}, true, 2, 5},
      {"names without case", {{"SS.C", "4"}}, 1, "ss", "ss", {}, true, 0, 4},
      {"positions", {{"t1-2.c", "1"}}, 1, "t1-2", "t", Of({1, 2}), false, 0, 1},
      {"same part filled twice", {{"ss.o", "1"}, {"ss.c", "2"}}, 1, "ss", "ss", {}, true, 1, 2},
      {"part compared without case",
       {{"SS2.o", "1"}, {"ss2.c", "2"}},
       1,
       "ss2",
       "ss",
       Of({2}),
       false,
       1,
       2},
      {"no filter part: every filter",
       {{"ss1.o", "1"}, {"c", "9"}},
       1,
       "ss1",
       "ss",
       Of({1}),
       false,
       1,
       9},
      {"no filter part and no filter", {{"c", "9"}}, 0, "", "", {}, false, 0, 0},
      {"unknown filter ignored", {{"xx.c", "1"}}, 0, "", "", {}, false, 0, 0},
      {"unknown field ignored", {{"ss.z", "x"}}, 0, "", "", {}, false, 0, 0},
      {"empty name ignored", {{"", "x"}}, 0, "", "", {}, false, 0, 0},
  };
  for (const Case& c : cases) {
    TQuery query;
    for (const TParam& p : c.params)
      EXPECT_TRUE(ProcessQueryParameter(query, p.name, p.value)) << c.title << ": " << p.name;
    EXPECT_TRUE(CheckConvertersForConsistency(query)) << c.title;
    ASSERT_EQ(query.Filters.size(), c.filters) << c.title;
    if (!c.filters) continue;
    const TFilter& f = query.Filters[0];
    EXPECT_EQ(f.Part, c.part) << c.title;
    EXPECT_EQ(f.Name, c.name) << c.title;
    EXPECT_EQ(f.Positions, c.positions) << c.title;
    EXPECT_EQ(f.OnResult, c.onResult) << c.title;
    EXPECT_EQ(f.Offset, c.offset) << c.title;
    EXPECT_EQ(f.Count, c.count) << c.title;
  }
}

TEST(ProcessQueryParameter, JsonSetsTheStreamFlag) {
  TQuery query;
  EXPECT_TRUE(ProcessQueryParameter(query, "JSON", "true"));
  EXPECT_TRUE(query.StreamAsJSON);
  EXPECT_TRUE(ProcessQueryParameter(query, "json", "0"));
  EXPECT_FALSE(query.StreamAsJSON);
  EXPECT_THROW(ProcessQueryParameter(query, "json", "maybe"), EConvertError);
}

TEST(ProcessQueryParameter, PositionsOutsideAMethodAreRejected) {
  for (const char* name :
       {"ss72.c", "ss3-1.c", "ss-60000-1.c", "t0-99999999999999999999.o", "ss1,.c", "ss-1.c"}) {
    TQuery query;
    EXPECT_FALSE(ProcessQueryParameter(query, name, "1")) << name;
    EXPECT_TRUE(query.Filters.empty()) << name;
  }
}

TEST(ProcessQueryParameter, ValuesThatAreNoIntegersFail) {
  struct Case {
    const char* name;
    const char* value;
    const char* message;
  } cases[] = {
      {"ss.c", "x", "'x' is not a valid integer value"},
      {"ss.o", "", "'' is not a valid integer value"},
      {"ss.r", "5", "'5' is not a valid integer value"},
      {"ss.r", "1,x", "'x' is not a valid integer value"},
      {"ss.r", "a,1", "'a' is not a valid integer value"},
      {"t.c", "1.5", "'1.5' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    TQuery query;
    try {
      ProcessQueryParameter(query, c.name, c.value);
      ADD_FAILURE() << "no error for " << c.name << "=" << c.value;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name << "=" << c.value;
    }
  }
}

TEST(CheckConvertersForConsistency, TwoFiltersOnOnePlaceConflict) {
  struct Case {
    const char* title;
    std::vector<TParam> params;
    bool consistent;
  } cases[] = {
      {"one filter", {{"ss0.c", "1"}}, true},
      {"disjoint positions", {{"ss0.c", "1"}, {"t1.c", "1"}}, true},
      {"overlapping positions", {{"ss0.c", "1"}, {"ss0-1.c", "1"}}, false},
      {"same position, other filter", {{"ss2.c", "1"}, {"t2.c", "1"}}, false},
      {"two on the result", {{"ss.c", "1"}, {"t.c", "1"}}, false},
      {"one on the result, one on a position", {{"ss.c", "1"}, {"t0.c", "1"}}, true},
      {"the same filter twice", {{"ss0.c", "1"}, {"ss0.o", "1"}}, true},
  };
  for (const Case& c : cases) {
    TQuery query;
    for (const TParam& p : c.params) EXPECT_TRUE(ProcessQueryParameter(query, p.name, p.value));
    EXPECT_EQ(CheckConvertersForConsistency(query), c.consistent) << c.title;
  }
}

TEST(FilterFor, ExactlyOneFilterApplies) {
  TQuery query;
  ASSERT_TRUE(ProcessQueryParameter(query, "ss1.c", "1"));
  ASSERT_TRUE(ProcessQueryParameter(query, "t.c", "2"));
  struct Case {
    size_t position;
    bool last;
    const char* filter;  // null: none
  } cases[] = {
      {0, false, nullptr}, {1, false, "ss1"},  {2, false, nullptr},
      {2, true, "t"},      {1, true, nullptr},  // the positional filter and the result filter both
                                                // cover it
  };
  for (const Case& c : cases) {
    const TFilter* f = FilterFor(query, c.position, c.last);
    if (!c.filter) {
      EXPECT_EQ(f, nullptr) << c.position << (c.last ? " last" : "");
    } else {
      ASSERT_NE(f, nullptr) << c.position;
      EXPECT_EQ(f->Part, c.filter) << c.position;
    }
  }
}

TEST(TFilter, AcceptsTheCodesOfItsKind) {
  TQuery query;
  ASSERT_TRUE(ProcessQueryParameter(query, "ss0.c", "1"));
  ASSERT_TRUE(ProcessQueryParameter(query, "t1.c", "1"));
  const TFilter& ss = query.Filters[0];
  const TFilter& t = query.Filters[1];
  for (TDBXDataType code : {AnsiStringType, BlobType, WideStringType, BinaryBlobType}) {
    EXPECT_TRUE(ss.Accepts(code)) << code;
    EXPECT_FALSE(t.Accepts(code)) << code;
  }
  for (TDBXDataType code : {DateType, BooleanType, Int32Type, JsonValueType, UnknownType}) {
    EXPECT_FALSE(ss.Accepts(code)) << code;
    EXPECT_FALSE(t.Accepts(code)) << code;
  }
  EXPECT_TRUE(t.Accepts(TableType));
  EXPECT_FALSE(ss.Accepts(TableType));
}

}  // namespace
