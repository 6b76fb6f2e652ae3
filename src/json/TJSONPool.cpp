#include "json/TJSONPool.h"

#include "json/TJSON.h"

#include <atomic>
#include <cstdint>
#include <new>

namespace quillara {

namespace {

constexpr size_t kChunkBytes = size_t(64) << 10;
// Larger blocks get a chunk of their own, so a chunk's unused tail stays small.
constexpr size_t kLargeBlock = size_t(8) << 10;
// Held for the chunk while its thread still cuts from it: the count cannot reach zero then.
constexpr int64_t kCutting = int64_t(1) << 48;

struct TChunk {
  std::atomic<int64_t> FLive;
  bool FLarge;  // a block's own chunk
};
constexpr size_t kHeader = 16;
static_assert(sizeof(TChunk) <= kHeader);

// Empty chunks a thread keeps for the trees it reads next: a heap would hand back chunks that
// were returned to the system, whose pages then cost a fault each again. What a thread keeps is
// bounded; plain data, so that it can still be used while the thread's other objects die.
constexpr int kKeptChunks = 64;  // 4 MiB
// And by all threads together, so that many connection threads that once read a large body do
// not each hold their share.
constexpr int64_t kKeptChunksInAll = 128;  // 8 MiB
std::atomic<int64_t> gKeptInAll{0};
struct TKept {
  TChunk* FChunks[kKeptChunks];
  int FCount;
  bool FClosed;  // the thread is ending
};
thread_local TKept tKept;

TChunk* NewChunk(size_t bytes, int64_t live) {
  void* memory = ::operator new(bytes, std::align_val_t(kChunkBytes));
  return ::new (memory) TChunk{live, bytes != kChunkBytes};
}

void DeleteChunk(TChunk* chunk) noexcept {
  chunk->~TChunk();
  ::operator delete(static_cast<void*>(chunk), std::align_val_t(kChunkBytes));
}

void FreeChunk(TChunk* chunk) noexcept;

TChunk* ReuseChunk() {
  TKept& kept = tKept;
  if (kept.FCount == 0) return NewChunk(kChunkBytes, kCutting);
  TChunk* chunk = kept.FChunks[--kept.FCount];
  gKeptInAll.fetch_sub(1, std::memory_order_relaxed);
  chunk->FLive.store(kCutting, std::memory_order_relaxed);
  return chunk;
}

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
  int64_t FCut = 0;

  ~TCursor() {
    Leave();
    TKept& kept = tKept;
    kept.FClosed = true;
    gKeptInAll.fetch_sub(kept.FCount, std::memory_order_relaxed);
    while (kept.FCount > 0) DeleteChunk(kept.FChunks[--kept.FCount]);
  }
  void Leave() noexcept {
    if (!FChunk) return;
    int64_t drop = kCutting - FCut;
    if (FChunk->FLive.fetch_sub(drop, std::memory_order_acq_rel) == drop) FreeChunk(FChunk);
    FChunk = nullptr;
    FLeft = 0;
  }
  void Enter() {
    Leave();
    FChunk = ReuseChunk();
    FNext = reinterpret_cast<char*>(FChunk) + kHeader;
    FLeft = kChunkBytes - kHeader;
    FCut = 0;
  }
};

thread_local TCursor tCursor;

void FreeChunk(TChunk* chunk) noexcept {
  TKept& kept = tKept;
  bool keep = !chunk->FLarge && !kept.FClosed && kept.FCount < kKeptChunks;
  // A place among all threads' kept chunks is taken first, and given back if there was none.
  if (keep && gKeptInAll.fetch_add(1, std::memory_order_relaxed) >= kKeptChunksInAll) {
    gKeptInAll.fetch_sub(1, std::memory_order_relaxed);
    keep = false;
  }
  if (!keep) return DeleteChunk(chunk);
  // the cursor's end empties what the thread keeps, also in a thread that never cut a block
  TCursor& cursor = tCursor;
  (void)cursor;
  kept.FChunks[kept.FCount++] = chunk;
}

}  // namespace

size_t TJSONPool::KeptChunks() {
  return size_t(gKeptInAll.load(std::memory_order_relaxed));
}

void* TJSONPool::Allocate(size_t bytes) {
  bytes = Rounded(bytes);
  if (bytes > kLargeBlock) {
    TChunk* own = NewChunk(kHeader + bytes, 1);
    return reinterpret_cast<char*>(own) + kHeader;
  }
  TCursor& cursor = tCursor;
  if (bytes > cursor.FLeft) cursor.Enter();
  void* block = cursor.FNext;
  cursor.FNext += bytes;
  cursor.FLeft -= bytes;
  ++cursor.FCut;
  return block;
}

void TJSONPool::Release(void* block) noexcept {
  TChunk* chunk = ChunkOf(block);
  if (chunk->FLive.fetch_sub(1, std::memory_order_acq_rel) == 1) FreeChunk(chunk);
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
