// Paths under the session's result cache and the descriptions of its items.
#include "rest/TDSCacheAnswers.h"

#include <gtest/gtest.h>

using namespace quillara;

namespace {

TEST(ReadCacheIndexes, UpToThreeDecimalIndexes) {
  using TIndexes = std::optional<std::vector<int>>;
  struct Case {
    const char* rest;
    TIndexes expected;
  } cases[] = {
      {"", std::vector<int>{}},         {"/", std::vector<int>{}},
      {"/0", std::vector<int>{0}},      {"0", std::vector<int>{0}},
      {"/3/1", std::vector<int>{3, 1}}, {"/3/1/2", std::vector<int>{3, 1, 2}},
      {"/1/", std::vector<int>{1}},     {"/-1", std::vector<int>{-1}},
      {"/0/1/2/3", std::nullopt},       {"/x", std::nullopt},
      {"/1/x/2", std::nullopt},         {"/0//1", std::nullopt},
      {"/1.5", std::nullopt},           {"/99999999999", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCacheIndexes(c.rest), c.expected) << c.rest;
}

TEST(CacheItemJSON, CommandsWithTheTypeNamesOfTheirValues) {
  TDSCacheItem item;
  TDSParameterInfo stream, object;
  stream.TypeName = "TStream";
  object.TypeName = "TJSONObject";
  item.Commands.push_back({{stream, TDSValue(), nullptr}, {object, TDSValue(), nullptr}});
  item.Commands.emplace_back();
  EXPECT_EQ(CacheItemJSON(item)->ToJSON(),
            "{\"commands\":[{\"parameters\":[\"TStream\",\"TJSONObject\"]},{\"parameters\":[]}]}");
  EXPECT_EQ(CacheItemJSON(TDSCacheItem())->ToJSON(), "{\"commands\":[]}");
}

}  // namespace
