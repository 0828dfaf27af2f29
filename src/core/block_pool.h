#pragma once
// A free list of equal blocks for the terrain, scenery, aircraft and cloud code, which take and
// give back fixed-size records every frame without touching the heap.
//
// Three layouts:
//  - lazy:       blocks are allocated one by one on demand, up to the capacity, and all freed
//                with the pool;
//  - contiguous: one zeroed allocation of blockSize x capacity, handed out as pointers;
//  - offsets:    the same zeroed allocation, handed out as byte offsets 0, s, 2s, ... (for
//                records that link to each other by offset).
// take() hands out the most recently given-back entry first (LIFO).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace skyloom {

class BlockPool {
 public:
  enum class Layout { Lazy, Contiguous, Offsets };

  BlockPool(std::size_t blockSize, std::size_t capacity, Layout layout);
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // Pointer layouts. take() answers null when every block is in use; give() answers p when it
  // was taken back, null when p is null or the free list is already full.
  void* take();
  void* give(void* p);

  // Offset layout. takeOffset() answers kNoOffset when every block is in use.
  static constexpr std::size_t kNoOffset = ~std::size_t{0};
  std::size_t takeOffset();
  bool giveOffset(std::size_t offset);
  // The block at a byte offset of the offset layout.
  void* at(std::size_t offset) { return storage_.get() + offset; }

  std::size_t blockSize() const { return blockSize_; }
  std::size_t capacity() const { return capacity_; }
  std::size_t freeCount() const { return free_.size(); }
  Layout layout() const { return layout_; }

 private:
  std::uintptr_t takeEntry();
  bool giveEntry(std::uintptr_t entry);

  std::size_t blockSize_;
  std::size_t capacity_;
  Layout layout_;
  std::unique_ptr<std::uint8_t[]> storage_;                 // contiguous and offset layouts
  std::vector<std::unique_ptr<std::uint8_t[]>> lazyBlocks_;  // lazy layout: every block made
  std::vector<std::uintptr_t> free_;                        // reserved to capacity once
};

}  // namespace skyloom
