#include "module/BoardPlacement.h"

#include <algorithm>
#include <cstdint>

#include "board/BoardLayout.h"
#include "image/DibImage.h"

namespace kolo {
namespace {

// Division rounded down and up, also for the negative points of the letterbox.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && (a < 0)); }
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

}  // namespace

BoardPlacement FitBoard(const Rect& area) {
    BoardPlacement placement;
    const std::int64_t width = area.Width();
    const std::int64_t height = area.Height();
    if (width <= 0 || height <= 0) return placement;
    // The narrower side decides: the full width when the area is taller than the board's
    // proportions, the full height otherwise.
    if (width * kBoardHeight <= height * kBoardWidth) {
        placement.width = static_cast<int>(width);
        placement.height = static_cast<int>(width * kBoardHeight / kBoardWidth);
    } else {
        placement.height = static_cast<int>(height);
        placement.width = static_cast<int>(height * kBoardWidth / kBoardHeight);
    }
    placement.left = area.left + static_cast<int>((width - placement.width) / 2);
    placement.top = area.top + static_cast<int>((height - placement.height) / 2);
    return placement;
}

int DetailFor(int devicePixels, int boardPixels) {
    if (boardPixels <= 0 || devicePixels <= boardPixels) return 1;
    return static_cast<int>(std::min<std::int64_t>(CeilDiv(devicePixels, boardPixels), kMaxDetail));
}

int BoardPlacement::Detail() const { return DetailFor(width, kBoardWidth); }

bool BoardPlacement::IsOneToOne() const { return width == kBoardWidth && height == kBoardHeight; }

bool BoardPlacement::ToBoard(int x, int y, int& boardX, int& boardY) const {
    if (width <= 0 || height <= 0) return false;
    boardX = static_cast<int>(FloorDiv((2 * std::int64_t{x - left} + 1) * kBoardWidth, 2 * std::int64_t{width}));
    boardY = static_cast<int>(FloorDiv((2 * std::int64_t{y - top} + 1) * kBoardHeight, 2 * std::int64_t{height}));
    return true;
}

Rect BoardPlacement::ToDevice(const Rect& part) const {
    return Rect{left + static_cast<int>(FloorDiv(std::int64_t{part.left} * width, kBoardWidth)),
                top + static_cast<int>(FloorDiv(std::int64_t{part.top} * height, kBoardHeight)),
                left + static_cast<int>(CeilDiv(std::int64_t{part.right} * width, kBoardWidth)),
                top + static_cast<int>(CeilDiv(std::int64_t{part.bottom} * height, kBoardHeight))};
}

}  // namespace kolo
