#include "platform/MemoryBlock.h"

#include <cstring>
#include <utility>

namespace kolo {

MemoryBlock::MemoryBlock(MemoryBlock&& other) noexcept
    : data_(std::move(other.data_)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

MemoryBlock& MemoryBlock::operator=(MemoryBlock&& other) noexcept {
    data_ = std::move(other.data_);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

MemoryBlock MemoryBlock::Allocate(std::size_t bytes) {
    MemoryBlock block;
    if (bytes == 0) return block;
    // calloc gives the zero fill of GMEM_ZEROINIT and reports failure instead of throwing.
    block.data_.reset(static_cast<std::uint8_t*>(std::calloc(bytes, 1)));
    if (block.data_) block.size_ = block.capacity_ = bytes;
    return block;
}

bool MemoryBlock::Reuse(std::size_t bytes) {
    if (bytes > 0 && data_ && bytes <= capacity_) {
        size_ = bytes;
        return true;
    }
    *this = Allocate(bytes);
    return static_cast<bool>(data_);
}

MemoryBlock MemoryBlock::Duplicate() const {
    if (!data_) return MemoryBlock();
    MemoryBlock copy = Allocate(size_);
    if (copy) std::memcpy(copy.Data(), Data(), size_);
    return copy;
}

void MemoryBlock::Free() {
    data_.reset();
    size_ = capacity_ = 0;
}

}  // namespace kolo
