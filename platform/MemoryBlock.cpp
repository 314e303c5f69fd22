#include "platform/MemoryBlock.h"

#include <cstdlib>
#include <cstring>
#include <utility>

// AddressSanitizer guards only what its own allocator hands out.
#if defined(__SANITIZE_ADDRESS__)
#define KOLO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KOLO_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__linux__) && !defined(KOLO_ADDRESS_SANITIZER)
#include <sys/mman.h>
#define KOLO_MAPPED_BLOCKS 1
#endif

namespace kolo {
namespace {

// From this size on (a picture of about 1400 × 1000 and up) a block has pages of its own. The C
// library would keep such a block in its heap once a like one had been freed, and the pages
// stayed resident after the block was freed: a folder of large pictures then held the memory
// of the last decode beside the next file. Smaller blocks, such as canvas-size pictures,
// stay in the heap, where their memory is reused without new page faults.
[[maybe_unused]] constexpr std::size_t kMappedBlockBytes = std::size_t{4} << 20;

}  // namespace

void MemoryBlock::Deleter::operator()(std::uint8_t* p) const {
#ifdef KOLO_MAPPED_BLOCKS
    if (mappedBytes > 0) {
        munmap(p, mappedBytes);
        return;
    }
#endif
    std::free(p);
}

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
#ifdef KOLO_MAPPED_BLOCKS
    if (bytes >= kMappedBlockBytes) {
        // Fresh pages read as zero, and the system maps them only as they are written.
        void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) return block;
        // In pages of 2 MB where the system has them: a picture's memory is then mapped with a
        // five-hundredth of the faults, which otherwise take most of the time a first decode
        // into it does. Only advice: without them the block works all the same.
        madvise(pages, bytes, MADV_HUGEPAGE);
        block.data_ = decltype(data_)(static_cast<std::uint8_t*>(pages), Deleter{bytes});
        block.size_ = block.capacity_ = bytes;
        return block;
    }
#endif
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
    // The old memory goes first: its contents are not kept, and a picture-sized block beside
    // its successor would double what a decode holds.
    Free();
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
