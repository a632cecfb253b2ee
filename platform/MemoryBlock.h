#pragma once

#include <cstddef>

// An owned block of bytes with its size, the stand-in for a movable local memory block.
// The bytes come from malloc, so a block a plug-in malloc'ed can be adopted and is freed
// with free. Move-only; the holder frees it.
class MemoryBlock {
  public:
    MemoryBlock() = default;
    ~MemoryBlock();
    MemoryBlock(MemoryBlock&& other) noexcept;
    MemoryBlock& operator=(MemoryBlock&& other) noexcept;
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    // A new block of `size` bytes (contents undefined); an empty block when memory is short.
    static MemoryBlock allocate(size_t size);
    // Takes ownership of `bytes`, which must come from malloc.
    static MemoryBlock adopt(void* bytes, size_t size);

    unsigned char* data() { return data_; }
    const unsigned char* data() const { return data_; }
    size_t size() const { return size_; }
    bool valid() const { return data_ != nullptr; }
    // Shortens the block's recorded size (never grows it).
    void shrinkTo(size_t size);
    void reset();

  private:
    unsigned char* data_ = nullptr;
    size_t size_ = 0;
};
