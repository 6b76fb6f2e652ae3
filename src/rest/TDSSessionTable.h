#pragma once
// The sessions by id. An id is three numbers below a million, so it fits a 64-bit key kept in
// the slot itself: a lookup reads one slot, mostly one cache line, where a map of nodes walks
// through nodes spread over the heap. A flood of new sessions looks up a cold id on every call.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillara {

class TDSSession;

class TDSSessionTable {
 public:
  // The key of a well-formed id ("N.N.N", each N below a million and written without leading
  // zeros); 0 for any other text, which cannot name a session of ours.
  static uint64_t KeyOf(std::string_view id);
  // The id whose key this is.
  static std::string IdOf(uint64_t key);
  // The key of three numbers below a million.
  static uint64_t KeyOf(uint32_t a, uint32_t b, uint32_t c);

  // The session under the key, or null; valid until the table changes.
  std::shared_ptr<TDSSession>* Find(uint64_t key);
  // Adds a session under a key not present.
  void Insert(uint64_t key, std::shared_ptr<TDSSession> session);
  // Takes the session out; null when the key is not present.
  std::shared_ptr<TDSSession> Erase(uint64_t key);
  // Takes every session out.
  std::vector<std::shared_ptr<TDSSession>> TakeAll();
  size_t Size() const { return FSize; }

 private:
  struct TSlot {
    uint64_t Key = 0;  // 0: free
    std::shared_ptr<TDSSession> Session;
  };
  size_t Home(uint64_t key) const;
  size_t Place(uint64_t key) const;  // the key's slot, or the free slot where it would go
  void Resize(size_t capacity);

  std::vector<TSlot> FSlots;  // a power of two in size, at most half full
  size_t FSize = 0;
  int FShift = 64;
};

}  // namespace quillara
