#pragma once
// UTF-16 text, as the system counts characters, its conversions to bytes, and the small text
// helpers every layer uses.
#include <concepts>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/TextUnits.h"

namespace quillara {

using Text = std::u16string;

// Invalid UTF-8 becomes U+FFFD per bad byte; a lone surrogate becomes U+FFFD in UTF-8.
Text Utf8ToText(std::string_view utf8);
std::string TextToUtf8(std::u16string_view text);

// ASCII-only: for literals and numbers.
Text AsciiToText(std::string_view ascii);

// Text that is safe inside an HTML element or a quoted attribute: & < > " ' as references.
Text EscapeHTML(std::u16string_view text);

// Only the letters A-Z and a-z change or compare without case; every other byte or unit is
// itself.
bool SameTextAscii(std::string_view a, std::string_view b);
bool SameTextAscii(std::u16string_view a, std::u16string_view b);
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);
// Without the blanks and control characters (every byte up to " ") at both ends.
std::string TrimBlanks(std::string_view s);

using platform::AppendUtf16;
using platform::CodePointOfPair;
using platform::HexDigitValue;
using platform::IsHighSurrogate;
using platform::IsLowSurrogate;
using platform::IsSurrogate;
using platform::SurrogatePairAt;
using platform::Utf16Units;

// The pieces of a text between separators, as views into the text, found one at a time as a
// range-for asks for them. The text must outlive the loop.
template <class TChar>
class TTextPieces {
 public:
  using TView = std::basic_string_view<TChar>;

  class TIterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TView;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = TView;

    TIterator() = default;
    TView operator*() const { return FText.substr(FStart, FEnd - FStart); }
    TIterator& operator++() {
      if (FEnd >= FText.size()) {
        FStart = TView::npos;
        return *this;
      }
      FStart = FEnd + 1;
      FEnd = PieceEnd(FStart);
      if (!FLastEmpty && FStart == FText.size()) FStart = TView::npos;
      return *this;
    }
    TIterator operator++(int) {
      TIterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const TIterator& other) const { return FStart == other.FStart; }

   private:
    friend class TTextPieces;
    TIterator(TView text, TView separators, bool lastEmpty)
        : FText(text),
          FSeparators(separators),
          FLastEmpty(lastEmpty),
          FStart(0),
          FEnd(PieceEnd(0)) {
      if (!FLastEmpty && text.empty()) FStart = TView::npos;
    }
    size_t PieceEnd(size_t from) const {
      // One separator, the usual case, is searched for directly rather than as a set.
      size_t end = FSeparators.size() == 1 ? FText.find(FSeparators[0], from)
                                           : FText.find_first_of(FSeparators, from);
      return end == TView::npos ? FText.size() : end;
    }

    TView FText;
    TView FSeparators;
    bool FLastEmpty = true;
    size_t FStart = TView::npos;  // npos: past the last piece
    size_t FEnd = 0;
  };

  TTextPieces(TView text, TView separators, bool lastEmpty)
      : FText(text), FSeparators(separators), FLastEmpty(lastEmpty) {}
  TIterator begin() const { return TIterator(FText, FSeparators, FLastEmpty); }
  TIterator end() const { return TIterator(); }

 private:
  TView FText;
  TView FSeparators;
  bool FLastEmpty;
};

// Every piece between separators (any character of separators), empty ones included: "a;;b;"
// gives "a", "", "b" and "", and an empty text one empty piece.
inline TTextPieces<char> SplitText(std::string_view text, std::string_view separators) {
  return {text, separators, true};
}
inline TTextPieces<char16_t> SplitText(std::u16string_view text, std::u16string_view separators) {
  return {text, separators, true};
}
// The segments of a path: as SplitText, but a separator at the very end adds no empty segment
// and an empty text has none: "a//b/" gives "a", "" and "b".
inline TTextPieces<char> SplitSegments(std::string_view text, std::string_view separators) {
  return {text, separators, false};
}
inline TTextPieces<char16_t> SplitSegments(std::u16string_view text,
                                           std::u16string_view separators) {
  return {text, separators, false};
}
// A temporary string would be gone before the loop reads its pieces.
template <class TString, class TSeparators>
requires std::same_as<TString, std::string> || std::same_as<TString, std::u16string>
void SplitText(TString&& text, const TSeparators& separators) = delete;
template <class TString, class TSeparators>
requires std::same_as<TString, std::string> || std::same_as<TString, std::u16string>
void SplitSegments(TString&& text, const TSeparators& separators) = delete;

}  // namespace quillara
