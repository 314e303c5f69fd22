// FillQueue: a fixed ring of pixel coordinates, first in, first out.
// It owns no heap memory; a full queue refuses a push and changes nothing.
#pragma once

#include <cstdint>

namespace kolo {

constexpr std::int32_t kFillQueueCapacity = 4096;   // entries

class FillQueue {
public:
    FillQueue() = default;
    virtual ~FillQueue() = default;

    void Reset();
    bool Push(std::int32_t x, std::int32_t row);
    bool Pop(std::int32_t& x, std::int32_t& row);
    std::int32_t Count() const { return count_; }

private:
    struct Entry {
        std::int32_t x;     // column
        std::int32_t row;   // bottom-up row
    };
    Entry entries_[kFillQueueCapacity];
    std::int32_t head_ = 0;    // next entry to take
    std::int32_t tail_ = -1;   // entry written last
    std::int32_t count_ = 0;   // entries held
};

}  // namespace kolo
