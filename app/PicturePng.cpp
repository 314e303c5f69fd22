#include "app/PicturePng.h"

#include "app/ImageFiles.h"
#include "platform/soft/FramebufferContext.h"

namespace kolo {

bool ComposePicture(ColouringBoard& board, std::vector<std::uint8_t>& rgb, int& width,
                    int& height) {
    const CDibImage& picture = board.SourcePicture();
    if (!picture.HasPicture() || picture.Width() <= 0 || picture.Height() <= 0) return false;
    width = picture.Width();
    height = picture.Height();
    // Same size as the picture: the drawing copies it one to one, as Print does at its size.
    FramebufferContext surface(width, height);
    board.DrawPictureInto(surface, Rect{0, 0, width, height});
    rgb.assign(surface.Row(0), surface.Row(0) + static_cast<std::size_t>(width) * height * 3);
    return true;
}

bool SavePicturePng(ColouringBoard& board, const std::string& path, std::string* reason) {
    std::vector<std::uint8_t> rgb;
    int width = 0, height = 0;
    return ComposePicture(board, rgb, width, height) &&
           WritePng(path, rgb.data(), width, height, reason);
}

std::string SuggestedPngName(const std::string& pictureName) {
    std::string name = pictureName;
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    if (name.empty()) name = "picture";
    return name + ".png";
}

}  // namespace kolo
