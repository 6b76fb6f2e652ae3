#include "rest/TDSSessionTable.h"

#include <algorithm>
#include <bit>
#include <charconv>

namespace quillara {

namespace {

constexpr uint64_t kPartLimit = 1000000;
constexpr size_t kSmallest = 64;

}  // namespace

uint64_t TDSSessionTable::KeyOf(uint32_t a, uint32_t b, uint32_t c) {
  return (a * kPartLimit + b) * kPartLimit + c + 1;
}

uint64_t TDSSessionTable::KeyOf(std::string_view id) {
  uint32_t parts[3] = {};
  size_t at = 0;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      if (at >= id.size() || id[at] != '.') return 0;
      ++at;
    }
    size_t start = at;
    while (at < id.size() && at - start < 6 && id[at] >= '0' && id[at] <= '9')
      parts[part] = parts[part] * 10 + static_cast<uint32_t>(id[at++] - '0');
    if (at == start || (id[start] == '0' && at - start > 1)) return 0;
  }
  return at == id.size() ? KeyOf(parts[0], parts[1], parts[2]) : 0;
}

std::string TDSSessionTable::IdOf(uint64_t key) {
  uint64_t n = key - 1;
  uint64_t parts[3] = {n / kPartLimit / kPartLimit, n / kPartLimit % kPartLimit, n % kPartLimit};
  char text[24];
  char* end = text;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) *end++ = '.';
    end = std::to_chars(end, text + sizeof text, parts[part]).ptr;
  }
  return std::string(text, end);
}

size_t TDSSessionTable::Home(uint64_t key) const {
  return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> FShift);
}

size_t TDSSessionTable::Place(uint64_t key) const {
  size_t mask = FSlots.size() - 1;
  size_t at = Home(key);
  while (FSlots[at].Key != 0 && FSlots[at].Key != key) at = (at + 1) & mask;
  return at;
}

void TDSSessionTable::Resize(size_t capacity) {
  std::vector<TSlot> old(capacity);
  old.swap(FSlots);
  FShift = 64 - std::countr_zero(capacity);
  for (TSlot& slot : old)
    if (slot.Key != 0) FSlots[Place(slot.Key)] = std::move(slot);
}

std::shared_ptr<TDSSession>* TDSSessionTable::Find(uint64_t key) {
  if (FSize == 0 || key == 0) return nullptr;
  TSlot& slot = FSlots[Place(key)];
  return slot.Key == key ? &slot.Session : nullptr;
}

void TDSSessionTable::Insert(uint64_t key, std::shared_ptr<TDSSession> session) {
  if ((FSize + 1) * 2 > FSlots.size()) Resize(std::max(kSmallest, FSlots.size() * 2));
  FSlots[Place(key)] = {key, std::move(session)};
  ++FSize;
}

std::shared_ptr<TDSSession> TDSSessionTable::Erase(uint64_t key) {
  if (FSize == 0 || key == 0) return nullptr;
  size_t hole = Place(key);
  if (FSlots[hole].Key == 0) return nullptr;
  std::shared_ptr<TDSSession> session = std::move(FSlots[hole].Session);
  FSlots[hole].Key = 0;
  --FSize;
  // The entries after the hole that could not sit in it move back, so that no search stops at
  // a free slot before the entry it looks for.
  size_t mask = FSlots.size() - 1;
  for (size_t at = (hole + 1) & mask; FSlots[at].Key != 0; at = (at + 1) & mask) {
    size_t distance = (at - Home(FSlots[at].Key)) & mask;
    if (distance >= ((at - hole) & mask)) {
      FSlots[hole] = std::move(FSlots[at]);
      FSlots[at].Key = 0;
      hole = at;
    }
  }
  // Memory taken by a flood goes back once most of its sessions are gone.
  if (FSlots.size() > kSmallest && FSize * 8 < FSlots.size()) Resize(FSlots.size() / 2);
  return session;
}

std::vector<std::shared_ptr<TDSSession>> TDSSessionTable::TakeAll() {
  std::vector<std::shared_ptr<TDSSession>> all;
  all.reserve(FSize);
  for (TSlot& slot : FSlots)
    if (slot.Key != 0) all.push_back(std::move(slot.Session));
  FSlots = {};
  FSize = 0;
  FShift = 64;
  return all;
}

}  // namespace quillara
