#pragma once
// An ordered list of "name=value" texts, as field lists and header lists use it.
#include <string_view>
#include <vector>

#include "base/Text.h"

namespace quillara {

class TStrings {
 public:
  size_t Count() const { return FItems.size(); }
  const Text& operator[](size_t index) const { return FItems[index]; }
  void Add(Text item) { FItems.push_back(std::move(item)); }
  void Clear() { FItems.clear(); }
  // The part before the first "=", and after it.
  Text Names(size_t index) const;
  Text ValueFromIndex(size_t index) const;
  // The value of the first entry with that name (ASCII letters without regard to case).
  Text Values(std::u16string_view name) const;
  int IndexOfName(std::u16string_view name) const;
  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  std::vector<Text> FItems;
};

}  // namespace quillara
