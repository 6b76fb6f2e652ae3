#pragma once
// The JSON value tree: strict top-down ownership, with an ownership flag that lets a child
// outlive its container.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Exceptions.h"
#include "base/Text.h"

namespace quillara {

class TJSONAncestor;
class TJSONValue;
class TJSONString;
class TJSONPair;

class EJSONException : public Exception {
  using Exception::Exception;
};

// Units written through a pointer into a small buffer that stays in cache, moved to the text
// in blocks. The text is reserved once at the exact length of what is written, so it is never
// filled before it is written, nor moved as it grows.
class TJSONTextSink {
 public:
  TJSONTextSink(Text& out, size_t expected);
  TJSONTextSink(const TJSONTextSink&) = delete;
  TJSONTextSink& operator=(const TJSONTextSink&) = delete;
  // Room for units more; Done then takes the end of what was written there. Writers ask for
  // what they write plus at most kSlack units they may touch beyond it.
  char16_t* Room(size_t units) {
    if (size_t(FEnd - FAt) < units) MakeRoom(units);
    return FAt;
  }
  void Done(char16_t* end) { FAt = end; }
  // What a request may ask for without the buffer's growing.
  size_t Capacity() const { return size_t(FEnd - FStart); }
  void Put(char16_t unit) { *Room(1) = unit, ++FAt; }
  void Put(const char16_t* units, size_t count) {
    char16_t* at = Room(count);
    for (size_t i = 0; i < count; ++i) at[i] = units[i];
    FAt += count;
  }
  // Moves what is buffered to the text.
  void Flush() {
    FOut.append(FStart, size_t(FAt - FStart));
    FAt = FStart;
  }
  static constexpr size_t kSlack = 32;

 private:
  void MakeRoom(size_t units);
  static constexpr size_t kBuffer = 4096;
  Text& FOut;
  std::unique_ptr<char16_t[]> FLarge;  // for a request beyond the buffer
  char16_t* FStart = FBuffer;
  char16_t* FAt = FBuffer;
  char16_t* FEnd = FBuffer + kBuffer;
  char16_t FBuffer[kBuffer];
};

// Asks for a node made from the reader's pool (see TJSONPool.h).
struct TJSONPooled {};

// The characters of a string, a name or a number text, in 16 bytes: up to 15 bytes inside, more
// in a block of their own. UTF-16 units are kept as UTF-8, an unpaired surrogate as its
// three-byte form, so any text goes in and comes out unit for unit while most take half the room.
class TJSONChars {
 public:
  TJSONChars() noexcept { FBytes[kTag] = 0; }
  TJSONChars(TJSONChars&& other) noexcept {
    std::memcpy(FBytes, other.FBytes, sizeof FBytes);
    other.FBytes[kTag] = 0;
  }
  TJSONChars& operator=(TJSONChars&& other) noexcept {
    if (this != &other) {
      Free();
      std::memcpy(FBytes, other.FBytes, sizeof FBytes);
      other.FBytes[kTag] = 0;
    }
    return *this;
  }
  TJSONChars(const TJSONChars&) = delete;
  TJSONChars& operator=(const TJSONChars&) = delete;
  ~TJSONChars() { Free(); }

  size_t Size() const {
    return Inline() ? size_t(Tag()) : Packed() ? size_t(Tag() - kPacked) : OutSize();
  }
  // The bytes, spelled out into scratch when they are kept packed. At least 16 bytes from the
  // start of the view may be read (32 when packed), whatever its size.
  std::string_view View(char (&scratch)[32]) const {
    if (Packed()) return {scratch, Unpack(scratch)};
    return {Inline() ? FBytes : OutData(), Size()};
  }
  // A long text takes a block from the pool when pooled, from the heap otherwise.
  void Assign(std::string_view bytes, bool pooled = false);
  // A number's text as read (digits, "+", "-", ".", "e", "E" only): up to 30 characters are
  // packed four bits each into the node (most read numbers that do not fit as bytes, saving a
  // block apiece). Readable: how many bytes from text.data() on may be read (at least its size).
  void AssignNumber(std::string_view text, size_t readable, bool pooled);
  // Spells out packed characters at out (room: their number); returns their number.
  size_t Unpack(char* out) const;
  bool Packed() const { return Tag() >= kPacked && Tag() <= kPacked + kMaxPacked; }
  void AssignText(const Text& text);
  void AppendUnit(char16_t unit);
  Text ToText() const;
  bool Equals(const Text& text) const;

  static constexpr size_t kInline = 15;
  static constexpr size_t kMaxPacked = 30;

 private:
  static constexpr int kTag = 15;
  static constexpr uint8_t kHeap = 0x80;     // exact size
  static constexpr uint8_t kGrowing = 0x81;  // heap, room for the next power of two
  static constexpr uint8_t kPool = 0x82;
  static constexpr uint8_t kPacked = 0x20;  // plus the number of characters
  uint8_t Tag() const { return uint8_t(FBytes[kTag]); }
  bool Inline() const { return Tag() <= kInline; }
  char* OutData() const {
    char* data;
    std::memcpy(&data, FBytes, sizeof data);
    return data;
  }
  size_t OutSize() const {
    uint64_t word;
    std::memcpy(&word, FBytes + 8, sizeof word);
    return size_t(word & ((uint64_t(1) << 56) - 1));
  }
  void SetOut(char* data, size_t size, uint8_t tag);
  char* Reserve(size_t size, bool pooled);
  void Free() noexcept;
  alignas(8) char FBytes[16];
};

// One place in a container. It owns its node or only borrows it (after the node's Owned was
// cleared). The node points back at its slot so that clearing Owned reaches it, and a borrowed
// node that dies first empties the slot: a container never touches a node that is gone.
// The two states share one word: the node's address, its lowest bit set when it is borrowed
// (nodes are aligned to at least 8), so every child of every container costs 8 bytes here.
class TJSONSlot {
 public:
  TJSONSlot() = default;
  explicit TJSONSlot(std::unique_ptr<TJSONAncestor> node);
  TJSONSlot(TJSONSlot&& other) noexcept;
  TJSONSlot& operator=(TJSONSlot&& other) noexcept;
  TJSONSlot(const TJSONSlot&) = delete;
  TJSONSlot& operator=(const TJSONSlot&) = delete;
  ~TJSONSlot() { Reset(); }

  TJSONAncestor* Get() const { return reinterpret_cast<TJSONAncestor*>(FBits & ~kBorrowed); }
  bool Owns() const { return FBits != 0 && (FBits & kBorrowed) == 0; }
  bool Borrows() const { return (FBits & kBorrowed) != 0; }
  // Takes the node out: an owned node comes back to the caller, a borrowed one just leaves.
  std::unique_ptr<TJSONAncestor> Take();
  void Reset();

 private:
  friend class TJSONAncestor;
  friend class TJSONSlotList;
  friend class TJSONReader;
  void Link();
  // An empty slot takes a node that sits nowhere else.
  void Adopt(TJSONAncestor* node);

  static constexpr uintptr_t kBorrowed = 1;
  void SetOwning(TJSONAncestor* node) { FBits = reinterpret_cast<uintptr_t>(node); }
  void SetBorrowing(TJSONAncestor* node) { FBits = reinterpret_cast<uintptr_t>(node) | kBorrowed; }
  uintptr_t FBits = 0;
};

// The children of a container: a vector reduced to what a container needs, in two words instead
// of three (a tree holds hundreds of thousands of containers). Moving slots re-links their nodes.
class TJSONSlotList {
 public:
  TJSONSlotList() = default;
  TJSONSlotList(TJSONSlotList&& other) noexcept { Swap(other); }
  TJSONSlotList& operator=(TJSONSlotList&& other) noexcept {
    TJSONSlotList old(std::move(*this));
    Swap(other);
    return *this;
  }
  TJSONSlotList(const TJSONSlotList&) = delete;
  TJSONSlotList& operator=(const TJSONSlotList&) = delete;
  ~TJSONSlotList() { clear(); }

  size_t size() const { return FSize; }
  bool empty() const { return FSize == 0; }
  TJSONSlot* begin() const { return FItems; }
  TJSONSlot* end() const { return FItems + FSize; }
  TJSONSlot& operator[](size_t index) const { return FItems[index]; }
  // Room for count slots, taken from the pool when pooled.
  void reserve(size_t count, bool pooled = false);
  template <class TArg>
  TJSONSlot& emplace_back(TArg&& arg) {
    if (FSize == Capacity()) reserve(FSize ? size_t(FSize) * 2 : 4);
    TJSONSlot& slot = FItems[FSize++];
    slot = TJSONSlot(std::forward<TArg>(arg));
    return slot;
  }
  // Takes the nodes, appended in one step into a list of exactly their number.
  void AdoptAll(std::unique_ptr<TJSONAncestor>* nodes, size_t count, bool pooled);
  // The slot must have been emptied (Take) before.
  void erase(TJSONSlot* at);
  void clear();

 private:
  void Swap(TJSONSlotList& other) noexcept {
    std::swap(FItems, other.FItems);
    std::swap(FSize, other.FSize);
    std::swap(FCapacity, other.FCapacity);
  }
  static constexpr uint32_t kPooled = uint32_t(1) << 31;
  uint32_t Capacity() const { return FCapacity & ~kPooled; }
  void FreeItems() noexcept;
  TJSONSlot* FItems = nullptr;
  uint32_t FSize = 0;
  uint32_t FCapacity = 0;  // the top bit: the slots are a pool block
};

class TJSONAncestor {
 public:
  TJSONAncestor() = default;
  TJSONAncestor(const TJSONAncestor&) = delete;
  TJSONAncestor& operator=(const TJSONAncestor&) = delete;
  virtual ~TJSONAncestor();
  // Nodes made by the reader live in its pool, others on the heap; whoever deletes a node need
  // not know which.
  static void* operator new(size_t bytes);
  static void* operator new(size_t bytes, TJSONPooled);
  static void operator delete(void* memory) noexcept;
  static void operator delete(void* memory, TJSONPooled) noexcept;

  virtual bool Null() const { return false; }
  // The reader hangs a node it has just read onto its container with this; leaf nodes drop it.
  virtual void AttachChild(std::unique_ptr<TJSONAncestor> child);
  bool Owned() const { return Slot() ? Slot()->Owns() : Flag(kOwnedBit); }
  void SetOwned(bool value);
  virtual Text Value() const { return {}; }
  // Upper bound of what ToBytes writes.
  virtual size_t EstimatedByteSize() const = 0;
  // The 7-bit ASCII byte form from Offset on; returns the offset after the last byte. Data must
  // hold EstimatedByteSize() bytes from Offset, or EJSONException is raised before writing.
  size_t ToBytes(std::vector<uint8_t>& data, size_t offset) const;
  // Unchecked: out must have room for EstimatedByteSize() bytes.
  virtual uint8_t* WriteBytes(uint8_t* out) const = 0;
  virtual std::unique_ptr<TJSONAncestor> CloneNode() const = 0;
  // The exact length of either written form: units of the text form, bytes of the byte form.
  virtual size_t WrittenSize(bool textForm) const = 0;
  // The text form: only double quotes are escaped.
  Text ToString() const;
  void WriteText(Text& out) const;
  virtual void WriteTextTo(TJSONTextSink& out) const = 0;
  // The byte form, each byte one character.
  std::string ToJSON() const;
  // The byte form alone, sized exactly.
  std::vector<uint8_t> Bytes() const;

 protected:
  // Containers hand their owned children here instead of destroying them one inside another,
  // so a very deep tree is destroyed without deep recursion.
  virtual void ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) { (void)into; }
  static void DestroyChildren(TJSONSlotList& slots);
  // Destroys the nodes and, one by one, everything below them.
  static void DestroyAll(std::vector<std::unique_ptr<TJSONAncestor>>& pending);
  bool Pooled() const { return Flag(kPooledBit); }
  static void MarkPooled(TJSONAncestor& node) { node.SetFlag(kPooledBit, true); }
  // Strings only.
  bool NullFlag() const { return Flag(kNullBit); }
  void SetNullFlag(bool value) { SetFlag(kNullBit, value); }

 private:
  friend class TJSONSlot;
  friend class TJSONReader;
  // The slot that holds the node and three flags share one word: slots are aligned to 8.
  static constexpr uintptr_t kOwnedBit = 1;  // kept while the node sits in no container
  static constexpr uintptr_t kNullBit = 2;
  static constexpr uintptr_t kPooledBit = 4;
  static constexpr uintptr_t kFlagBits = 7;
  TJSONSlot* Slot() const { return reinterpret_cast<TJSONSlot*>(FLink & ~kFlagBits); }
  void SetSlot(TJSONSlot* slot) { FLink = (FLink & kFlagBits) | reinterpret_cast<uintptr_t>(slot); }
  bool Flag(uintptr_t bit) const { return (FLink & bit) != 0; }
  void SetFlag(uintptr_t bit, bool value) { FLink = value ? FLink | bit : FLink & ~bit; }
  uintptr_t FLink = kOwnedBit;
};

class TJSONValue : public TJSONAncestor {
 public:
  std::unique_ptr<TJSONValue> Clone() const;
};

class TJSONString : public TJSONValue {
 public:
  TJSONString() { SetNullFlag(true); }  // a JSON null
  explicit TJSONString(const Text& value) { FChars.AssignText(value); }
  ~TJSONString() override;

  bool Null() const override { return NullFlag(); }
  virtual void AddChar(char16_t ch) {
    SetNullFlag(false);
    FChars.AppendUnit(ch);
  }
  Text Value() const override { return FChars.ToText(); }
  Text Buffer() const { return FChars.ToText(); }
  size_t EstimatedByteSize() const override;
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
  void WriteTextTo(TJSONTextSink& out) const override;
  size_t WrittenSize(bool textForm) const override;

 protected:
  friend class TJSONReader;
  friend class TJSONPair;
  TJSONChars FChars;
};

// A number keeps its text exactly as built or read, in its string's characters: up to 15 (nearly
// all that the reader and the numeric constructors make) inside the node.
class TJSONNumber : public TJSONString {
 public:
  TJSONNumber() { SetNullFlag(false); }
  explicit TJSONNumber(int32_t value);
  explicit TJSONNumber(int64_t value);
  explicit TJSONNumber(double value);
  // The text unchanged and unchecked.
  explicit TJSONNumber(const Text& text) { FChars.AssignText(text); }
  explicit TJSONNumber(std::string_view asciiText) { FChars.Assign(asciiText); }

  bool Null() const override { return false; }
  void AddChar(char16_t ch) override;
  Text NumberText() const;
  Text Value() const override;
  int32_t AsInt() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  size_t EstimatedByteSize() const override { return FChars.Size(); }
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
  void WriteTextTo(TJSONTextSink& out) const override;
  size_t WrittenSize(bool textForm) const override;
};

class TJSONTrue : public TJSONValue {
 public:
  Text Value() const override { return u"true"; }
  size_t EstimatedByteSize() const override { return 4; }
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override {
    return std::make_unique<TJSONTrue>();
  }
  void WriteTextTo(TJSONTextSink& out) const override { out.Put(u"true", 4); }
  size_t WrittenSize(bool) const override { return 4; }
};

class TJSONFalse : public TJSONValue {
 public:
  Text Value() const override { return u"false"; }
  size_t EstimatedByteSize() const override { return 5; }
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override {
    return std::make_unique<TJSONFalse>();
  }
  void WriteTextTo(TJSONTextSink& out) const override { out.Put(u"false", 5); }
  size_t WrittenSize(bool) const override { return 5; }
};

class TJSONNull : public TJSONValue {
 public:
  bool Null() const override { return true; }
  Text Value() const override { return u"null"; }
  size_t EstimatedByteSize() const override { return 4; }
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override {
    return std::make_unique<TJSONNull>();
  }
  void WriteTextTo(TJSONTextSink& out) const override { out.Put(u"null", 4); }
  size_t WrittenSize(bool) const override { return 4; }
};

class TJSONPair : public TJSONAncestor {
 public:
  TJSONPair();
  TJSONPair(std::unique_ptr<TJSONString> str, std::unique_ptr<TJSONValue> value);
  TJSONPair(const Text& str, std::unique_ptr<TJSONValue> value);
  // An empty value text gives an empty string, not a null.
  TJSONPair(const Text& str, const Text& value);
  ~TJSONPair() override;

  // The name node is made when it is first asked for; until then the pair holds only its text.
  TJSONString* JsonString() const;
  // The name's text without making its node.
  Text NameText() const;
  TJSONValue* JsonValue() const { return static_cast<TJSONValue*>(FJsonValue.Get()); }
  // A null argument leaves the old part in place.
  void SetJsonString(std::unique_ptr<TJSONString> str);
  void SetJsonValue(std::unique_ptr<TJSONValue> value);

  void AttachChild(std::unique_ptr<TJSONAncestor> child) override;
  size_t EstimatedByteSize() const override;
  // Both parts must be present; EJSONException otherwise.
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
  std::unique_ptr<TJSONPair> Clone() const;
  void WriteTextTo(TJSONTextSink& out) const override;
  size_t WrittenSize(bool textForm) const override;

 protected:
  void ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) override;

 private:
  // The name lives inside the pair: one allocation less per member, and a pair always destroys
  // its name anyway.
  friend class TJSONReader;
  friend class TJSONObject;
  void TakeName(TJSONString& name);
  bool NameNull() const;
  const TJSONChars& NameChars() const;
  // The flags first, so that they fill the spare bytes at the end of the base. The name is a
  // bare text until someone asks for its node (a pair read from input rarely is): a node per
  // name would cost a third of a parsed tree.
  bool FHasName = false;
  bool FNameNull = false;
  mutable TJSONChars FName;
  mutable std::unique_ptr<TJSONString> FNameNode;
  TJSONSlot FJsonValue;
};

// Zero-based enumerators in the system's style: MoveNext, then Current. The containers offer
// no begin/end, so a range-for does not compile over them.
template <class TContainer, class TItem>
class TJSONEnumerator {
 public:
  explicit TJSONEnumerator(const TContainer& list) : FList(list) {}
  bool MoveNext() {
    if (FIndex < int(FList.Count()) - 1) {
      ++FIndex;
      return true;
    }
    return false;
  }
  TItem* Current() const { return FList.Get(FIndex); }

 private:
  int FIndex = -1;
  const TContainer& FList;
};

// A member as the reader leaves it: its name and its value, without a pair node around them
// (pairs are a third of a parsed tree). The object makes the pairs when someone asks for one.
struct TJSONMember {
  TJSONChars FName;
  TJSONSlot FValue;
};

class TJSONObject : public TJSONValue {
 public:
  TJSONObject() = default;
  explicit TJSONObject(std::unique_ptr<TJSONPair> pair);
  ~TJSONObject() override;

  // Each AddPair returns the object; a node that is not added stays with the caller.
  TJSONObject& AddPair(std::unique_ptr<TJSONPair>&& pair);
  template <class TName, class TValue>
  TJSONObject& AddPair(std::unique_ptr<TName>&& str, std::unique_ptr<TValue>&& value) {
    if (str && value) AddMember(std::make_unique<TJSONPair>(std::move(str), std::move(value)));
    return *this;
  }
  template <class TValue>
  TJSONObject& AddPair(const Text& str, std::unique_ptr<TValue>&& value) {
    if (!str.empty() && value) AddMember(std::make_unique<TJSONPair>(str, std::move(value)));
    return *this;
  }
  // Both texts must be non-empty.
  TJSONObject& AddPair(const Text& str, const Text& value);

  size_t Count() const { return FCompact ? FCompactCount : FMembers.size(); }
  size_t Size() const { return Count(); }
  TJSONPair* Get(int index) const;
  TJSONPair* GetPair(int index) const { return Get(index); }
  TJSONPair* Pairs(int index) const { return Get(index); }
  TJSONPair* Get(const Text& name) const;
  TJSONValue* GetValue(const Text& name) const;
  TJSONValue* Values(const Text& name) const { return GetValue(name); }
  // The first member of that name, handed to the caller; none when absent (or when that member
  // was already given away by clearing its Owned flag).
  std::unique_ptr<TJSONPair> RemovePair(const Text& pairName);
  // Replaces the member list; the old members are handed back rather than destroyed.
  std::vector<std::unique_ptr<TJSONPair>> SetPairs(std::vector<std::unique_ptr<TJSONPair>> list);
  TJSONEnumerator<TJSONObject, TJSONPair> GetEnumerator() const {
    return TJSONEnumerator<TJSONObject, TJSONPair>(*this);
  }

  void AttachChild(std::unique_ptr<TJSONAncestor> child) override;
  size_t EstimatedByteSize() const override;
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
  void WriteTextTo(TJSONTextSink& out) const override;
  size_t WrittenSize(bool textForm) const override;

  // Reading; see TJSONReader.cpp. Malformed JSON gives none; malformed UTF-8 raises
  // EJSONException.
  static std::unique_ptr<TJSONValue> ParseJSONValue(const std::vector<uint8_t>& data, size_t offset,
                                                    bool isUTF8 = true);
  static std::unique_ptr<TJSONValue> ParseJSONValue(const uint8_t* data, size_t size, size_t offset,
                                                    size_t length, bool isUTF8 = true);
  static std::unique_ptr<TJSONValue> ParseJSONValueUTF8(const std::vector<uint8_t>& data,
                                                        size_t offset, size_t count);
  static std::unique_ptr<TJSONValue> ParseJSONValueUTF8(const std::vector<uint8_t>& data,
                                                        size_t offset);
  // As above, but reading stops once the tree would take more than maxTreeBytes of memory: a
  // request can then be refused before its tree costs many times its size.
  enum class TReadStatus { rsValue, rsMalformed, rsTooLarge };
  // usedBytes, when given, receives what the tree was counted to take.
  static std::unique_ptr<TJSONValue> ParseJSONValueBounded(const uint8_t* data, size_t size,
                                                           size_t maxTreeBytes, TReadStatus& status,
                                                           size_t* usedBytes = nullptr);
  static std::unique_ptr<TJSONValue> ParseJSONValue(const Text& data);
  static std::unique_ptr<TJSONValue> ParseJSONValue(const std::string& data);
  // Reads one object into this object's members: the position after it (and the whitespace
  // after it), the negated failure position, or -1 for a start outside the data.
  int Parse(const std::vector<uint8_t>& data, int pos, int count);
  int Parse(const std::vector<uint8_t>& data, int pos);

 protected:
  void ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) override;

 private:
  friend class TJSONReader;
  void AddMember(std::unique_ptr<TJSONPair> pair);
  // Pair nodes for the members the reader left without them.
  void MakePairs() const;
  void FreeCompact() const noexcept;
  mutable TJSONSlotList FMembers;
  // Either FMembers or these hold the members.
  mutable TJSONMember* FCompact = nullptr;
  mutable uint32_t FCompactCount = 0;
};

class TJSONArray : public TJSONValue {
 public:
  TJSONArray() = default;
  explicit TJSONArray(std::unique_ptr<TJSONValue> firstElem,
                      std::unique_ptr<TJSONValue> secondElem = nullptr);
  TJSONArray(const Text& firstElem, const Text& secondElem);
  ~TJSONArray() override;

  // A node that is not added (none) stays with the caller.
  template <class TValue>
  TJSONArray& AddElement(std::unique_ptr<TValue>&& element) {
    if (element) FElements.emplace_back(std::unique_ptr<TJSONAncestor>(std::move(element)));
    return *this;
  }
  TJSONArray& Add(const Text& element);
  TJSONArray& Add(const char16_t* element) { return Add(Text(element)); }
  TJSONArray& Add(int32_t element);
  TJSONArray& Add(double element);
  TJSONArray& Add(bool element);
  // A missing object appends a JSON null.
  TJSONArray& Add(std::unique_ptr<TJSONObject>&& element);
  // A missing array is ignored.
  TJSONArray& Add(std::unique_ptr<TJSONArray>&& element);

  size_t Count() const { return FElements.size(); }
  size_t Size() const { return Count(); }
  TJSONValue* Get(int index) const;
  TJSONValue* Items(int index) const { return Get(index); }
  std::unique_ptr<TJSONValue> Remove(int index);
  std::vector<std::unique_ptr<TJSONValue>> SetElements(
      std::vector<std::unique_ptr<TJSONValue>> list);
  TJSONEnumerator<TJSONArray, TJSONValue> GetEnumerator() const {
    return TJSONEnumerator<TJSONArray, TJSONValue>(*this);
  }

  void AttachChild(std::unique_ptr<TJSONAncestor> child) override;
  size_t EstimatedByteSize() const override;
  uint8_t* WriteBytes(uint8_t* out) const override;
  std::unique_ptr<TJSONAncestor> CloneNode() const override;
  void WriteTextTo(TJSONTextSink& out) const override;
  size_t WrittenSize(bool textForm) const override;

 protected:
  void ReleaseChildren(std::vector<std::unique_ptr<TJSONAncestor>>& into) override;

 private:
  friend class TJSONReader;
  TJSONSlotList FElements;
};

// Upper bound on nesting when reading; deeper input reads as none.
constexpr int kJSONMaxDepth = 512;

}  // namespace quillara
