#include "rest/TDSSessionTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "rest/TDSSessionManager.h"

using namespace quillara;

TEST(TDSSessionTable, OnlyIdsAsTheServerWritesThemHaveAKey) {
  struct Case {
    const char* id;
    bool valid;
  } cases[] = {
      {"0.0.0", true},
      {"1.22.333", true},
      {"999999.999999.999999", true},
      {"615384.43657.894263", true},
      {"", false},
      {"1.2", false},
      {"1.2.3.4", false},
      {"1..3", false},
      {".1.2", false},
      {"1.2.", false},
      {"01.2.3", false},  // the same numbers, another text: not the id that was handed out
      {"1.2.00", false},
      {"1000000.2.3", false},
      {"1.2.3 ", false},
      {" 1.2.3", false},
      {"1.2.3,x", false},
      {"-1.2.3", false},
      {"1.2.+3", false},
      {"a.b.c", false},
  };
  for (const Case& c : cases) {
    uint64_t key = TDSSessionTable::KeyOf(c.id);
    EXPECT_EQ(key != 0, c.valid) << c.id;
    if (c.valid) {
      EXPECT_EQ(TDSSessionTable::IdOf(key), c.id);
    }
  }
  EXPECT_NE(TDSSessionTable::KeyOf("1.2.3"), TDSSessionTable::KeyOf("1.23.0"));
  EXPECT_EQ(TDSSessionTable::KeyOf("7.8.9"), TDSSessionTable::KeyOf(7, 8, 9));
}

// Entries in runs that wrap round the end of the table, taken out in every order, grown and
// shrunk: every key present is found, every other one is not.
TEST(TDSSessionTable, AgreesWithAMapThroughInsertsAndErases) {
  TDSSessionTable table;
  std::map<uint64_t, std::shared_ptr<TDSSession>> model;
  std::mt19937_64 random(7);
  auto check = [&] {
    ASSERT_EQ(table.Size(), model.size());
    for (auto& [key, session] : model) {
      std::shared_ptr<TDSSession>* found = table.Find(key);
      ASSERT_NE(found, nullptr) << key;
      ASSERT_EQ(found->get(), session.get()) << key;
    }
  };
  for (int round = 0; round < 3; ++round) {
    // up to a few thousand keys, a third of them from a narrow range so that runs form
    for (int i = 0; i < 3000; ++i) {
      uint64_t key =
          i % 3 ? TDSSessionTable::KeyOf(random() % 1000000, random() % 1000000, random() % 1000000)
                : 1 + random() % 5000;
      if (model.count(key)) continue;
      auto session = std::make_shared<TDSSession>(std::to_string(key));
      table.Insert(key, session);
      model[key] = session;
      if (i % 500 == 0) check();
    }
    check();
    // out again in random order, down to a few, with misses between
    std::vector<uint64_t> keys;
    for (auto& entry : model) keys.push_back(entry.first);
    std::shuffle(keys.begin(), keys.end(), random);
    for (size_t i = 0; i + 5 < keys.size(); ++i) {
      EXPECT_EQ(table.Erase(keys[i]).get(), model[keys[i]].get());
      model.erase(keys[i]);
      EXPECT_EQ(table.Erase(keys[i]), nullptr);
      EXPECT_EQ(table.Find(keys[i]), nullptr);
      if (i % 300 == 0) check();
    }
    check();
  }
  EXPECT_EQ(table.Find(0), nullptr);
  auto all = table.TakeAll();
  EXPECT_EQ(all.size(), model.size());
  EXPECT_EQ(table.Size(), 0u);
  for (auto& entry : model) EXPECT_EQ(table.Find(entry.first), nullptr);
}
