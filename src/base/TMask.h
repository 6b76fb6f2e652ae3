#pragma once
// Whole-text wildcard masks: "*" any run, "?" any one character, "[a-z]" and "[!0-9]" sets.
// ASCII letters compare without regard to case.
#include <bitset>
#include <string_view>
#include <vector>

#include "base/Exceptions.h"
#include "base/Text.h"

namespace quillara {

class EMaskException : public Exception {
  using Exception::Exception;
};

class TMask {
 public:
  // Fails with EMaskException "'%s' is an invalid mask at (%d)".
  explicit TMask(std::u16string_view mask);
  bool Matches(std::u16string_view text) const;

 private:
  enum class TKind { mkLiteral, mkAny, mkSet, mkEnd };
  struct TElement {
    TKind Kind = TKind::mkEnd;
    bool Star = false;  // any run of characters may stand before this element
    char16_t Units[2] = {0, 0};
    int UnitCount = 0;
    bool Inverted = false;
    std::bitset<256> Set;
  };
  // Length of the match of element e at text[pos], or -1.
  int MatchAt(const TElement& e, std::u16string_view text, size_t pos) const;

  std::vector<TElement> FElements;
};

bool MatchesMask(std::u16string_view text, std::u16string_view mask);

}  // namespace quillara
