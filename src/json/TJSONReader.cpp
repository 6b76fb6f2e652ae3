// Reading JSON bytes into a value tree. Malformed JSON gives none; malformed UTF-8 raises.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "json/Messages.h"
#include "json/TJSON.h"
#include "json/TJSONPool.h"

namespace quillara {

namespace {

bool IsWhitespace(uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

#if defined(__SSE2__)
// Of the sixteen bytes at p, how many lead before the first that is not whitespace.
int LeadingWhitespace(const uint8_t* p) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i space = _mm_or_si128(
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))),
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))));
  unsigned other = unsigned(_mm_movemask_epi8(space)) ^ 0xFFFFu;
  return other == 0 ? 16 : std::countr_zero(other);
}

// Of the sixteen bytes at p, how many lead before the first double quote, backslash or byte
// above 0x7F.
int LeadingPlain(const uint8_t* p) {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i stop = _mm_or_si128(v, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')),
                                              _mm_cmpeq_epi8(v, _mm_set1_epi8('\\'))));
  unsigned mask = unsigned(_mm_movemask_epi8(stop));
  return mask == 0 ? 16 : std::countr_zero(mask);
}
#endif

// The length of a well-formed sequence of two or three bytes at p that needs none of the
// decoder's special bounds, or 0.
size_t PlainSequence(const uint8_t* p, size_t available) {
  uint8_t b = p[0];
  auto follows = [&](size_t k) { return (p[k] & 0xC0) == 0x80; };
  if (b >= 0xC2 && b <= 0xDF) return available >= 2 && follows(1) ? 2 : 0;
  if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF)
    return available >= 3 && follows(1) && follows(2) ? 3 : 0;
  return 0;
}

// No byte of the word is a double quote, a backslash or above 0x7F.
bool PlainWord(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
  auto zeroByte = [](uint64_t v) { return (v - kOnes) & ~v; };
  return ((zeroByte(w ^ (kOnes * '"')) | zeroByte(w ^ (kOnes * '\\')) | w) & kHigh) == 0;
}

// How many of the eight bytes at p, from the first, are decimal digits. (A carry out of a byte
// that is no digit only disturbs the bytes after it.)
int LeadingDigits(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  constexpr uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull, kZeros = 0x3030303030303030ull;
  uint64_t off =
      ((w & kHighNibbles) ^ kZeros) | (((w + 0x0606060606060606ull) & kHighNibbles) ^ kZeros);
  return off == 0 ? 8 : std::countr_zero(off) / 8;
}

// The stored form of one unit (see TJSONChars).
void AppendUnit(std::string& out, char16_t c) {
  if (c < 0x80) {
    out.push_back(char(c));
  } else if (c < 0x800) {
    out.push_back(char(0xC0 | (c >> 6)));
    out.push_back(char(0x80 | (c & 0x3F)));
  } else {
    out.push_back(char(0xE0 | (c >> 12)));
    out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(char(0x80 | (c & 0x3F)));
  }
}

}  // namespace

// The cursor and the grammar in one: bytes from FPos up to FRange.
class TJSONReader {
 public:
  TJSONReader(const uint8_t* data, size_t offset, size_t range, bool isUTF8)
      : FData(data), FPos(offset), FRange(range), FIsUTF8(isUTF8) {}

  void SkipByteOrderMark() {
    if (FRange - FPos > 3 && FData[FPos] == 0xEF && FData[FPos + 1] == 0xBB &&
        FData[FPos + 2] == 0xBF)
      FPos += 3;
  }

  // The top-level rule: one value, ending exactly at the range.
  std::unique_ptr<TJSONValue> ReadDocument() {
    SkipWhitespace();
    std::unique_ptr<TJSONValue> value = ReadValue(0);
    if (!value || FPos != FRange) return nullptr;
    return value;
  }

  // One object into target's members; false when malformed.
  bool ReadObjectInto(TJSONObject& target) {
    SkipWhitespace();
    if (!More() || FData[FPos] != '{') return false;
    return ReadMembers(target, 0);
  }

  size_t Position() const { return FPos; }
  void SetBudget(size_t bytes) { FBudget = bytes; }
  bool TooLarge() const { return FTooLarge; }
  size_t Used() const { return FUsed; }

 private:
  bool More() const { return FPos < FRange; }

  // Any byte above 0x7F met outside a string is looked at as UTF-8 first (a broken sequence
  // raises); a sound one is still no JSON token there.
  bool Fail() {
    if (FIsUTF8 && More() && FData[FPos] >= 0x80) {
      char16_t units[2];
      size_t at = FPos;
      DecodeUtf8(units);
      FPos = at;
    }
    return false;
  }

  // The byte that ends the whitespace has been looked at too. Called for every token: inline.
  [[gnu::always_inline]] void SkipWhitespace() {
    if (More() && IsWhitespace(FData[FPos])) SkipWhitespaceRun();
    if (More() && FData[FPos] >= 0x80) Fail();
  }

  // Indented text has long runs.
  void SkipWhitespaceRun() {
    ++FPos;
#if defined(__SSE2__)
    if (More() && IsWhitespace(FData[FPos])) {
      while (FRange - FPos >= 16) {
        int n = LeadingWhitespace(FData + FPos);
        FPos += size_t(n);
        if (n < 16) return;
      }
    }
#endif
    while (More() && IsWhitespace(FData[FPos])) ++FPos;
  }

  // What a node of this type costs once it sits in a container: its pool block, its slot and
  // its place on the reader's stack, plus the block of a text too long to sit inside the node.
  template <class T>
  bool Charge(size_t textBytes = 0) {
    size_t cost = TJSONPool::Rounded(sizeof(T)) + sizeof(TJSONSlot) + sizeof(void*);
    if (textBytes > TJSONChars::kInline) cost += TJSONPool::Rounded(textBytes);
    FUsed += cost;
    if (FUsed <= FBudget) return true;
    FTooLarge = true;
    return false;
  }

  std::unique_ptr<TJSONValue> ReadValue(int depth) {
    if (!More() || FTooLarge) return nullptr;
    switch (FData[FPos]) {
      case '"': {
        if (!ReadString() || !Charge<TJSONString>(FText.size())) return nullptr;
        auto s = Make<TJSONString>();
        s->SetNullFlag(false);
        s->FChars.Assign(FText, true);
        return s;
      }
      case '{': {
        if (depth >= kJSONMaxDepth || !Charge<TJSONObject>()) return nullptr;
        auto o = Make<TJSONObject>();
        if (!ReadMembers(*o, depth + 1)) return nullptr;
        return o;
      }
      case '[': {
        if (depth >= kJSONMaxDepth || !Charge<TJSONArray>()) return nullptr;
        auto a = Make<TJSONArray>();
        if (!ReadElements(*a, depth + 1)) return nullptr;
        return a;
      }
      case 't':
        return ReadLiteral("true", 4) && Charge<TJSONTrue>() ? Make<TJSONTrue>() : nullptr;
      case 'f':
        return ReadLiteral("false", 5) && Charge<TJSONFalse>() ? Make<TJSONFalse>() : nullptr;
      case 'n':
        return ReadLiteral("null", 4) && Charge<TJSONNull>() ? Make<TJSONNull>() : nullptr;
      default:
        if (FData[FPos] == '-' || (FData[FPos] >= '0' && FData[FPos] <= '9')) return ReadNumber();
        Fail();
        return nullptr;
    }
  }

  template <class T>
  static std::unique_ptr<T> Make() {
    std::unique_ptr<T> node(new (TJSONPooled{}) T());
    TJSONAncestor::MarkPooled(*node);
    return node;
  }

  bool ReadLiteral(const char* word, size_t n) {
    if (FRange - FPos < n) return false;
    for (size_t i = 0; i < n; ++i, ++FPos)
      if (FData[FPos] != uint8_t(word[i])) return Fail();
    return true;
  }

  std::unique_ptr<TJSONValue> ReadNumber() {
    const uint8_t* p = FData + FPos;
    const uint8_t* const end = FData + FRange;
    const uint8_t* const start = p;
    auto digit = [&] { return p < end && uint8_t(*p - '0') < 10; };
    auto digits = [&] {
      while (end - p >= 8) {
        int n = LeadingDigits(p);
        p += n;
        if (n < 8) return;
      }
      while (digit()) ++p;
    };
    // Fails where the cursor stands, as the grammar's other refusals do.
    auto fail = [&](bool look) -> std::unique_ptr<TJSONValue> {
      FPos = size_t(p - FData);
      if (look) Fail();
      return nullptr;
    };
    if (*p == '-') ++p;
    if (!digit()) return fail(true);
    if (*p == '0') {
      ++p;
      if (digit()) return fail(false);
    } else {
      digits();
    }
    if (p < end && *p == '.') {
      ++p;
      if (!digit()) return fail(true);
      digits();
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
      ++p;
      if (p < end && (*p == '+' || *p == '-')) ++p;
      if (!digit()) return fail(true);
      while (digit()) ++p;
    }
    FPos = size_t(p - FData);
    if (p < end && *p >= 0x80) Fail();  // the byte that ended the number was looked at
    size_t length = size_t(p - start);
    if (!Charge<TJSONNumber>(length > TJSONChars::kMaxPacked ? length : 0)) return nullptr;
    auto number = Make<TJSONNumber>();
    number->FChars.AssignNumber(std::string_view(reinterpret_cast<const char*>(start), length),
                                size_t(end - start), true);
    return number;
  }

  // Decodes the UTF-8 sequence at FPos into one or two units and moves past it. Overlong forms,
  // encoded surrogates and code points above U+10FFFF are refused like any other broken
  // sequence, so no character can slip through in a disguised form.
  int DecodeUtf8(char16_t (&units)[2]) {
    size_t start = FPos;
    uint8_t b = FData[start];
    int length = (b >= 0xC2 && b <= 0xDF)   ? 2
                 : (b >= 0xE0 && b <= 0xEF) ? 3
                 : (b >= 0xF0 && b <= 0xF4) ? 4
                                            : 0;
    if (length == 0) throw EJSONException(FormatMessage(kUtf8Header, {std::to_string(start)}));
    if (FRange - start < size_t(length))
      throw EJSONException(FormatMessage(kUtf8StartByte, {std::to_string(start)}));
    uint8_t low = 0x80, high = 0xBF;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
    char32_t cp = b & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    for (int k = 1; k < length; ++k) {
      uint8_t c = FData[start + size_t(k)];
      if (c < low || c > high)
        throw EJSONException(FormatMessage(
            kUtf8Continuation, {std::to_string(length), std::to_string(start + size_t(k))}));
      low = 0x80;
      high = 0xBF;
      cp = (cp << 6) | (c & 0x3F);
    }
    FPos = start + size_t(length);
    return Utf16Units(cp, units);
  }

  // Reads a string into FText in the stored form of TJSONChars: a view of the input when the
  // string holds no escape (valid UTF-8 is kept as it is), else of FScratch.
  bool ReadString() {
    ++FPos;  // opening quote
    size_t start = FPos;
    bool copied = false;
    std::string& out = FScratch;
    auto copy = [&] {
      if (!copied) out.assign(reinterpret_cast<const char*>(FData) + start, FPos - start);
      copied = true;
    };
    for (;;) {
      // The common run: plain ASCII characters, a word at a time.
      size_t run = FPos;
      bool stopped = false;
#if defined(__SSE2__)
      while (FRange - run >= 16) {
        int n = LeadingPlain(FData + run);
        run += size_t(n);
        if (n < 16) {
          stopped = true;
          break;
        }
      }
#endif
      if (!stopped) {
        while (FRange - run >= 8 && PlainWord(FData + run)) run += 8;
        while (run < FRange && FData[run] != '"' && FData[run] != '\\' && FData[run] < 0x80) ++run;
      }
      size_t length = (copied ? out.size() : FPos - start) + (run - FPos);
      if (length > FBudget - std::min(FBudget, FUsed)) {
        FTooLarge = true;  // refused before the text is copied at all
        return false;
      }
      if (copied) out.append(reinterpret_cast<const char*>(FData) + FPos, run - FPos);
      FPos = run;
      if (!More()) return false;
      uint8_t c = FData[FPos];
      if (c == '"') {
        FText = copied
                    ? std::string_view(out)
                    : std::string_view(reinterpret_cast<const char*>(FData) + start, FPos - start);
        ++FPos;
        return true;
      }
      if (c >= 0x80) {
        if (FIsUTF8) {
          size_t at = FPos;
          // Runs of common sequences are only checked; the decoder takes the others (and raises).
          while (size_t n = PlainSequence(FData + FPos, FRange - FPos)) {
            FPos += n;
            if (!More() || FData[FPos] < 0x80) break;
          }
          if (FPos == at) {
            char16_t units[2];
            DecodeUtf8(units);
          }
          if (copied) out.append(reinterpret_cast<const char*>(FData) + at, FPos - at);
        } else {
          copy();
          AppendUnit(out, c);
          ++FPos;
        }
        continue;
      }
      // backslash
      copy();
      if (FRange - FPos < 2) return false;
      uint8_t e = FData[FPos + 1];
      FPos += 2;
      switch (e) {
        case '"':
        case '/':
        case '\\':
          out.push_back(char(e));
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'u': {
          // Exactly four hexadecimal digits, either letter case; anything else is malformed.
          if (FRange - FPos < 4) return false;
          int unit = 0;
          for (int k = 0; k < 4; ++k) {
            int v = HexDigitValue(FData[FPos + size_t(k)]);
            if (v < 0) return false;
            unit = unit * 16 + v;
          }
          FPos += 4;
          AppendUnit(out, char16_t(unit));
          break;
        }
        default:
          FPos -= 1;
          return Fail();
      }
    }
  }

  // Children gather on one shared stack and move into a list of exactly their number when the
  // container closes; on failure they are dropped with the stack.
  void MoveChildren(size_t base, TJSONSlotList& into) {
    into.AdoptAll(FStack.data() + base, FStack.size() - base, true);
    FStack.resize(base);
  }

  // After "[" or "{" or an item: whether the container closes here, another item follows, or
  // the text is malformed. A "," directly before the closing bracket, or the end of the data,
  // is malformed.
  enum class TNext { nxClose, nxItem, nxFail };
  [[gnu::always_inline]] TNext AfterItem(char close, bool first) {
    SkipWhitespace();
    if (!More()) return TNext::nxFail;
    if (FData[FPos] == uint8_t(close)) return TNext::nxClose;
    if (first) return TNext::nxItem;
    if (FData[FPos] != ',') return Fail(), TNext::nxFail;
    ++FPos;
    SkipWhitespace();
    if (!More() || FData[FPos] == uint8_t(close)) return TNext::nxFail;
    return TNext::nxItem;
  }

  bool Close(size_t base, TJSONSlotList& into) {
    ++FPos;  // the closing bracket
    MoveChildren(base, into);
    SkipWhitespace();
    return true;
  }

  bool ReadElements(TJSONArray& array, int depth) {
    size_t base = FStack.size();
    ++FPos;  // [
    for (bool first = true;; first = false) {
      TNext next = AfterItem(']', first);
      if (next == TNext::nxClose) return Close(base, array.FElements);
      if (next == TNext::nxFail) return false;
      SkipWhitespace();
      std::unique_ptr<TJSONValue> value = ReadValue(depth);
      if (!value) return false;
      FStack.emplace_back(std::move(value));
    }
  }

  // The members move into one block of exactly their number; their pairs are made on demand.
  void CloseObject(size_t base, TJSONObject& object) {
    ++FPos;  // }
    size_t count = FMembers.size() - base;
    if (count > 0) {
      if (count > UINT32_MAX) throw std::length_error("too many JSON members");
      size_t bytes = count * sizeof(TJSONMember);
      void* memory = object.Pooled() ? TJSONPool::Allocate(bytes) : ::operator new(bytes);
      auto* members = static_cast<TJSONMember*>(memory);
      for (size_t i = 0; i < count; ++i) {
        TPendingMember& read = FMembers[base + i];
        TJSONMember* member = ::new (members + i) TJSONMember();
        member->FName = std::move(read.FName);
        member->FValue.Adopt(read.FValue.release());
      }
      object.FCompact = members;
      object.FCompactCount = uint32_t(count);
    }
    FMembers.resize(base);
    SkipWhitespace();
  }

  bool ReadMembers(TJSONObject& object, int depth) {
    size_t base = FMembers.size();
    ++FPos;  // {
    for (bool first = true;; first = false) {
      TNext next = AfterItem('}', first);
      if (next == TNext::nxClose) {
        CloseObject(base, object);
        return true;
      }
      if (next == TNext::nxFail) return false;
      if (FData[FPos] != '"') return Fail();
      // charged as a pair node, which the member becomes when someone asks for it
      if (!ReadString() || !Charge<TJSONPair>(FText.size())) return false;
      TJSONChars name;
      name.Assign(FText, true);
      SkipWhitespace();
      if (!More()) return false;
      if (FData[FPos] != ':') return Fail();
      ++FPos;
      SkipWhitespace();
      std::unique_ptr<TJSONValue> value = ReadValue(depth);
      if (!value) return false;
      FMembers.push_back({std::move(name), std::move(value)});
    }
  }

  const uint8_t* FData;
  size_t FPos;
  size_t FRange;
  bool FIsUTF8;
  std::string FScratch;
  std::string_view FText;
  std::vector<std::unique_ptr<TJSONAncestor>> FStack;
  struct TPendingMember {
    TJSONChars FName;
    std::unique_ptr<TJSONAncestor> FValue;
  };
  std::vector<TPendingMember> FMembers;
  size_t FBudget = SIZE_MAX;
  size_t FUsed = 0;
  bool FTooLarge = false;
};

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValue(const uint8_t* data, size_t size,
                                                        size_t offset, size_t length, bool isUTF8) {
  if (data == nullptr || offset > length || length > size) return nullptr;
  TJSONReader reader(data, offset, length, isUTF8);
  if (isUTF8) reader.SkipByteOrderMark();
  return reader.ReadDocument();
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValueBounded(const uint8_t* data, size_t size,
                                                               size_t maxTreeBytes,
                                                               TReadStatus& status,
                                                               size_t* usedBytes) {
  status = TReadStatus::rsMalformed;
  if (data == nullptr) return nullptr;
  TJSONReader reader(data, 0, size, true);
  reader.SetBudget(maxTreeBytes);
  reader.SkipByteOrderMark();
  std::unique_ptr<TJSONValue> value = reader.ReadDocument();
  if (usedBytes) *usedBytes = reader.Used();
  if (value) {
    status = TReadStatus::rsValue;
  } else if (reader.TooLarge()) {
    status = TReadStatus::rsTooLarge;
  }
  return value;
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValue(const std::vector<uint8_t>& data,
                                                        size_t offset, bool isUTF8) {
  return ParseJSONValue(data.data(), data.size(), offset, data.size(), isUTF8);
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValueUTF8(const std::vector<uint8_t>& data,
                                                            size_t offset, size_t count) {
  return ParseJSONValue(data.data(), data.size(), offset, count, true);
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValueUTF8(const std::vector<uint8_t>& data,
                                                            size_t offset) {
  return ParseJSONValue(data.data(), data.size(), offset, data.size(), true);
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValue(const Text& data) {
  return ParseJSONValue(TextToUtf8(data));
}

std::unique_ptr<TJSONValue> TJSONObject::ParseJSONValue(const std::string& data) {
  auto bytes = reinterpret_cast<const uint8_t*>(data.data());
  return ParseJSONValue(bytes, data.size(), 0, data.size(), true);
}

int TJSONObject::Parse(const std::vector<uint8_t>& data, int pos, int count) {
  if (data.empty() || pos < 0 || count <= 0 || pos >= count || size_t(count) > data.size())
    return -1;
  bool utf8 = data.size() >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF;
  size_t start = size_t(pos);
  if (utf8 && start == 0) start = 3;
  TJSONReader reader(data.data(), start, size_t(count), utf8);
  TJSONObject parsed;
  if (!reader.ReadObjectInto(parsed)) return -int(reader.Position());
  parsed.MakePairs();
  MakePairs();
  for (TJSONSlot& slot : parsed.FMembers) FMembers.emplace_back(slot.Take());
  return int(reader.Position());
}

int TJSONObject::Parse(const std::vector<uint8_t>& data, int pos) {
  int result = Parse(data, pos, int(data.size()));
  if (result > 0 && result < int(data.size())) return -result;
  return result;
}

}  // namespace quillara
