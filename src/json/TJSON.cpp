#include "json/TJSON.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "base/SysUtils.h"
#include "json/Messages.h"
#include "json/TJSONPool.h"
#include "platform/TSystem.h"

namespace quillara {

// ---- slots and ownership ----

static_assert(alignof(TJSONAncestor) >= 2, "the lowest address bit marks a borrowed node");
static_assert(alignof(TJSONSlot) >= 8, "a node keeps three flags in the low bits of its slot");
static_assert(sizeof(TJSONString) == 32 && sizeof(TJSONNumber) == 32 && sizeof(TJSONMember) == 24,
              "the sizes the reader's bound counts on");

TJSONSlot::TJSONSlot(std::unique_ptr<TJSONAncestor> node) {
  if (node) node->SetFlag(TJSONAncestor::kOwnedBit, true);
  SetOwning(node.release());
  Link();
}

TJSONSlot::TJSONSlot(TJSONSlot&& other) noexcept : FBits(other.FBits) {
  other.FBits = 0;
  Link();
}

TJSONSlot& TJSONSlot::operator=(TJSONSlot&& other) noexcept {
  if (this != &other) {
    Reset();
    FBits = other.FBits;
    other.FBits = 0;
    Link();
  }
  return *this;
}

void TJSONSlot::Adopt(TJSONAncestor* node) {
  node->SetFlag(TJSONAncestor::kOwnedBit, true);
  node->SetSlot(this);
  SetOwning(node);
}

void TJSONSlot::Link() {
  if (TJSONAncestor* node = Get()) node->SetSlot(this);
}

std::unique_ptr<TJSONAncestor> TJSONSlot::Take() {
  TJSONAncestor* node = Get();
  if (!node) return nullptr;
  bool borrowed = Borrows();
  FBits = 0;
  node->SetSlot(nullptr);
  node->SetFlag(TJSONAncestor::kOwnedBit, !borrowed);
  if (borrowed) return nullptr;
  return std::unique_ptr<TJSONAncestor>(node);
}

void TJSONSlot::Reset() {
  TJSONAncestor* node = Get();
  if (!node) return;
  bool borrowed = Borrows();
  FBits = 0;
  node->SetSlot(nullptr);
  if (borrowed) {
    node->SetFlag(TJSONAncestor::kOwnedBit, false);
  } else {
    std::unique_ptr<TJSONAncestor> owned(node);  // the owning side ends here
  }
}

void TJSONAncestor::SetOwned(bool value) {
  TJSONSlot* slot = Slot();
  if (!slot) {
    SetFlag(kOwnedBit, value);
    return;
  }
  if (slot->Get() != this) return;
  if (value && slot->Borrows()) {
    slot->SetOwning(this);
  } else if (!value && slot->Owns()) {
    slot->SetBorrowing(this);
  }
}

void TJSONSlotList::reserve(size_t count, bool pooled) {
  if (count <= Capacity()) return;
  if (count >= kPooled) throw std::length_error("too many JSON children");
  size_t bytes = count * sizeof(TJSONSlot);
  void* memory = pooled ? TJSONPool::Allocate(bytes) : ::operator new(bytes);
  auto* items = static_cast<TJSONSlot*>(memory);
  for (size_t i = 0; i < count; ++i) ::new (items + i) TJSONSlot();
  for (uint32_t i = 0; i < FSize; ++i) items[i] = std::move(FItems[i]);
  uint32_t size = FSize;
  FreeItems();
  FItems = items;
  FSize = size;
  FCapacity = uint32_t(count) | (pooled ? kPooled : 0);
}

void TJSONSlotList::AdoptAll(std::unique_ptr<TJSONAncestor>* nodes, size_t count, bool pooled) {
  if (count == 0) return;
  if (!FItems && count < kPooled) {
    // the reader's case: a new list of exactly these nodes
    size_t bytes = count * sizeof(TJSONSlot);
    FItems = static_cast<TJSONSlot*>(pooled ? TJSONPool::Allocate(bytes) : ::operator new(bytes));
    FCapacity = uint32_t(count) | (pooled ? kPooled : 0);
    for (size_t i = 0; i < count; ++i) ::new (FItems + FSize++) TJSONSlot();
    for (size_t i = 0; i < count; ++i) FItems[i].Adopt(nodes[i].release());
    return;
  }
  reserve(size_t(FSize) + count, pooled);
  for (size_t i = 0; i < count; ++i) FItems[FSize++].Adopt(nodes[i].release());
}

void TJSONSlotList::FreeItems() noexcept {
  if (FItems) {
    uint32_t capacity = Capacity();
    for (uint32_t i = 0; i < capacity; ++i) FItems[i].~TJSONSlot();
    if (FCapacity & kPooled) {
      TJSONPool::Release(FItems);
    } else {
      ::operator delete(FItems);
    }
  }
  FItems = nullptr;
  FSize = FCapacity = 0;
}

void TJSONSlotList::erase(TJSONSlot* at) {
  for (TJSONSlot* p = at; p + 1 < end(); ++p) *p = std::move(*(p + 1));
  FItems[--FSize].Reset();
}

void TJSONSlotList::clear() {
  for (uint32_t i = 0; i < FSize; ++i) FItems[i].Reset();
  FreeItems();
}

// ---- characters ----

namespace {

// Units to the stored form; out has room for three bytes per unit.
char* EncodeUnits(const char16_t* units, size_t count, char* out) {
  for (size_t i = 0; i < count; ++i) {
    char32_t c = units[i];
    if (c < 0x80) {
      *out++ = char(c);
    } else if (c < 0x800) {
      *out++ = char(0xC0 | (c >> 6));
      *out++ = char(0x80 | (c & 0x3F));
    } else if (IsHighSurrogate(c) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
      char32_t cp = CodePointOfPair(char16_t(c), units[++i]);
      *out++ = char(0xF0 | (cp >> 18));
      *out++ = char(0x80 | ((cp >> 12) & 0x3F));
      *out++ = char(0x80 | ((cp >> 6) & 0x3F));
      *out++ = char(0x80 | (cp & 0x3F));
    } else {
      *out++ = char(0xE0 | (c >> 12));
      *out++ = char(0x80 | ((c >> 6) & 0x3F));
      *out++ = char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// One stored sequence at p into one or two units; returns the number of units.
inline int DecodeStored(const uint8_t*& p, char16_t* units) {
  uint8_t b = *p;
  if (b < 0x80) {
    units[0] = b;
    p += 1;
    return 1;
  }
  if (b < 0xE0) {
    units[0] = char16_t(((b & 0x1F) << 6) | (p[1] & 0x3F));
    p += 2;
    return 1;
  }
  if (b < 0xF0) {
    units[0] = char16_t(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
    p += 3;
    return 1;
  }
  char32_t cp = (char32_t(b & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
                (char32_t(p[2] & 0x3F) << 6) | char32_t(p[3] & 0x3F);
  p += 4;
  // Written through the pointer: the callers decode straight into their output.
  cp -= 0x10000;
  units[0] = char16_t(0xD800 + (cp >> 10));
  units[1] = char16_t(0xDC00 + (cp & 0x3FF));
  return 2;
}

// Appends the stored bytes as units; returns the end of what was written (room: one unit per
// byte).
char16_t* DecodeInto(std::string_view bytes, char16_t* out) {
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint8_t* end = p + bytes.size();
  while (p < end) {
    if (*p < 0x80) {
      *out++ = *p++;
    } else {
      out += DecodeStored(p, out);
    }
  }
  return out;
}

}  // namespace

void TJSONChars::SetOut(char* data, size_t size, uint8_t tag) {
  std::memcpy(FBytes, &data, sizeof data);
  uint64_t word = uint64_t(size) | (uint64_t(tag) << 56);
  std::memcpy(FBytes + 8, &word, sizeof word);
}

void TJSONChars::Free() noexcept {
  uint8_t tag = Tag();
  if (tag == kPool) {
    TJSONPool::Release(OutData());
  } else if (tag == kHeap || tag == kGrowing) {
    ::operator delete(OutData());
  }
  FBytes[kTag] = 0;
}

char* TJSONChars::Reserve(size_t size, bool pooled) {
  if (Tag() > kInline) Free();
  if (size <= kInline) {
    FBytes[kTag] = char(size);
    return FBytes;
  }
  if (size >= (uint64_t(1) << 56)) throw std::length_error("JSON text too long");
  char* data = static_cast<char*>(pooled ? TJSONPool::Allocate(size) : ::operator new(size));
  SetOut(data, size, pooled ? kPool : kHeap);
  return data;
}

void TJSONChars::Assign(std::string_view bytes, bool pooled) {
  if (bytes.size() <= kInline && Tag() <= kInline) {
    // a fixed-size copy: short texts are most texts
    char inlineBytes[16] = {};
    std::memcpy(inlineBytes, bytes.data(), bytes.size());
    std::memcpy(FBytes, inlineBytes, kInline);
    FBytes[kTag] = char(bytes.size());
    return;
  }
  char* data = Reserve(bytes.size(), pooled);
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
}

namespace {

// The four-bit code of each character of a number: a digit, "+", "-" and "." keep their low
// four bits, "E" and "e" (whose low bits are a digit's) become 10 and 12.
[[maybe_unused]] constexpr char kPackedChars[] = "0123456789E+e-.0";  // used where SSE2 is not

#if !defined(__SSE2__)
struct TPackTable {
  char Pair[256][2];  // both characters of a packed byte
  constexpr TPackTable() : Pair() {
    for (int b = 0; b < 256; ++b) {
      Pair[b][0] = kPackedChars[b & 15];
      Pair[b][1] = kPackedChars[b >> 4];
    }
  }
};
constexpr TPackTable kPack;
#endif

#if defined(__SSE2__)
// Sixteen characters to their codes, two to a byte, in the low eight bytes.
__m128i PackBlock(__m128i v) {
  auto set = [](int c) { return _mm_set1_epi8(char(c)); };
  __m128i letter = _mm_cmpeq_epi8(_mm_and_si128(v, set(0x40)), set(0x40));
  __m128i lower = _mm_and_si128(letter, _mm_cmpeq_epi8(_mm_and_si128(v, set(0x20)), set(0x20)));
  __m128i codes =
      _mm_add_epi8(_mm_and_si128(v, set(0x0F)),
                   _mm_add_epi8(_mm_and_si128(letter, set(5)), _mm_and_si128(lower, set(2))));
  __m128i pairs = _mm_or_si128(_mm_and_si128(codes, _mm_set1_epi16(0x000F)),
                               _mm_and_si128(_mm_srli_epi16(codes, 4), _mm_set1_epi16(0x00F0)));
  return pairs;  // one byte in each sixteen-bit lane
}
#endif

#if !defined(__SSE2__)
// Eight characters to their codes, two to a byte, in the low four bytes.
uint32_t PackWord(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  uint64_t letter = (w >> 6) & kOnes;  // "e" or "E"
  uint64_t lower = (w >> 5) & letter;  // "e"
  uint64_t codes = (w & (kOnes * 0x0F)) + letter * 5 + lower * 2;
  codes = (codes | (codes >> 4)) & 0x00FF00FF00FF00FFull;
  codes = (codes | (codes >> 8)) & 0x0000FFFF0000FFFFull;
  return uint32_t(codes | (codes >> 16));
}
#endif

}  // namespace

void TJSONChars::AssignNumber(std::string_view text, size_t readable, bool pooled) {
  size_t n = text.size();
  if (n <= kInline || n > kMaxPacked) return Assign(text, pooled);
  const char* from = text.data();
  char padded[32];
  if (readable < 32) {
    std::memset(padded, '0', sizeof padded);
    std::memcpy(padded, from, n);
    from = padded;
  }
  // Whole blocks: what follows the text packs into codes that are never read.
  uint8_t packed[16];
#if defined(__SSE2__)
  __m128i low = PackBlock(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
  __m128i high = PackBlock(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(packed), _mm_packus_epi16(low, high));
#else
  for (size_t i = 0; i < 4; ++i) {
    uint64_t w;
    std::memcpy(&w, from + 8 * i, sizeof w);
    uint32_t four = PackWord(w);
    std::memcpy(packed + 4 * i, &four, 4);
  }
#endif
  if (Tag() > kInline) Free();
  packed[kTag] = uint8_t(kPacked + text.size());
  std::memcpy(FBytes, packed, sizeof FBytes);
}

#if defined(__SSE2__)
// Sixteen codes (one a byte) to their characters (see kPackedChars).
__m128i CodeCharacters(__m128i codes) {
  auto set = [](int c) { return _mm_set1_epi8(char(c)); };
  __m128i chars = _mm_add_epi8(codes, set('0'));
  chars = _mm_add_epi8(chars, _mm_and_si128(_mm_cmpgt_epi8(codes, set(10)), set(-0x10)));
  chars = _mm_add_epi8(chars, _mm_and_si128(_mm_cmpeq_epi8(codes, set(12)), set('e' - ',')));
  return _mm_add_epi8(chars, _mm_and_si128(_mm_cmpeq_epi8(codes, set(10)), set('E' - ':')));
}
#endif

// Only numbers longer than kInline are packed: there are sixteen characters at least.
size_t TJSONChars::Unpack(char* out) const {
  size_t n = Size();
#if defined(__SSE2__)
  __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i*>(FBytes));
  __m128i low = _mm_and_si128(packed, _mm_set1_epi8(0x0F));
  __m128i high = _mm_and_si128(_mm_srli_epi16(packed, 4), _mm_set1_epi8(0x0F));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), CodeCharacters(_mm_unpacklo_epi8(low, high)));
  char rest[16];
  _mm_storeu_si128(reinterpret_cast<__m128i*>(rest), CodeCharacters(_mm_unpackhi_epi8(low, high)));
  std::memcpy(out + 16, rest, n - 16);
#else
  for (size_t i = 0; i < n / 2; ++i) std::memcpy(out + 2 * i, kPack.Pair[uint8_t(FBytes[i])], 2);
  if (n % 2) out[n - 1] = kPack.Pair[uint8_t(FBytes[n / 2])][0];
#endif
  return n;
}

void TJSONChars::AssignText(const Text& text) {
  // Three bytes at most per unit; the exact size once known.
  std::string bytes(text.size() * 3, '\0');
  bytes.resize(size_t(EncodeUnits(text.data(), text.size(), bytes.data()) - bytes.data()));
  Assign(bytes);
}

void TJSONChars::AppendUnit(char16_t unit) {
  if (Packed()) {
    char scratch[32];
    size_t n = Unpack(scratch);
    Free();
    Assign(std::string_view(scratch, n));
  }
  char encoded[4];
  size_t n = size_t(EncodeUnits(&unit, 1, encoded) - encoded);
  size_t size = Size();
  size_t grown = size + n;
  if (Tag() == kGrowing && grown <= std::bit_ceil(size)) {
    std::memcpy(OutData() + size, encoded, n);
    SetOut(OutData(), grown, kGrowing);
    return;
  }
  if (grown <= kInline) {
    std::memcpy(FBytes + size, encoded, n);
    FBytes[kTag] = char(grown);
    return;
  }
  // Doubling room keeps a text built unit by unit linear.
  size_t room = std::bit_ceil(grown);
  auto* data = static_cast<char*>(::operator new(room));
  std::memcpy(data, Inline() ? FBytes : OutData(), size);
  std::memcpy(data + size, encoded, n);
  Free();
  SetOut(data, grown, kGrowing);
}

Text TJSONChars::ToText() const {
  char scratch[32];
  Text text(Size(), u'\0');
  text.resize(size_t(DecodeInto(View(scratch), text.data()) - text.data()));
  return text;
}

bool TJSONChars::Equals(const Text& text) const {
  char scratch[32];
  std::string_view bytes = View(scratch);
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint8_t* end = p + bytes.size();
  size_t i = 0;
  while (p < end) {
    if (*p < 0x80) {
      if (i == text.size() || text[i] != *p) return false;
      ++p;
      ++i;
      continue;
    }
    char16_t units[2];
    int n = DecodeStored(p, units);
    for (int k = 0; k < n; ++k, ++i)
      if (i == text.size() || text[i] != units[k]) return false;
  }
  return i == text.size();
}

void TJSONAncestor::AttachChild(std::unique_ptr<TJSONAncestor> child) {
  (void)child;
}

namespace {

// Takes every node out of a container's slots: owned nodes go to into, borrowed ones just leave.
void ReleaseSlots(TJSONSlotList& slots, std::vector<std::unique_ptr<TJSONAncestor>>& into) {
  for (TJSONSlot& slot : slots)
    if (auto node = slot.Take()) into.push_back(std::move(node));
  slots.clear();
}
template <class T>
std::unique_ptr<T> Downcast(std::unique_ptr<TJSONAncestor> node) {
  return std::unique_ptr<T>(static_cast<T*>(node.release()));
}

// The owned members of a container, handed back to the caller with their own type.
template <class T>
std::vector<std::unique_ptr<T>> TakeAll(TJSONSlotList& slots) {
  std::vector<std::unique_ptr<TJSONAncestor>> nodes;
  ReleaseSlots(slots, nodes);
  std::vector<std::unique_ptr<T>> typed;
  for (auto& node : nodes) typed.push_back(Downcast<T>(std::move(node)));
  return typed;
}

TJSONSlotList CloneSlots(const TJSONSlotList& slots) {
  TJSONSlotList copy;
  copy.reserve(slots.size());
  for (const TJSONSlot& s : slots)
    if (s.Get()) copy.emplace_back(s.Get()->CloneNode());
  return copy;
}

}  // namespace

void TJSONAncestor::DestroyChildren(TJSONSlotList& slots) {
  std::vector<std::unique_ptr<TJSONAncestor>> pending;
  ReleaseSlots(slots, pending);
  DestroyAll(pending);
}

void TJSONAncestor::DestroyAll(std::vector<std::unique_ptr<TJSONAncestor>>& pending) {
  while (!pending.empty()) {
    std::unique_ptr<TJSONAncestor> node = std::move(pending.back());
    pending.pop_back();
    node->ReleaseChildren(pending);
  }
}

std::unique_ptr<TJSONValue> TJSONValue::Clone() const {
  return std::unique_ptr<TJSONValue>(static_cast<TJSONValue*>(CloneNode().release()));
}

// ---- writing ----

namespace {

const char kHex[] = "0123456789ABCDEF";

uint8_t* PutAscii(uint8_t* out, const char* text, size_t n) {
  std::memcpy(out, text, n);
  return out + n;
}

// 0: the unit as one byte; a letter: backslash and that letter; 'u': \u and four digits.
struct TEscapeTable {
  char Kind[128];
  constexpr TEscapeTable() : Kind() {
    for (int c = 0; c < 128; ++c) Kind[c] = c < 0x20 ? 'u' : 0;
    Kind[0x08] = 'b';
    Kind[0x09] = 't';
    Kind[0x0A] = 'n';
    Kind[0x0C] = 'f';
    Kind[0x0D] = 'r';
    Kind['"'] = '"';
    Kind['/'] = '/';
    Kind['\\'] = '\\';
  }
};
constexpr TEscapeTable kEscapes;

}  // namespace

size_t TJSONAncestor::ToBytes(std::vector<uint8_t>& data, size_t offset) const {
  if (offset > data.size() || data.size() - offset < EstimatedByteSize())
    throw EJSONException(kJSONBufferTooSmall);
  return size_t(WriteBytes(data.data() + offset) - data.data());
}

// The exact size costs a walk over the tree, but the result is written once, in place: the
// estimate may be six times the result. A short string may write up to sixteen bytes past its
// end (within its estimate).
constexpr size_t kWriteSlack = 16;

// Storage of the given size for a byte form about to be written; a large one is asked for in
// large pages before it is first touched.
namespace {
template <typename TBytes>
TBytes ByteFormStorage(size_t size) {
  TBytes bytes;
  bytes.reserve(size);
  platform::AdviseLargePages(bytes.data(), size);
  bytes.resize(size);
  return bytes;
}
}  // namespace

std::vector<uint8_t> TJSONAncestor::Bytes() const {
  auto bytes = ByteFormStorage<std::vector<uint8_t>>(WrittenSize(false) + kWriteSlack);
  uint8_t* end = WriteBytes(bytes.data());
  bytes.resize(size_t(end - bytes.data()));
  return bytes;
}

TJSONTextSink::TJSONTextSink(Text& out, size_t expected) : FOut(out) {
  size_t at = FOut.size();
  FOut.reserve(at + expected);
  platform::AdviseLargePages(FOut.data() + at, expected * sizeof(char16_t));
}

void TJSONTextSink::MakeRoom(size_t units) {
  Flush();
  if (units <= Capacity()) return;
  FLarge = std::make_unique_for_overwrite<char16_t[]>(units);
  FStart = FAt = FLarge.get();
  FEnd = FStart + units;
}

void TJSONAncestor::WriteText(Text& out) const {
  TJSONTextSink sink(out, WrittenSize(true));
  WriteTextTo(sink);
  sink.Flush();
}

Text TJSONAncestor::ToString() const {
  Text out;
  WriteText(out);
  return out;
}

std::string TJSONAncestor::ToJSON() const {
  auto bytes = ByteFormStorage<std::string>(WrittenSize(false) + kWriteSlack);
  uint8_t* begin = reinterpret_cast<uint8_t*>(bytes.data());
  bytes.resize(size_t(WriteBytes(begin) - begin));
  return bytes;
}

TJSONString::~TJSONString() = default;

namespace {

size_t StringEstimate(const TJSONChars& chars, bool null) {
  // a stored byte gives at most one unit, written in at most six bytes
  return null ? 4 : 6 * chars.Size() + 2;
}

// Bytes that stand for themselves in the byte form.
struct TPlainTable {
  bool Plain[256];
  constexpr TPlainTable() : Plain() {
    for (int c = 0; c < 128; ++c) Plain[c] = kEscapes.Kind[c] == 0;
  }
};
constexpr TPlainTable kPlain;

uint8_t* PutUnitEscape(uint8_t* out, char16_t c) {
  out[0] = '\\';
  out[1] = 'u';
  out[2] = uint8_t(kHex[(c >> 12) & 0xF]);
  out[3] = uint8_t(kHex[(c >> 8) & 0xF]);
  out[4] = uint8_t(kHex[(c >> 4) & 0xF]);
  out[5] = uint8_t(kHex[c & 0xF]);
  return out + 6;
}

// Sixteen bytes at a time (p and out have room for sixteen): the number of leading bytes that
// pass, the bytes copied to out (widened to units) as they are looked at.
#if defined(__SSE2__)
unsigned FirstSet(__m128i failed) {
  unsigned mask = unsigned(_mm_movemask_epi8(failed));
  return mask == 0 ? 16 : unsigned(std::countr_zero(mask));
}
#endif

// Bytes that stand for themselves in the byte form.
size_t CopyPlainBytes(const uint8_t* p, uint8_t* out) {
#if defined(__SSE2__)
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
  // below 0x20 or, as a signed byte, above 0x7F
  __m128i failed = _mm_or_si128(
      _mm_or_si128(_mm_cmplt_epi8(v, _mm_set1_epi8(0x20)), _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))),
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\\')), _mm_cmpeq_epi8(v, _mm_set1_epi8('/'))));
  return FirstSet(failed);
#else
  size_t n = 0;
  while (n < 16 && kPlain.Plain[p[n]]) out[n] = p[n], ++n;
  return n;
#endif
}

// ASCII bytes, and with quotes false, no double quote among them.
template <bool quotes>
size_t WidenAscii(const uint8_t* p, char16_t* out) {
#if defined(__SSE2__)
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  __m128i zero = _mm_setzero_si128();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(v, zero));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(v, zero));
  __m128i failed = quotes ? v : _mm_or_si128(v, _mm_cmpeq_epi8(v, _mm_set1_epi8('"')));
  return FirstSet(failed);
#else
  size_t n = 0;
  while (n < 16 && p[n] < 0x80 && (quotes || p[n] != '"')) out[n] = p[n], ++n;
  return n;
#endif
}

// What each stored byte costs in either form: a continuation byte nothing, the lead byte of a
// character beyond U+FFFF two units (twelve bytes); a number's text is written as its units.
struct TCostTable {
  uint8_t Text[256], Byte[256], Units[256];
  constexpr TCostTable() : Text(), Byte(), Units() {
    for (int c = 0; c < 256; ++c) {
      int units = c < 0x80 ? 1 : c < 0xC0 ? 0 : c < 0xF0 ? 1 : 2;
      Units[c] = uint8_t(units);
      Text[c] = uint8_t(c == '"' ? 2 : units);
      Byte[c] = uint8_t(c >= 0x80                 ? 6 * units
                        : kEscapes.Kind[c] == 0   ? 1
                        : kEscapes.Kind[c] == 'u' ? 6
                                                  : 2);
    }
  }
};
constexpr TCostTable kCost;

#if defined(__SSE2__)
// The costs of sixteen bytes at once (see kCost), summed in the two halves.
template <bool textForm, bool units>
__m128i BlockSize(__m128i v) {
  __m128i zero = _mm_setzero_si128();
  auto set = [](int c) { return _mm_set1_epi8(char(c)); };
  __m128i high = _mm_cmplt_epi8(v, zero);
  __m128i cont = _mm_cmplt_epi8(v, set(0xC0));
  __m128i lead4 = _mm_and_si128(_mm_cmpgt_epi8(v, set(0xEF)), high);
  // each byte's cost, from one: the masks are -1 where they hold
  __m128i cost = _mm_add_epi8(set(1), cont);
  if (textForm) {
    cost = _mm_sub_epi8(cost, lead4);
    if (!units) cost = _mm_sub_epi8(cost, _mm_cmpeq_epi8(v, set('"')));
  } else {
    __m128i control = _mm_andnot_si128(high, _mm_cmplt_epi8(v, set(0x20)));
    __m128i shortControl =
        _mm_and_si128(_mm_and_si128(_mm_cmpgt_epi8(v, set(0x07)), _mm_cmplt_epi8(v, set(0x0E))),
                      _mm_xor_si128(_mm_cmpeq_epi8(v, set(0x0B)), set(0xFF)));
    __m128i escaped =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, set('"')), _mm_cmpeq_epi8(v, set('\\'))),
                     _mm_or_si128(_mm_cmpeq_epi8(v, set('/')), shortControl));
    cost = _mm_add_epi8(cost, _mm_and_si128(escaped, set(1)));
    cost = _mm_add_epi8(cost, _mm_and_si128(_mm_andnot_si128(escaped, control), set(5)));
    cost = _mm_add_epi8(cost, _mm_and_si128(_mm_andnot_si128(cont, high), set(5)));
    cost = _mm_add_epi8(cost, _mm_and_si128(lead4, set(6)));
  }
  return _mm_sad_epu8(cost, zero);
}

// The block with the bytes outside [from, to) made continuation bytes, which cost nothing.
__m128i KeepBytes(__m128i v, int from, int to) {
  __m128i at = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  __m128i keep = _mm_and_si128(_mm_cmpgt_epi8(at, _mm_set1_epi8(char(from - 1))),
                               _mm_cmplt_epi8(at, _mm_set1_epi8(char(to))));
  return _mm_or_si128(_mm_and_si128(keep, v), _mm_andnot_si128(keep, _mm_set1_epi8(char(0x80))));
}

constexpr ptrdiff_t kFewBytes = 8;

template <bool textForm, bool units>
size_t StoredSizeOf(const uint8_t* p, size_t size) {
  auto load = [](const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  };
  // A few bytes cost less one at a time than a block. Other short texts take one block; the
  // last of a longer one is read again from its end, the bytes already counted left out.
  const uint8_t* cost = units ? kCost.Units : textForm ? kCost.Text : kCost.Byte;
  const uint8_t* end = p + size;
  size_t n = 0;
  __m128i sums = _mm_setzero_si128();
  if (size < size_t(kFewBytes)) {
    for (; p < end; ++p) n += cost[*p];
    return n;
  }
  if (size <= 16) {
    sums = BlockSize<textForm, units>(KeepBytes(load(p), 0, int(size)));
  } else {
    for (; end - p >= 16; p += 16) sums = _mm_add_epi64(sums, BlockSize<textForm, units>(load(p)));
    if (end - p >= kFewBytes) {
      __m128i last = KeepBytes(load(end - 16), int(16 - (end - p)), 16);
      sums = _mm_add_epi64(sums, BlockSize<textForm, units>(last));
    } else {
      for (; p < end; ++p) n += cost[*p];
    }
  }
  return n + size_t(_mm_cvtsi128_si64(sums)) +
         size_t(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
}
#endif

// The size of stored bytes in the text form (or, as units, a number's text) or the byte form.
// Sixteen bytes from the start may be read, however few there are (see TJSONChars::View).
size_t StoredSize(std::string_view bytes, bool textForm, bool units = false) {
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
#if defined(__SSE2__)
  if (units) return StoredSizeOf<true, true>(p, bytes.size());
  if (textForm) return StoredSizeOf<true, false>(p, bytes.size());
  return StoredSizeOf<false, false>(p, bytes.size());
#else
  const uint8_t* cost = units ? kCost.Units : textForm ? kCost.Text : kCost.Byte;
  size_t n = 0;
  for (const uint8_t* end = p + bytes.size(); p < end; ++p) n += cost[*p];
  return n;
#endif
}

size_t StringSize(const TJSONChars& chars, bool null, bool textForm) {
  if (null) return textForm ? 0 : 4;
  char scratch[32];
  return StoredSize(chars.View(scratch), textForm) + 2;
}

uint8_t* WriteStringBytes(const TJSONChars& chars, bool null, uint8_t* out) {
  if (null) return PutAscii(out, "null", 4);
  *out++ = '"';
  char scratch[32];
  std::string_view bytes = chars.View(scratch);
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint8_t* end = p + bytes.size();
  if (bytes.size() >= 3 && bytes.size() <= 16) {
    // Sixteen bytes may be read, and written: the room of three bytes and more is eighteen.
    size_t n = std::min(CopyPlainBytes(p, out), bytes.size());
    p += n;
    out += n;
  }
  while (p < end) {
    // Sixteen bytes are written before they are looked at: what the string writes from here
    // is no shorter.
    while (end - p >= 16 && kPlain.Plain[*p]) {
      size_t n = CopyPlainBytes(p, out);
      p += n;
      out += n;
      if (n < 16) break;
    }
    if (p == end) break;
    const uint8_t* run = p;
    while (run < end && kPlain.Plain[*run]) ++run;
    if (run != p) {
      std::memcpy(out, p, size_t(run - p));
      out += run - p;
      p = run;
      if (p == end) break;
    }
    uint8_t c = *p;
    if (c >= 0x80) {
      char16_t units[2];
      int n = DecodeStored(p, units);
      for (int k = 0; k < n; ++k) out = PutUnitEscape(out, units[k]);
      continue;
    }
    char kind = kEscapes.Kind[c];
    if (kind != 'u') {
      *out++ = '\\';
      *out++ = uint8_t(kind);
    } else {
      out = PutUnitEscape(out, c);
    }
    ++p;
  }
  *out++ = '"';
  return out;
}

void WriteStringText(const TJSONChars& chars, bool null, TJSONTextSink& out) {
  if (null) return;
  char scratch[32];
  std::string_view bytes = chars.View(scratch);
  // At most two units a byte and the sixteen a block may write beyond; for a string longer than
  // the sink's buffer, the exact size, so the buffer grows no more than it must.
  size_t room = 2 * bytes.size() + 2 + 16;
  if (room > out.Capacity()) room = StoredSize(bytes, true) + 2 + 16;
  out.Done([&](char16_t* o) {
    *o++ = u'"';
    auto p = reinterpret_cast<const uint8_t*>(bytes.data());
    const uint8_t* end = p + bytes.size();
    if (bytes.size() <= 16) {  // sixteen bytes may be read: most strings take one block
      size_t n = std::min(WidenAscii<false>(p, o), bytes.size());
      p += n;
      o += n;
    }
    while (p < end) {
      // ASCII runs are widened sixteen units at a time.
      while (end - p >= 16 && *p < 0x80 && *p != '"') {
        size_t n = WidenAscii<false>(p, o);
        p += n;
        o += n;
        if (n < 16) break;
      }
      if (p == end) break;
      uint8_t c = *p;
      if (c < 0x80) {
        if (c == '"') *o++ = u'\\';
        *o++ = c;
        ++p;
      } else {
        o += DecodeStored(p, o);
      }
    }
    *o++ = u'"';
    return o;
  }(out.Room(room)));
}

}  // namespace

size_t TJSONString::WrittenSize(bool textForm) const {
  return StringSize(FChars, NullFlag(), textForm);
}

size_t TJSONString::EstimatedByteSize() const {
  return StringEstimate(FChars, NullFlag());
}

uint8_t* TJSONString::WriteBytes(uint8_t* out) const {
  return WriteStringBytes(FChars, NullFlag(), out);
}

void TJSONString::WriteTextTo(TJSONTextSink& out) const {
  WriteStringText(FChars, NullFlag(), out);
}

std::unique_ptr<TJSONAncestor> TJSONString::CloneNode() const {
  if (NullFlag()) return std::make_unique<TJSONString>();
  auto copy = std::make_unique<TJSONString>();
  copy->SetNullFlag(false);
  char scratch[32];
  copy->FChars.Assign(FChars.View(scratch));
  return copy;
}

// ---- numbers ----

TJSONNumber::TJSONNumber(int32_t value) {
  FChars.Assign(std::to_string(value));
}
TJSONNumber::TJSONNumber(int64_t value) {
  FChars.Assign(std::to_string(value));
}
TJSONNumber::TJSONNumber(double value) {
  FChars.Assign(FloatToStrGeneral(value));
}

void TJSONNumber::AddChar(char16_t ch) {
  FChars.AppendUnit(ch);
}

Text TJSONNumber::NumberText() const {
  return FChars.ToText();
}

namespace {

[[noreturn]] void InvalidInteger(const Text& text) {
  throw EConvertError(FormatMessage(kInvalidInteger, {TextToUtf8(text)}));
}

}  // namespace

Text TJSONNumber::Value() const {
  Text text = NumberText();
  if (text.size() >= 12 && text.find(u'.') == Text::npos) {
    auto v = TryStrToInt64(text);
    if (!v) InvalidInteger(text);
    return AsciiToText(std::to_string(*v));
  }
  // The machine's regional decimal separator here is ".".
  return AsciiToText(FloatToStrGeneral(AsDouble()));
}

int32_t TJSONNumber::AsInt() const {
  return StrToInt(NumberText());
}

int64_t TJSONNumber::AsInt64() const {
  Text text = NumberText();
  auto v = TryStrToInt64(text);
  if (!v) InvalidInteger(text);
  return *v;
}

double TJSONNumber::AsDouble() const {
  Text text = NumberText();
  auto v = TryStrToFloat(text);
  if (!v) throw EConvertError(FormatMessage(kInvalidFloat, {TextToUtf8(text)}));
  return *v;
}

size_t TJSONNumber::WrittenSize(bool) const {
  if (FChars.Packed()) return FChars.Size();
  char scratch[32];
  return StoredSize(FChars.View(scratch), true, true);
}

uint8_t* TJSONNumber::WriteBytes(uint8_t* out) const {
  // The text unchanged, one byte per unit (as the byte form always wrote a number).
  if (FChars.Packed()) return out + FChars.Unpack(reinterpret_cast<char*>(out));
  char scratch[32];
  std::string_view bytes = FChars.View(scratch);
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint8_t* end = p + bytes.size();
  if (bytes.size() <= TJSONChars::kInline) {
    // Word copies: a call costs more than these few bytes.
    size_t i = 0, n = bytes.size();
    for (; i + 8 <= n; i += 8) std::memcpy(out + i, p + i, 8);
    for (; i < n; ++i) out[i] = p[i];
    if (std::all_of(p, end, [](uint8_t c) { return c < 0x80; })) return out + n;
  }
  while (p < end) {
    if (*p < 0x80) {
      *out++ = *p++;
      continue;
    }
    char16_t units[2];
    int n = DecodeStored(p, units);
    for (int k = 0; k < n; ++k) *out++ = uint8_t(units[k]);
  }
  return out;
}

void TJSONNumber::WriteTextTo(TJSONTextSink& out) const {
  char scratch[32];
  std::string_view bytes = FChars.View(scratch);
  auto p = reinterpret_cast<const uint8_t*>(bytes.data());
  if (FChars.Packed()) {  // 32 readable bytes, all ASCII
    char16_t* at = out.Room(32);
    WidenAscii<true>(p, at);
    WidenAscii<true>(p + 16, at + 16);
    return out.Done(at + bytes.size());
  }
  if (bytes.size() <= 16) {  // 16 readable bytes
    char16_t* at = out.Room(16);
    if (WidenAscii<true>(p, at) >= bytes.size()) return out.Done(at + bytes.size());
  }
  char16_t* at = out.Room(bytes.size());
  uint8_t seen = 0;
  for (size_t i = 0; i < bytes.size(); ++i) seen |= uint8_t(at[i] = uint8_t(bytes[i]));
  // a text given to the constructor may hold other characters than a number's
  out.Done(seen < 0x80 ? at + bytes.size() : DecodeInto(bytes, at));
}

std::unique_ptr<TJSONAncestor> TJSONNumber::CloneNode() const {
  auto copy = std::make_unique<TJSONNumber>();
  char scratch[32];
  std::string_view text = FChars.View(scratch);
  if (FChars.Packed()) {
    copy->FChars.AssignNumber(text, sizeof scratch, false);
  } else {
    copy->FChars.Assign(text);
  }
  return copy;
}

uint8_t* TJSONTrue::WriteBytes(uint8_t* out) const {
  return PutAscii(out, "true", 4);
}
uint8_t* TJSONFalse::WriteBytes(uint8_t* out) const {
  return PutAscii(out, "false", 5);
}
uint8_t* TJSONNull::WriteBytes(uint8_t* out) const {
  return PutAscii(out, "null", 4);
}

// ---- pairs ----

TJSONPair::TJSONPair() = default;

TJSONPair::TJSONPair(std::unique_ptr<TJSONString> str, std::unique_ptr<TJSONValue> value)
    : FJsonValue(std::move(value)) {
  if (str) TakeName(*str);
}

TJSONPair::TJSONPair(const Text& str, std::unique_ptr<TJSONValue> value)
    : FHasName(true), FJsonValue(std::move(value)) {
  FName.AssignText(str);
}

TJSONPair::TJSONPair(const Text& str, const Text& value)
    : TJSONPair(str, std::make_unique<TJSONString>(value)) {}

TJSONPair::~TJSONPair() = default;

void TJSONPair::TakeName(TJSONString& name) {
  FName = std::move(name.FChars);
  FNameNull = name.NullFlag();
  FNameNode.reset();
  FHasName = true;
}

TJSONString* TJSONPair::JsonString() const {
  if (!FHasName) return nullptr;
  if (!FNameNode) {
    // from now on the node holds the name, so that changes made through it are the pair's
    FNameNode = std::make_unique<TJSONString>();
    if (!FNameNull) {
      FNameNode->SetNullFlag(false);
      FNameNode->FChars = std::move(FName);
    }
  }
  return FNameNode.get();
}

const TJSONChars& TJSONPair::NameChars() const {
  return FNameNode ? FNameNode->FChars : FName;
}

Text TJSONPair::NameText() const {
  return NameChars().ToText();
}

bool TJSONPair::NameNull() const {
  return FNameNode ? FNameNode->Null() : FNameNull;
}

void TJSONPair::SetJsonString(std::unique_ptr<TJSONString> str) {
  if (str) TakeName(*str);
}

void TJSONPair::SetJsonValue(std::unique_ptr<TJSONValue> value) {
  if (value) FJsonValue = TJSONSlot(std::move(value));
}

void TJSONPair::AttachChild(std::unique_ptr<TJSONAncestor> child) {
  if (!child) return;
  if (!FHasName) {
    if (auto* s = dynamic_cast<TJSONString*>(child.get())) TakeName(*s);
    return;
  }
  if (dynamic_cast<TJSONValue*>(child.get())) FJsonValue = TJSONSlot(std::move(child));
}

// The byte form raises for a pair that misses a part, before writing it.
size_t TJSONPair::WrittenSize(bool textForm) const {
  TJSONAncestor* value = FJsonValue.Get();
  if (!FHasName || !value) return 0;
  return StringSize(NameChars(), NameNull(), textForm) + 1 + value->WrittenSize(textForm);
}

size_t TJSONPair::EstimatedByteSize() const {
  size_t n = 1;
  if (FHasName) n += StringEstimate(NameChars(), NameNull());
  if (TJSONAncestor* v = FJsonValue.Get()) n += v->EstimatedByteSize();
  return n;
}

uint8_t* TJSONPair::WriteBytes(uint8_t* out) const {
  TJSONAncestor* value = FJsonValue.Get();
  if (!FHasName || !value) throw EJSONException(kPairWithoutJSONForm);
  out = WriteStringBytes(NameChars(), NameNull(), out);
  *out++ = ':';
  return value->WriteBytes(out);
}

void TJSONPair::WriteTextTo(TJSONTextSink& out) const {
  TJSONAncestor* value = FJsonValue.Get();
  if (!FHasName || !value) return;
  WriteStringText(NameChars(), NameNull(), out);
  out.Put(u':');
  value->WriteTextTo(out);
}

std::unique_ptr<TJSONPair> TJSONPair::Clone() const {
  auto pair = std::make_unique<TJSONPair>();
  if (FHasName) {
    char scratch[32];
    pair->FName.Assign(NameChars().View(scratch));
    pair->FNameNull = NameNull();
    pair->FHasName = true;
  }
  if (TJSONAncestor* v = FJsonValue.Get()) pair->FJsonValue = TJSONSlot(v->CloneNode());
  return pair;
}

std::unique_ptr<TJSONAncestor> TJSONPair::CloneNode() const {
  return Clone();
}

void TJSONPair::ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) {
  if (auto v = FJsonValue.Take()) into.push_back(std::move(v));
}

// ---- objects ----

namespace {

template <class T>
T* At(const TJSONSlotList& slots, int index) {
  if (index < 0 || size_t(index) >= slots.size()) return nullptr;
  return static_cast<T*>(slots[size_t(index)].Get());
}

size_t ContainerSize(const TJSONSlotList& slots, bool textForm) {
  size_t n = 2, items = 0;
  for (const TJSONSlot& s : slots) {
    if (!s.Get()) continue;
    n += s.Get()->WrittenSize(textForm);
    ++items;
  }
  return items ? n + items - 1 : n;
}

size_t ContainerEstimate(const TJSONSlotList& slots) {
  if (slots.empty()) return 2;
  size_t n = 1;
  for (const TJSONSlot& s : slots) n += (s.Get() ? s.Get()->EstimatedByteSize() : 0) + 1;
  return n;
}

uint8_t* WriteContainerBytes(const TJSONSlotList& slots, uint8_t* out, char open, char close) {
  *out++ = uint8_t(open);
  bool first = true;
  for (const TJSONSlot& s : slots) {
    if (!s.Get()) continue;
    if (!first) *out++ = ',';
    first = false;
    out = s.Get()->WriteBytes(out);
  }
  *out++ = uint8_t(close);
  return out;
}

void WriteContainerText(const TJSONSlotList& slots, TJSONTextSink& out, char16_t open,
                        char16_t close) {
  out.Put(open);
  bool first = true;
  for (const TJSONSlot& s : slots) {
    if (!s.Get()) continue;
    if (!first) out.Put(u',');
    first = false;
    s.Get()->WriteTextTo(out);
  }
  out.Put(close);
}

}  // namespace

TJSONObject::TJSONObject(std::unique_ptr<TJSONPair> pair) {
  AddPair(std::move(pair));
}

TJSONObject::~TJSONObject() {
  std::vector<std::unique_ptr<TJSONAncestor>> pending;
  ReleaseChildren(pending);
  DestroyAll(pending);
}

void TJSONObject::FreeCompact() const noexcept {
  if (!FCompact) return;
  for (uint32_t i = 0; i < FCompactCount; ++i) FCompact[i].~TJSONMember();
  if (Pooled()) {
    TJSONPool::Release(FCompact);
  } else {
    ::operator delete(FCompact);
  }
  FCompact = nullptr;
  FCompactCount = 0;
}

void TJSONObject::MakePairs() const {
  if (!FCompact) return;
  TJSONSlotList pairs;
  pairs.reserve(FCompactCount, Pooled());
  for (uint32_t i = 0; i < FCompactCount; ++i) {
    TJSONMember& member = FCompact[i];
    std::unique_ptr<TJSONPair> pair;
    if (Pooled()) {
      pair.reset(new (TJSONPooled{}) TJSONPair());
      MarkPooled(*pair);
    } else {
      pair = std::make_unique<TJSONPair>();
    }
    pair->FName = std::move(member.FName);
    pair->FHasName = true;
    pair->FJsonValue = std::move(member.FValue);  // owned or borrowed, as it was
    pairs.emplace_back(std::move(pair));
  }
  FreeCompact();
  FMembers = std::move(pairs);
}

TJSONObject& TJSONObject::AddPair(std::unique_ptr<TJSONPair>&& pair) {
  if (pair) AddMember(std::move(pair));
  return *this;
}

void TJSONObject::AddMember(std::unique_ptr<TJSONPair> pair) {
  MakePairs();
  FMembers.emplace_back(std::move(pair));
}

TJSONObject& TJSONObject::AddPair(const Text& str, const Text& value) {
  if (!str.empty() && !value.empty()) AddMember(std::make_unique<TJSONPair>(str, value));
  return *this;
}

TJSONPair* TJSONObject::Get(int index) const {
  MakePairs();
  return At<TJSONPair>(FMembers, index);
}

TJSONPair* TJSONObject::Get(const Text& name) const {
  MakePairs();
  for (const TJSONSlot& s : FMembers) {
    auto* pair = static_cast<TJSONPair*>(s.Get());
    if (pair && pair->FHasName && pair->NameChars().Equals(name)) return pair;
  }
  return nullptr;
}

TJSONValue* TJSONObject::GetValue(const Text& name) const {
  if (FCompact) {
    for (uint32_t i = 0; i < FCompactCount; ++i)
      if (FCompact[i].FName.Equals(name)) return static_cast<TJSONValue*>(FCompact[i].FValue.Get());
    return nullptr;
  }
  TJSONPair* pair = Get(name);
  return pair ? pair->JsonValue() : nullptr;
}

std::unique_ptr<TJSONPair> TJSONObject::RemovePair(const Text& pairName) {
  MakePairs();
  for (auto it = FMembers.begin(); it != FMembers.end(); ++it) {
    auto* pair = static_cast<TJSONPair*>(it->Get());
    if (pair && pair->FHasName && pair->NameChars().Equals(pairName)) {
      std::unique_ptr<TJSONAncestor> node = it->Take();
      FMembers.erase(it);
      return Downcast<TJSONPair>(std::move(node));
    }
  }
  return nullptr;
}

std::vector<std::unique_ptr<TJSONPair>> TJSONObject::SetPairs(
    std::vector<std::unique_ptr<TJSONPair>> list) {
  MakePairs();
  std::vector<std::unique_ptr<TJSONPair>> old = TakeAll<TJSONPair>(FMembers);
  for (auto& pair : list) AddPair(std::move(pair));
  return old;
}

void TJSONObject::AttachChild(std::unique_ptr<TJSONAncestor> child) {
  if (dynamic_cast<TJSONPair*>(child.get())) {
    MakePairs();
    FMembers.emplace_back(std::move(child));
  }
}

// Members without pair nodes are written as their pairs would write themselves.
size_t TJSONObject::WrittenSize(bool textForm) const {
  if (!FCompact) return ContainerSize(FMembers, textForm);
  size_t n = 2;
  for (uint32_t i = 0; i < FCompactCount; ++i) {
    const TJSONMember& m = FCompact[i];
    if (i > 0) ++n;
    // the byte form raises at a member without a value, having written up to it
    if (TJSONAncestor* value = m.FValue.Get())
      n += StringSize(m.FName, false, textForm) + 1 + value->WrittenSize(textForm);
  }
  return n;
}

size_t TJSONObject::EstimatedByteSize() const {
  if (!FCompact) return ContainerEstimate(FMembers);
  if (FCompactCount == 0) return 2;
  size_t n = 1;
  for (uint32_t i = 0; i < FCompactCount; ++i) {
    const TJSONMember& m = FCompact[i];
    n += 1 + StringEstimate(m.FName, false) + 1;
    if (TJSONAncestor* v = m.FValue.Get()) n += v->EstimatedByteSize();
  }
  return n;
}

uint8_t* TJSONObject::WriteBytes(uint8_t* out) const {
  if (!FCompact) return WriteContainerBytes(FMembers, out, '{', '}');
  *out++ = '{';
  for (uint32_t i = 0; i < FCompactCount; ++i) {
    const TJSONMember& m = FCompact[i];
    TJSONAncestor* value = m.FValue.Get();
    if (!value) throw EJSONException(kPairWithoutJSONForm);
    if (i > 0) *out++ = ',';
    out = WriteStringBytes(m.FName, false, out);
    *out++ = ':';
    out = value->WriteBytes(out);
  }
  *out++ = '}';
  return out;
}

void TJSONObject::WriteTextTo(TJSONTextSink& out) const {
  if (!FCompact) return WriteContainerText(FMembers, out, u'{', u'}');
  out.Put(u'{');
  for (uint32_t i = 0; i < FCompactCount; ++i) {
    const TJSONMember& m = FCompact[i];
    if (i > 0) out.Put(u',');
    if (TJSONAncestor* value = m.FValue.Get()) {
      WriteStringText(m.FName, false, out);
      out.Put(u':');
      value->WriteTextTo(out);
    }
  }
  out.Put(u'}');
}

std::unique_ptr<TJSONAncestor> TJSONObject::CloneNode() const {
  auto copy = std::make_unique<TJSONObject>();
  MakePairs();
  copy->FMembers = CloneSlots(FMembers);
  return copy;
}

void TJSONObject::ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) {
  if (FCompact) {
    for (uint32_t i = 0; i < FCompactCount; ++i)
      if (auto v = FCompact[i].FValue.Take()) into.push_back(std::move(v));
    FreeCompact();
  }
  ReleaseSlots(FMembers, into);
}

// ---- arrays ----

TJSONArray::TJSONArray(std::unique_ptr<TJSONValue> firstElem,
                       std::unique_ptr<TJSONValue> secondElem) {
  AddElement(std::move(firstElem));
  AddElement(std::move(secondElem));
}

TJSONArray::TJSONArray(const Text& firstElem, const Text& secondElem) {
  Add(firstElem);
  Add(secondElem);
}

TJSONArray::~TJSONArray() {
  DestroyChildren(FElements);
}

TJSONArray& TJSONArray::Add(const Text& element) {
  FElements.emplace_back(std::make_unique<TJSONString>(element));
  return *this;
}

TJSONArray& TJSONArray::Add(int32_t element) {
  FElements.emplace_back(std::make_unique<TJSONNumber>(element));
  return *this;
}

TJSONArray& TJSONArray::Add(double element) {
  FElements.emplace_back(std::make_unique<TJSONNumber>(element));
  return *this;
}

TJSONArray& TJSONArray::Add(bool element) {
  if (element) {
    FElements.emplace_back(std::make_unique<TJSONTrue>());
  } else {
    FElements.emplace_back(std::make_unique<TJSONFalse>());
  }
  return *this;
}

TJSONArray& TJSONArray::Add(std::unique_ptr<TJSONObject>&& element) {
  if (element) {
    FElements.emplace_back(std::move(element));
  } else {
    FElements.emplace_back(std::make_unique<TJSONNull>());
  }
  return *this;
}

TJSONArray& TJSONArray::Add(std::unique_ptr<TJSONArray>&& element) {
  if (element) FElements.emplace_back(std::move(element));
  return *this;
}

TJSONValue* TJSONArray::Get(int index) const {
  return At<TJSONValue>(FElements, index);
}

std::unique_ptr<TJSONValue> TJSONArray::Remove(int index) {
  if (index < 0 || size_t(index) >= FElements.size()) return nullptr;
  std::unique_ptr<TJSONAncestor> node = FElements[size_t(index)].Take();
  FElements.erase(FElements.begin() + index);
  return Downcast<TJSONValue>(std::move(node));
}

std::vector<std::unique_ptr<TJSONValue>> TJSONArray::SetElements(
    std::vector<std::unique_ptr<TJSONValue>> list) {
  std::vector<std::unique_ptr<TJSONValue>> old = TakeAll<TJSONValue>(FElements);
  for (auto& element : list) AddElement(std::move(element));
  return old;
}

void TJSONArray::AttachChild(std::unique_ptr<TJSONAncestor> child) {
  if (dynamic_cast<TJSONValue*>(child.get())) FElements.emplace_back(std::move(child));
}

size_t TJSONArray::WrittenSize(bool textForm) const {
  return ContainerSize(FElements, textForm);
}

size_t TJSONArray::EstimatedByteSize() const {
  return ContainerEstimate(FElements);
}

uint8_t* TJSONArray::WriteBytes(uint8_t* out) const {
  return WriteContainerBytes(FElements, out, '[', ']');
}

void TJSONArray::WriteTextTo(TJSONTextSink& out) const {
  WriteContainerText(FElements, out, u'[', u']');
}

std::unique_ptr<TJSONAncestor> TJSONArray::CloneNode() const {
  auto copy = std::make_unique<TJSONArray>();
  copy->FElements = CloneSlots(FElements);
  return copy;
}

void TJSONArray::ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) {
  ReleaseSlots(FElements, into);
}

}  // namespace quillara
