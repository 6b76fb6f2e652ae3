#include "json/TJSONPool.h"

#include "json/TJSON.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <mutex>
#include <new>

namespace quillara {

namespace {

constexpr size_t kChunkBytes = size_t(64) << 10;
// Chunks are cut from regions taken whole from the heap: a region that large is mapped by the
// C library and given back whole, so the heap is never left in the pieces that aligned blocks
// of one chunk leave behind, which would each need fresh pages on the next tree.
constexpr uint32_t kRegionChunks = 16;  // 1 MiB
// Held for the chunk while its thread still cuts from it: the count cannot reach zero then.
constexpr int32_t kCutting = int32_t(1) << 30;

struct TRegion;

struct TChunk {
  std::atomic<int32_t> FLive;
  uint32_t FSpan;  // chunks taken with this one, for a block larger than a chunk
  TRegion* FRegion;
};
constexpr size_t kHeader = 16;
static_assert(sizeof(TChunk) <= kHeader);
constexpr size_t kChunkRoom = kChunkBytes - kHeader;

// `count` chunks in a row from `first` on.
constexpr uint32_t Run(uint32_t count, uint32_t first) {
  return uint32_t((uint64_t(1) << std::min(count, kRegionChunks)) - 1) << first;
}
constexpr uint32_t kAllFree = Run(kRegionChunks, 0);

struct TKept;

// Kept at the end of its own memory. A region is in at most one list: the shared ones of
// regions partly in use (by their number of free chunks), or the idle ones of a thread.
struct TRegion {
  uint32_t FChunks;    // kRegionChunks, or more for a block larger than a region
  uint32_t FFree;      // bit i: chunk i is free
  uint32_t FUsed = 0;  // bit i: chunk i was handed out before
  TRegion* FPrev = nullptr;
  TRegion* FNext = nullptr;
  TRegion** FList = nullptr;

  char* Base() { return reinterpret_cast<char*>(this) - size_t(FChunks) * kChunkBytes; }
  TChunk* Chunk(uint32_t index) {
    return reinterpret_cast<TChunk*>(Base() + size_t(index) * kChunkBytes);
  }
  uint32_t FreeCount() const { return uint32_t(std::popcount(FFree)); }
};

void Link(TRegion*& list, TRegion* region) {
  region->FPrev = nullptr;
  region->FNext = list;
  if (list) list->FPrev = region;
  list = region;
  region->FList = &list;
}

void Unlink(TRegion* region) {
  if (!region->FList) return;
  if (region->FPrev) {
    region->FPrev->FNext = region->FNext;
  } else {
    *region->FList = region->FNext;
  }
  if (region->FNext) region->FNext->FPrev = region->FPrev;
  region->FPrev = region->FNext = nullptr;
  region->FList = nullptr;
}

// Empty regions a thread keeps for the trees it reads next, so that their pages need no fault
// again: 8 MiB holds the chunks of a tree of about 6 MB (a 2 MB document of numbers) read again
// and again. Bounded per thread, and for all threads together so that many connection threads
// that once read a large body do not each hold their share. A thread's share goes when it ends.
constexpr int kKeptRegions = 8;
constexpr int kKeptRegionsInAll = 16;

// Plain data, so that it can still be used while the thread's other objects die.
struct TKept {
  TRegion* FIdle;
  int FCount;
  bool FClosed;  // the thread is ending
};
thread_local TKept tKept;

// All region bookkeeping; taken once per chunk, not per block.
struct TRegions {
  std::mutex FLock;
  TRegion* FPartly[kRegionChunks];  // by number of free chunks, 1 to kRegionChunks - 1
  int FKeptInAll;
};
// Never destroyed: trees and threads still give chunks back while the program ends.
TRegions& Regions() {
  alignas(TRegions) static char memory[sizeof(TRegions)];
  static TRegions* regions = ::new (memory) TRegions{};
  return *regions;
}

TRegion* NewRegion(uint32_t chunks) {
  void* memory =
      ::operator new(size_t(chunks) * kChunkBytes + sizeof(TRegion), std::align_val_t(kChunkBytes));
  auto* region = ::new (static_cast<char*>(memory) + size_t(chunks) * kChunkBytes) TRegion{};
  region->FChunks = chunks;
  region->FFree = kAllFree;
  return region;
}

void DeleteRegion(TRegion* region) noexcept {
  void* memory = region->Base();
  region->~TRegion();
  ::operator delete(memory, std::align_val_t(kChunkBytes));
}

// Files a region of the shared lists by its free chunks (none free, or a block's own region:
// in no list).
void File(TRegion* region) {
  Unlink(region);
  uint32_t free = region->FreeCount();
  if (region->FChunks == kRegionChunks && free > 0 && free < kRegionChunks)
    Link(Regions().FPartly[free], region);
}

// The first of `count` chunks in a row in the mask, or -1.
int FirstRun(uint32_t mask, uint32_t count) {
  uint32_t starts = mask;
  for (uint32_t i = 1; i < count && starts; ++i) starts &= mask >> i;
  return starts ? std::countr_zero(starts) : -1;
}

// A region with `count` free chunks in a row: one partly in use, the fullest first, so that the
// emptier ones have a chance to empty and go back; else one the thread keeps. Chunks used before
// come first: their pages are there, a fresh chunk's pages each cost a fault.
TRegion* FindRun(uint32_t count, bool usedBefore, int& first) {
  auto fits = [&](TRegion* region) {
    uint32_t mask = usedBefore ? region->FFree & region->FUsed : region->FFree;
    return (first = FirstRun(mask, count)) >= 0;
  };
  for (uint32_t free = count; free < kRegionChunks; ++free)
    for (TRegion* region = Regions().FPartly[free]; region; region = region->FNext)
      if (fits(region)) return region;
  for (TRegion* region = tKept.FIdle; region; region = region->FNext)
    if (fits(region)) return region;
  return nullptr;
}

TChunk* TakeChunks(uint32_t count, int32_t live) {
  TRegion* region = nullptr;
  int first = 0;
  {
    TRegions& regions = Regions();
    std::lock_guard lock(regions.FLock);
    if (count <= kRegionChunks) {
      region = FindRun(count, true, first);
      if (!region) region = FindRun(count, false, first);
    }
    if (!region) {
      region = NewRegion(count <= kRegionChunks ? kRegionChunks : count);
      first = 0;
    } else if (region->FList == &tKept.FIdle) {
      --tKept.FCount;
      --regions.FKeptInAll;
    }
    region->FFree &= ~Run(count, uint32_t(first));
    region->FUsed |= Run(count, uint32_t(first));
    File(region);
  }
  return ::new (region->Chunk(uint32_t(first))) TChunk{{live}, count, region};
}

void FreeChunks(TChunk* chunk) noexcept;

// Every block starts within the first 64 KiB of its chunk, which is aligned to 64 KiB.
TChunk* ChunkOf(void* block) {
  return reinterpret_cast<TChunk*>(reinterpret_cast<uintptr_t>(block) &
                                   ~uintptr_t(kChunkBytes - 1));
}

// The thread's chunk; blocks cut are counted here and handed over when the chunk is left.
struct TCursor {
  TChunk* FChunk = nullptr;
  char* FNext = nullptr;
  size_t FLeft = 0;
  int32_t FCut = 0;

  ~TCursor() {
    Leave();
    TKept& kept = tKept;
    TRegion* idle = nullptr;
    {
      TRegions& regions = Regions();
      std::lock_guard lock(regions.FLock);
      kept.FClosed = true;
      regions.FKeptInAll -= kept.FCount;
      kept.FCount = 0;
      idle = kept.FIdle;
      kept.FIdle = nullptr;
    }
    while (idle) {
      TRegion* next = idle->FNext;
      DeleteRegion(idle);
      idle = next;
    }
  }
  void Leave() noexcept {
    if (!FChunk) return;
    int32_t drop = kCutting - FCut;
    if (FChunk->FLive.fetch_sub(drop, std::memory_order_acq_rel) == drop) FreeChunks(FChunk);
    FChunk = nullptr;
    FLeft = 0;
  }
};

thread_local TCursor tCursor;

void FreeChunks(TChunk* chunk) noexcept {
  TRegion* gone = nullptr;
  {
    TRegions& regions = Regions();
    std::lock_guard lock(regions.FLock);
    TRegion* region = chunk->FRegion;
    uint32_t count = chunk->FSpan;
    auto index = uint32_t((reinterpret_cast<char*>(chunk) - region->Base()) / kChunkBytes);
    chunk->~TChunk();
    if (region->FChunks > kRegionChunks) {
      gone = region;
    } else {
      region->FFree |= Run(count, index);
      if (region->FFree != kAllFree) {
        File(region);
      } else {
        Unlink(region);
        TKept& kept = tKept;
        if (!kept.FClosed && kept.FCount < kKeptRegions && regions.FKeptInAll < kKeptRegionsInAll) {
          // the cursor's end empties what the thread keeps, also in a thread that never cut
          TCursor& cursor = tCursor;
          (void)cursor;
          Link(kept.FIdle, region);
          ++kept.FCount;
          ++regions.FKeptInAll;
        } else {
          gone = region;
        }
      }
    }
  }
  if (gone) DeleteRegion(gone);
}

}  // namespace

size_t TJSONPool::KeptChunks() {
  TRegions& regions = Regions();
  std::lock_guard lock(regions.FLock);
  return size_t(regions.FKeptInAll) * kRegionChunks;
}

void* TJSONPool::Allocate(size_t bytes) {
  bytes = Rounded(bytes);
  TCursor& cursor = tCursor;
  if (bytes <= cursor.FLeft) {
    void* block = cursor.FNext;
    cursor.FNext += bytes;
    cursor.FLeft -= bytes;
    ++cursor.FCut;
    return block;
  }
  if (bytes > kChunkRoom) {
    auto count = uint32_t((kHeader + bytes + kChunkBytes - 1) / kChunkBytes);
    return reinterpret_cast<char*>(TakeChunks(count, 1)) + kHeader;
  }
  // A fresh chunk: the thread goes on cutting from whichever of the two has more room, so a
  // block that does not fit never leaves more than its own size unused.
  TChunk* chunk = TakeChunks(1, kCutting);
  char* block = reinterpret_cast<char*>(chunk) + kHeader;
  size_t left = kChunkRoom - bytes;
  if (left > cursor.FLeft) {
    cursor.Leave();
    cursor.FChunk = chunk;
    cursor.FNext = block + bytes;
    cursor.FLeft = left;
    cursor.FCut = 1;
  } else {
    chunk->FLive.store(1, std::memory_order_relaxed);
  }
  return block;
}

void TJSONPool::Release(void* block) noexcept {
  TChunk* chunk = ChunkOf(block);
  if (chunk->FLive.fetch_sub(1, std::memory_order_acq_rel) == 1) FreeChunks(chunk);
}

// Apart from the tree code, so that no allocation is paired with its deallocation by inlining.

void* TJSONAncestor::operator new(size_t bytes, TJSONPooled) {
  return TJSONPool::Allocate(bytes);
}

void TJSONAncestor::operator delete(void* memory, TJSONPooled) noexcept {
  TJSONPool::Release(memory);
}

namespace {
// Where the node the thread destroyed last came from: its destructor notes it, the deallocation
// that follows a delete reads it (the bytes of the node are gone by then).
thread_local bool tLastPooled = false;
}  // namespace

void* TJSONAncestor::operator new(size_t bytes) {
  return ::operator new(bytes);
}

void TJSONAncestor::operator delete(void* memory) noexcept {
  if (tLastPooled) {
    TJSONPool::Release(memory);
  } else {
    ::operator delete(memory);
  }
}

TJSONAncestor::~TJSONAncestor() {
  // Only a borrowed node can die while linked: its slot forgets it.
  if (TJSONSlot* slot = Slot()) slot->FBits = 0;
  tLastPooled = Pooled();
}

}  // namespace quillara
