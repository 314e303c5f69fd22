// Memory blocks of every size, heap-sized and picture-sized alike: zero-filled, copied, reused
// in place, and, for large ones on Linux, given back to the system when freed.
#include "platform/MemoryBlock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace kolo {
namespace {

TEST(MemoryBlock, EverySizeIsZeroedCopiedAndReusedInPlace) {
    for (const std::size_t bytes : {std::size_t{1}, std::size_t{4096}, (std::size_t{4} << 20) - 1,
                                    std::size_t{4} << 20, std::size_t{36000000}}) {
        MemoryBlock block = MemoryBlock::Allocate(bytes);
        ASSERT_TRUE(block) << bytes;
        ASSERT_EQ(block.Size(), bytes);
        EXPECT_EQ(block.Data()[0] | block.Data()[bytes / 2] | block.Data()[bytes - 1], 0) << bytes;
        std::memset(block.Data(), 0x5A, bytes);
        const MemoryBlock copy = block.Duplicate();
        ASSERT_EQ(copy.Size(), bytes);
        EXPECT_EQ(std::memcmp(copy.Data(), block.Data(), bytes), 0) << bytes;
        const std::uint8_t* const kept = block.Data();
        ASSERT_TRUE(block.Reuse(bytes / 2 + 1));
        EXPECT_EQ(block.Data(), kept) << bytes;
        EXPECT_EQ(block.Data()[bytes / 2], 0x5A) << bytes;
        ASSERT_TRUE(block.Reuse(bytes + 1));   // no room: a fresh, zeroed block
        EXPECT_EQ(block.Data()[bytes], 0) << bytes;
        MemoryBlock moved = std::move(block);
        EXPECT_FALSE(block);
        moved.Free();
        EXPECT_FALSE(moved);
        EXPECT_EQ(moved.Size(), 0u);
    }
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)   // its quarantine keeps freed blocks
double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    double total = 0, resident = 0;
    statm >> total >> resident;
    return resident * 4096 / (1 << 20);
}

// The C library keeps a block of this size in its heap once a like one was freed, and the
// heap's pages stayed resident: a folder of large pictures held each decode's memory after it.
TEST(MemoryBlock, AFreedPictureSizedBlockLeavesNothingResident) {
    for (int round = 0; round < 3; ++round) {
        const double before = ResidentMegabytes();
        MemoryBlock block = MemoryBlock::Allocate(std::size_t{12} << 20);
        ASSERT_TRUE(block);
        std::memset(block.Data(), 1, block.Size());
        EXPECT_GT(ResidentMegabytes(), before + 11) << round;
        block.Free();
        EXPECT_LT(ResidentMegabytes(), before + 1) << round;
    }
}
#endif

}  // namespace
}  // namespace kolo
