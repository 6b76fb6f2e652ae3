#include "base/TMask.h"

#include "base/Messages.h"

namespace quillara {

namespace {

constexpr int kMaxStars = 30;

char16_t FoldUpper(char16_t c) {
  return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

}  // namespace

TMask::TMask(std::u16string_view mask) {
  auto invalid = [&](size_t position) {
    return EMaskException(
        FormatMessage(kInvalidMask, {TextToUtf8(mask), std::to_string(position + 1)}));
  };
  bool star = false;
  int stars = 0;
  size_t i = 0;
  while (i < mask.size()) {
    char16_t c = mask[i];
    if (c == u'*') {
      if (!star && ++stars > kMaxStars) throw invalid(i);
      star = true;
      ++i;
      continue;
    }
    if (c == u'?' && star) {  // "*?" behaves like "*"
      ++i;
      continue;
    }
    TElement e;
    e.Star = star;
    star = false;
    if (c == u'?') {
      e.Kind = TKind::mkAny;
      ++i;
    } else if (c == u'[') {
      e.Kind = TKind::mkSet;
      ++i;
      if (i < mask.size() && mask[i] == u'!') {
        e.Inverted = true;
        ++i;
      }
      if (i < mask.size() && mask[i] == u']') throw invalid(i);
      bool closed = false;
      while (i < mask.size()) {
        char16_t first = mask[i];
        if (first == u']') {
          closed = true;
          ++i;
          break;
        }
        if (first == u'-') throw invalid(i);  // a range needs its start character
        char16_t last = first;
        if (i + 2 < mask.size() && mask[i + 1] == u'-' && mask[i + 2] != u']') {
          last = mask[i + 2];
          i += 3;
        } else {
          ++i;
        }
        for (unsigned u = FoldUpper(first); u <= FoldUpper(last) && u < 256; ++u) e.Set.set(u);
      }
      if (!closed) throw invalid(i);
    } else {
      e.Kind = TKind::mkLiteral;
      e.Units[0] = c;
      e.UnitCount = 1;
      if (SurrogatePairAt(mask, i)) {
        e.Units[1] = mask[i + 1];
        e.UnitCount = 2;
      }
      i += size_t(e.UnitCount);
    }
    FElements.push_back(e);
  }
  TElement end;
  end.Star = star;
  FElements.push_back(end);
}

int TMask::MatchAt(const TElement& e, std::u16string_view text, size_t pos) const {
  switch (e.Kind) {
    case TKind::mkEnd:
      return pos == text.size() ? 0 : -1;
    case TKind::mkAny:
      return pos < text.size() ? 1 : -1;
    case TKind::mkSet: {
      if (pos >= text.size()) return -1;
      char16_t c = FoldUpper(text[pos]);
      bool member = c < 256 && e.Set.test(c);
      return member != e.Inverted ? 1 : -1;
    }
    case TKind::mkLiteral:
      if (pos + size_t(e.UnitCount) > text.size()) return -1;
      for (int k = 0; k < e.UnitCount; ++k)
        if (FoldUpper(text[pos + size_t(k)]) != FoldUpper(e.Units[k])) return -1;
      return e.UnitCount;
  }
  return -1;
}

bool TMask::Matches(std::u16string_view text) const {
  size_t element = 0, pos = 0;
  // The last star-marked element and where its search goes on after a later mismatch.
  size_t starElement = SIZE_MAX, resumeAt = 0;
  // Searches forward from resumeAt for the first place where the star's element matches.
  auto searchStar = [&]() {
    const TElement& s = FElements[starElement];
    for (; resumeAt <= text.size(); ++resumeAt) {
      int n = MatchAt(s, text, resumeAt);
      if (n >= 0) {
        pos = resumeAt + size_t(n);
        ++resumeAt;
        element = starElement + 1;
        return true;
      }
    }
    return false;
  };
  while (element < FElements.size()) {
    const TElement& e = FElements[element];
    if (e.Star) {
      starElement = element;
      resumeAt = pos;
      if (!searchStar()) return false;
      continue;
    }
    int n = MatchAt(e, text, pos);
    if (n >= 0) {
      pos += size_t(n);
      ++element;
      continue;
    }
    // a mismatch resumes the last star's search from its remembered position
    if (starElement == SIZE_MAX || !searchStar()) return false;
  }
  return true;
}

bool MatchesMask(std::u16string_view text, std::u16string_view mask) {
  return TMask(mask).Matches(text);
}

}  // namespace quillara
