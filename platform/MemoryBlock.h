// MemoryBlock: an owned, movable byte buffer that stands for a movable global memory block.
//
// A default-constructed block is the null handle. Allocate returns a zero-filled block of
// exactly the requested size, or a null block when the memory is not there; nothing throws.
// The block is moved, never shared: Duplicate makes an independent copy. On Linux a block of
// picture size is mapped from the system on its own and given back whole when freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace kolo {

class MemoryBlock {
public:
    MemoryBlock() = default;
    MemoryBlock(MemoryBlock&& other) noexcept;
    MemoryBlock& operator=(MemoryBlock&& other) noexcept;
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    // A zero-filled block of `bytes` bytes; null when bytes is 0 or the allocation fails.
    static MemoryBlock Allocate(std::size_t bytes);

    // Makes the block `bytes` long, keeping its memory when it already has room for them: the
    // bytes are then whatever they were, and nothing is mapped afresh. Otherwise the block is
    // allocated again, zero-filled. False, and a null block, when bytes is 0 or that fails.
    // Whoever decodes picture after picture keeps one block this way instead of having the
    // system hand over (and clear) new pages for each.
    bool Reuse(std::size_t bytes);

    // An independent copy of the same size and contents; null for a null block or on failure.
    MemoryBlock Duplicate() const;

    // Gives the memory back; the block becomes null.
    void Free();

    std::size_t Size() const { return size_; }
    std::uint8_t* Data() { return data_.get(); }
    const std::uint8_t* Data() const { return data_.get(); }
    explicit operator bool() const { return data_ != nullptr; }

private:
    struct Deleter {
        Deleter() : mappedBytes(0) {}
        explicit Deleter(std::size_t mapped) : mappedBytes(mapped) {}
        void operator()(std::uint8_t* p) const;
        std::size_t mappedBytes;   // 0: from calloc
    };
    std::unique_ptr<std::uint8_t, Deleter> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;   // bytes allocated, at least size_
};

}  // namespace kolo
