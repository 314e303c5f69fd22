#include "control/BoardFocus.h"

#include <algorithm>

#include "board/BoardLayout.h"
#include "control/Palette.h"

namespace kolo {
BoardFocus::BoardFocus(SoftControl& control) : control_(control) {
    crosshair_ = {(kCanvasRect.left + kCanvasRect.right) / 2,
                  (kCanvasRect.top + kCanvasRect.bottom) / 2};
}

int BoardFocus::ButtonId(BoardPart part) {
    switch (part) {
        case BoardPart::kUndo: return kButtonUndo;
        case BoardPart::kRedo: return kButtonRedo;
        case BoardPart::kPrint: return kButtonPrint;
        case BoardPart::kExit: return kButtonExit;
        case BoardPart::kPrevious: return kButtonPrevious;
        case BoardPart::kNext: return kButtonNext;
        default: return 0;
    }
}

const char* BoardFocus::PartName(BoardPart part) {
    switch (part) {
        case BoardPart::kUndo: return "Undo";
        case BoardPart::kRedo: return "Redo";
        case BoardPart::kPrint: return "Print";
        case BoardPart::kExit: return "Exit";
        case BoardPart::kPrevious: return "Previous picture";
        case BoardPart::kNext: return "Next picture";
        case BoardPart::kPalette: return "Colours";
        case BoardPart::kThumbnail: return "Picture %d of %d";
        case BoardPart::kCanvas: return "Picture: %s";
        default: return "";
    }
}

Rect BoardFocus::PartRect(BoardPart part) const {
    switch (part) {
        case BoardPart::kCanvas: return control_.Mirror().Shown(kCanvasRect);
        case BoardPart::kThumbnail: return control_.Mirror().Shown(kThumbnailRect);
        case BoardPart::kPalette: return control_.Mirror().Shown(kPaletteRect);
        default: break;
    }
    const BitmapButton* button = control_.Board().FindButton(ButtonId(part));
    return button != nullptr ? control_.Mirror().Shown(button->GetRect()) : Rect{};
}

Rect BoardFocus::CellRect(int cell) const { return control_.Mirror().Shown(PaletteCellRect(cell)); }

Rect BoardFocus::FocusRect() const {
    if (focused_ == BoardPart::kPalette) return CellRect(paletteCell_);
    return PartRect(focused_);
}

BoardPoint BoardFocus::Crosshair() const {
    BoardPoint shown = crosshair_;
    control_.Mirror().ToShown(shown.x, shown.y);
    return shown;
}

bool BoardFocus::IsEnabled(BoardPart part) const {
    const int id = ButtonId(part);
    if (id == 0) return true;
    const BitmapButton* button = control_.Board().FindButton(id);
    return button != nullptr && button->IsEnabled();
}

ColourRef BoardFocus::CellColour(int cell) const {
    const Rect rect = CellRect(cell);
    return control_.Screen().GetPixel((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void BoardFocus::ClickAt(const Rect& rect) {
    control_.Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

void BoardFocus::PickCell(int cell) {
    if (cell < 0 || cell >= kPaletteCells) return;
    paletteCell_ = cell;
    ClickAt(CellRect(cell));
}

void BoardFocus::Activate(BoardPart part) {
    if (part == BoardPart::kCanvas) {
        const BoardPoint shown = Crosshair();
        control_.Click(shown.x, shown.y);
    } else if (part == BoardPart::kPalette) {
        PickCell(paletteCell_);
    } else if (part != BoardPart::kNone) {
        // A disabled button takes no press: the control's routing already says so.
        ClickAt(PartRect(part));
    }
}

void BoardFocus::MovePaletteCell(int dx, int dy) {
    // The arrows go the way they point: the mirrored palette's columns run right to left.
    if (control_.Mirror().Mirrored()) dx = -dx;
    const int column = std::clamp(paletteCell_ % kPaletteColumns + dx, 0, kPaletteColumns - 1);
    const int row = std::clamp(paletteCell_ / kPaletteColumns + dy, 0, kPaletteRows - 1);
    paletteCell_ = row * kPaletteColumns + column;
}

void BoardFocus::MoveCrosshair(int dx, int dy) {
    crosshair_.x = std::clamp(crosshair_.x + dx * kCrosshairStep, kCanvasRect.left,
                              kCanvasRect.right - 1);
    crosshair_.y = std::clamp(crosshair_.y + dy * kCrosshairStep, kCanvasRect.top,
                              kCanvasRect.bottom - 1);
}

bool BoardFocus::HandleKey(BoardKey key) {
    const int count = static_cast<int>(BoardPart::kCount);
    const int current = static_cast<int>(focused_);
    switch (key) {
        case BoardKey::kTab:
            focused_ = static_cast<BoardPart>((current + 1) % count);
            return true;
        case BoardKey::kBackTab:
            focused_ = static_cast<BoardPart>(current <= 0 ? count - 1 : current - 1);
            return true;
        case BoardKey::kActivate:
            if (focused_ == BoardPart::kNone) return false;
            Activate(focused_);
            return true;
        default:
            break;
    }
    const int dx = key == BoardKey::kLeft ? -1 : key == BoardKey::kRight ? 1 : 0;
    const int dy = key == BoardKey::kUp ? -1 : key == BoardKey::kDown ? 1 : 0;
    if (focused_ == BoardPart::kPalette) {
        MovePaletteCell(dx, dy);
        return true;
    }
    if (focused_ == BoardPart::kCanvas) {
        MoveCrosshair(dx, dy);
        return true;
    }
    return false;
}

}  // namespace kolo
