#include "MemoryBlock.h"

#include <cstdlib>
#include <utility>

MemoryBlock::~MemoryBlock()
{
    reset();
}

MemoryBlock::MemoryBlock(MemoryBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{
}

MemoryBlock& MemoryBlock::operator=(MemoryBlock&& other) noexcept
{
    if (this != &other) {
        reset();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MemoryBlock MemoryBlock::allocate(size_t size)
{
    MemoryBlock block;
    // malloc(0) may return null; keep one byte so an empty page is still a valid block.
    block.data_ = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    block.size_ = block.data_ ? size : 0;
    return block;
}

MemoryBlock MemoryBlock::adopt(void* bytes, size_t size)
{
    MemoryBlock block;
    block.data_ = static_cast<unsigned char*>(bytes);
    block.size_ = bytes ? size : 0;
    return block;
}

void MemoryBlock::shrinkTo(size_t size)
{
    if (size < size_)
        size_ = size;
}

void MemoryBlock::reset()
{
    std::free(data_);
    data_ = nullptr;
    size_ = 0;
}
