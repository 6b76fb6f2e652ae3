#pragma once
// Blocks for the nodes a reader makes, and for their texts and child lists: a parsed tree is
// hundreds of thousands of small blocks that are made together and mostly die together.
#include <cstddef>

namespace quillara {

// Blocks are cut from 64 KiB chunks owned by the thread that cuts them, and chunks from 1 MiB
// regions; a chunk returns to its region once its last block is released, from whichever
// thread, and a region goes back to the heap once all its chunks have. A block that outlives
// its tree (a member taken out of it) keeps its own chunk, and its region from going back; the
// region's other chunks serve the next trees.
class TJSONPool {
 public:
  // Eight-byte aligned; bytes > 0.
  static void* Allocate(size_t bytes);
  static void Release(void* block) noexcept;
  // What a block of that size takes from its chunk.
  static constexpr size_t Rounded(size_t bytes) { return (bytes + 7) & ~size_t(7); }
  // Chunks of the empty regions kept for reuse, over all threads: a thread keeps some for the
  // trees it reads next, within a bound per thread and one for all threads together.
  static size_t KeptChunks();
};

}  // namespace quillara
