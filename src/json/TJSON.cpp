#include "json/TJSON.h"

#include <cstring>
#include <stdexcept>

#include "base/SysUtils.h"

namespace quillara {

// ---- slots and ownership ----

static_assert(alignof(TJSONAncestor) >= 2, "the lowest address bit marks a borrowed node");

TJSONSlot::TJSONSlot(std::unique_ptr<TJSONAncestor> node) {
  if (node) node->FOwned = true;
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

void TJSONSlot::Link() {
  if (TJSONAncestor* node = Get()) node->FSlot = this;
}

std::unique_ptr<TJSONAncestor> TJSONSlot::Take() {
  TJSONAncestor* node = Get();
  if (!node) return nullptr;
  bool borrowed = Borrows();
  FBits = 0;
  node->FSlot = nullptr;
  node->FOwned = !borrowed;
  if (borrowed) return nullptr;
  return std::unique_ptr<TJSONAncestor>(node);
}

void TJSONSlot::Reset() {
  TJSONAncestor* node = Get();
  if (!node) return;
  bool borrowed = Borrows();
  FBits = 0;
  node->FSlot = nullptr;
  if (borrowed) {
    node->FOwned = false;
  } else {
    std::unique_ptr<TJSONAncestor> owned(node);  // the owning side ends here
  }
}

TJSONAncestor::~TJSONAncestor() {
  // Only a borrowed node can die while linked: its slot forgets it.
  if (FSlot) FSlot->FBits = 0;
}

void TJSONAncestor::SetOwned(bool value) {
  if (!FSlot) {
    FOwned = value;
    return;
  }
  if (FSlot->Get() != this) return;
  if (value && FSlot->Borrows()) {
    FSlot->SetOwning(this);
  } else if (!value && FSlot->Owns()) {
    FSlot->SetBorrowing(this);
  }
}

void TJSONSlotList::reserve(size_t count) {
  if (count <= FCapacity) return;
  if (count > UINT32_MAX) throw std::length_error("too many JSON children");
  auto items = std::make_unique<TJSONSlot[]>(count);
  for (uint32_t i = 0; i < FSize; ++i) items[i] = std::move(FItems[i]);
  FItems = std::move(items);
  FCapacity = uint32_t(count);
}

void TJSONSlotList::erase(TJSONSlot* at) {
  for (TJSONSlot* p = at; p + 1 < end(); ++p) *p = std::move(*(p + 1));
  FItems[--FSize].Reset();
}

void TJSONSlotList::clear() {
  for (uint32_t i = 0; i < FSize; ++i) FItems[i].Reset();
  FItems.reset();
  FSize = FCapacity = 0;
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
    throw EJSONException("Buffer too small for the JSON bytes");
  return size_t(WriteBytes(data.data() + offset) - data.data());
}

std::vector<uint8_t> TJSONAncestor::Bytes() const {
  // The estimate may be six times the result: write into untouched memory, keep only the result.
  auto buffer = std::make_unique_for_overwrite<uint8_t[]>(EstimatedByteSize());
  uint8_t* end = WriteBytes(buffer.get());
  return std::vector<uint8_t>(buffer.get(), end);
}

Text TJSONAncestor::ToString() const {
  Text out;
  WriteText(out);
  return out;
}

std::string TJSONAncestor::ToJSON() const {
  auto buffer = std::make_unique_for_overwrite<uint8_t[]>(EstimatedByteSize());
  uint8_t* end = WriteBytes(buffer.get());
  return std::string(buffer.get(), end);
}

TJSONString::~TJSONString() = default;

namespace {

size_t StringEstimate(const Text& text, bool null) {
  return null ? 4 : 6 * text.size() + 2;
}

uint8_t* WriteStringBytes(const Text& text, bool null, uint8_t* out) {
  if (null) return PutAscii(out, "null", 4);
  *out++ = '"';
  for (char16_t c : text) {
    char kind = c < 0x80 ? kEscapes.Kind[c] : 'u';
    if (kind == 0) {
      *out++ = uint8_t(c);
    } else if (kind != 'u') {
      *out++ = '\\';
      *out++ = uint8_t(kind);
    } else {
      out[0] = '\\';
      out[1] = 'u';
      out[2] = uint8_t(kHex[(c >> 12) & 0xF]);
      out[3] = uint8_t(kHex[(c >> 8) & 0xF]);
      out[4] = uint8_t(kHex[(c >> 4) & 0xF]);
      out[5] = uint8_t(kHex[c & 0xF]);
      out += 6;
    }
  }
  *out++ = '"';
  return out;
}

void WriteStringText(const Text& value, bool null, Text& out) {
  if (null) return;
  out.push_back(u'"');
  std::u16string_view text = value;
  size_t start = 0;
  for (size_t q; (q = text.find(u'"', start)) != Text::npos; start = q + 1) {
    out.append(text.substr(start, q - start));
    out += u"\\\"";
  }
  out.append(text.substr(start));
  out.push_back(u'"');
}

}  // namespace

size_t TJSONString::EstimatedByteSize() const {
  return StringEstimate(FStrBuffer, FNull);
}

uint8_t* TJSONString::WriteBytes(uint8_t* out) const {
  return WriteStringBytes(FStrBuffer, FNull, out);
}

void TJSONString::WriteText(Text& out) const {
  WriteStringText(FStrBuffer, FNull, out);
}

std::unique_ptr<TJSONAncestor> TJSONString::CloneNode() const {
  return FNull ? std::make_unique<TJSONString>() : std::make_unique<TJSONString>(FStrBuffer);
}

// ---- numbers ----

TJSONNumber::TJSONNumber(int32_t value) {
  Assign(std::to_string(value));
}
TJSONNumber::TJSONNumber(int64_t value) {
  Assign(std::to_string(value));
}
TJSONNumber::TJSONNumber(double value) {
  Assign(FloatToStrGeneral(value));
}

TJSONNumber::TJSONNumber(Text text) {
  bool ascii = text.size() <= sizeof FDigits;
  for (char16_t c : text) ascii = ascii && c < 0x80;
  if (ascii) {
    FLength = uint8_t(text.size());
    for (size_t i = 0; i < text.size(); ++i) FDigits[i] = char(text[i]);
  } else {
    FStrBuffer = std::move(text);
    FWide = true;
  }
}

void TJSONNumber::Assign(std::string_view ascii) {
  if (ascii.size() <= sizeof FDigits) {
    std::memcpy(FDigits, ascii.data(), ascii.size());
    FLength = uint8_t(ascii.size());
  } else {
    FStrBuffer.assign(AsciiToText(ascii));
    FWide = true;
  }
}

void TJSONNumber::AddChar(char16_t ch) {
  if (!FWide && ch < 0x80 && FLength < sizeof FDigits) {
    FDigits[FLength++] = char(ch);
    return;
  }
  if (!FWide) {
    FStrBuffer.assign(AsciiToText(Digits()));
    FLength = 0;
    FWide = true;
  }
  FStrBuffer.push_back(ch);
}

Text TJSONNumber::NumberText() const {
  return FWide ? FStrBuffer : AsciiToText(Digits());
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
  if (!v)
    throw EConvertError(
        FormatMessage("'%s' is not a valid floating point value", {TextToUtf8(text)}));
  return *v;
}

uint8_t* TJSONNumber::WriteBytes(uint8_t* out) const {
  if (!FWide) {
    // Word copies: a call or a string instruction costs more than these few bytes.
    size_t i = 0;
    for (; i + 8 <= FLength; i += 8) std::memcpy(out + i, FDigits + i, 8);
    for (; i < FLength; ++i) out[i] = uint8_t(FDigits[i]);
    return out + FLength;
  }
  for (char16_t c : FStrBuffer) *out++ = uint8_t(c);
  return out;
}

void TJSONNumber::WriteText(Text& out) const {
  if (FWide) {
    out += FStrBuffer;
  } else {
    out.append(FDigits, FDigits + FLength);
  }
}

std::unique_ptr<TJSONAncestor> TJSONNumber::CloneNode() const {
  return FWide ? std::make_unique<TJSONNumber>(FStrBuffer)
               : std::make_unique<TJSONNumber>(Digits());
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
    : FHasName(true), FName(str), FJsonValue(std::move(value)) {}

TJSONPair::TJSONPair(const Text& str, const Text& value)
    : TJSONPair(str, std::make_unique<TJSONString>(value)) {}

TJSONPair::~TJSONPair() = default;

void TJSONPair::TakeName(TJSONString& name) {
  FName = std::move(name.FStrBuffer);
  FNameNull = name.FNull;
  FNameNode.reset();
  FHasName = true;
}

TJSONString* TJSONPair::JsonString() const {
  if (!FHasName) return nullptr;
  if (!FNameNode) {
    // from now on the node holds the name, so that changes made through it are the pair's
    FNameNode = FNameNull ? std::make_unique<TJSONString>()
                          : std::make_unique<TJSONString>(std::move(FName));
    FName = Text();
  }
  return FNameNode.get();
}

const Text& TJSONPair::NameText() const {
  return FNameNode ? FNameNode->Buffer() : FName;
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

size_t TJSONPair::EstimatedByteSize() const {
  size_t n = 1;
  if (FHasName) n += StringEstimate(NameText(), NameNull());
  if (TJSONAncestor* v = FJsonValue.Get()) n += v->EstimatedByteSize();
  return n;
}

uint8_t* TJSONPair::WriteBytes(uint8_t* out) const {
  TJSONAncestor* value = FJsonValue.Get();
  if (!FHasName || !value)
    throw EJSONException("A pair without a name or a value has no JSON form");
  out = WriteStringBytes(NameText(), NameNull(), out);
  *out++ = ':';
  return value->WriteBytes(out);
}

void TJSONPair::WriteText(Text& out) const {
  TJSONAncestor* value = FJsonValue.Get();
  if (!FHasName || !value) return;
  WriteStringText(NameText(), NameNull(), out);
  out.push_back(u':');
  value->WriteText(out);
}

std::unique_ptr<TJSONPair> TJSONPair::Clone() const {
  auto pair = std::make_unique<TJSONPair>();
  if (FHasName) {
    pair->FName = NameText();
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

void WriteContainerText(const TJSONSlotList& slots, Text& out, char16_t open, char16_t close) {
  out.push_back(open);
  bool first = true;
  for (const TJSONSlot& s : slots) {
    if (!s.Get()) continue;
    if (!first) out.push_back(u',');
    first = false;
    s.Get()->WriteText(out);
  }
  out.push_back(close);
}

}  // namespace

TJSONObject::TJSONObject(std::unique_ptr<TJSONPair> pair) {
  AddPair(std::move(pair));
}

TJSONObject::~TJSONObject() {
  DestroyChildren(FMembers);
}

TJSONObject& TJSONObject::AddPair(std::unique_ptr<TJSONPair>&& pair) {
  if (pair) FMembers.emplace_back(std::move(pair));
  return *this;
}

void TJSONObject::AddMember(std::unique_ptr<TJSONPair> pair) {
  FMembers.emplace_back(std::move(pair));
}

TJSONObject& TJSONObject::AddPair(const Text& str, const Text& value) {
  if (!str.empty() && !value.empty())
    FMembers.emplace_back(std::make_unique<TJSONPair>(str, value));
  return *this;
}

TJSONPair* TJSONObject::Get(int index) const {
  return At<TJSONPair>(FMembers, index);
}

TJSONPair* TJSONObject::Get(const Text& name) const {
  for (const TJSONSlot& s : FMembers) {
    auto* pair = static_cast<TJSONPair*>(s.Get());
    if (pair && pair->FHasName && pair->NameText() == name) return pair;
  }
  return nullptr;
}

TJSONValue* TJSONObject::GetValue(const Text& name) const {
  TJSONPair* pair = Get(name);
  return pair ? pair->JsonValue() : nullptr;
}

std::unique_ptr<TJSONPair> TJSONObject::RemovePair(const Text& pairName) {
  for (auto it = FMembers.begin(); it != FMembers.end(); ++it) {
    auto* pair = static_cast<TJSONPair*>(it->Get());
    if (pair && pair->FHasName && pair->NameText() == pairName) {
      std::unique_ptr<TJSONAncestor> node = it->Take();
      FMembers.erase(it);
      return Downcast<TJSONPair>(std::move(node));
    }
  }
  return nullptr;
}

std::vector<std::unique_ptr<TJSONPair>> TJSONObject::SetPairs(
    std::vector<std::unique_ptr<TJSONPair>> list) {
  std::vector<std::unique_ptr<TJSONPair>> old = TakeAll<TJSONPair>(FMembers);
  for (auto& pair : list) AddPair(std::move(pair));
  return old;
}

void TJSONObject::AttachChild(std::unique_ptr<TJSONAncestor> child) {
  if (dynamic_cast<TJSONPair*>(child.get())) FMembers.emplace_back(std::move(child));
}

size_t TJSONObject::EstimatedByteSize() const {
  return ContainerEstimate(FMembers);
}

uint8_t* TJSONObject::WriteBytes(uint8_t* out) const {
  return WriteContainerBytes(FMembers, out, '{', '}');
}

void TJSONObject::WriteText(Text& out) const {
  WriteContainerText(FMembers, out, u'{', u'}');
}

std::unique_ptr<TJSONAncestor> TJSONObject::CloneNode() const {
  auto copy = std::make_unique<TJSONObject>();
  copy->FMembers = CloneSlots(FMembers);
  return copy;
}

void TJSONObject::ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) {
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

size_t TJSONArray::EstimatedByteSize() const {
  return ContainerEstimate(FElements);
}

uint8_t* TJSONArray::WriteBytes(uint8_t* out) const {
  return WriteContainerBytes(FElements, out, '[', ']');
}

void TJSONArray::WriteText(Text& out) const {
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
