#include "app/ClassPack.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <iterator>
#include <sstream>
#include <memory>

#include "app/AtomicFile.h"
#include "app/BoardView.h"
#include "app/CommandLine.h"
#include "app/HeadlessDriver.h"
#include "app/ImageFiles.h"
#include "app/PictureWork.h"
#include "app/SamplesFolder.h"
#include "app/Translation.h"
#include "board/ColouringBoard.h"
#include "board/FolderPictures.h"
#include "platform/curl/CurlSession.h"
#include "platform/soft/TextRenderer.h"

namespace kolo {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kMarginPoints = kPointsPerInch;   // one inch all round
constexpr double kCellGapPoints = 18.0;           // between two pictures of a page
constexpr double kNameBandPoints = 30.0;          // the name line above a picture
constexpr double kNameTextPoints = 14.0;
constexpr int kStatusUsage = 2;
constexpr int kStatusNoPictures = 3;

// What the command line asked for.
struct PackOptions {
    std::string path;
    std::string address;
    std::string paper;
    bool landscape = false;
    PackChoices choices;
};

bool Refuse(const char* message) {
    std::cerr << "kolo: " << message << '\n';
    return false;
}

bool ParsePackOptions(const std::vector<std::string>& args, PackOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[i + 1] : std::string();
        if (arg == "--print-all") {
            if (!hasValue || !EndsWith(value, ".pdf")) return Refuse("--print-all needs a FILE.pdf");
            options.path = value;
            ++i;
        } else if (arg == "--per-page") {
            if (value != "1" && value != "2" && value != "4") return Refuse("--per-page needs 1, 2 or 4");
            options.choices.perPage = value[0] - '0';
            ++i;
        } else if (arg == "--paper") {
            if (value != "a4" && value != "letter") return Refuse("--paper needs a4 or letter");
            options.paper = value;
            ++i;
        } else if (arg == "--landscape") {
            options.landscape = true;
        } else if (arg == "--name-line") {
            options.choices.nameLine = true;
        } else if (arg == "--coloured") {
            options.choices.coloured = true;
        } else if (!TakeAddress(arg, options.address)) {
            return false;
        }
    }
    return true;
}

// The text as code points in drawing order, back in UTF-8, for cairo's own text call, which
// neither joins Arabic letters nor reads right to left.
std::string ShapedUtf8(const std::string& text, bool& rightToLeft) {
    std::string out;
    rightToLeft = false;
    for (char32_t ch : DisplayOrder(text)) {
        rightToLeft = rightToLeft || (ch >= 0x0600 && ch <= 0x06FF) || (ch >= 0xFE70 && ch <= 0xFEFF);
        if (ch < 0x80) {
            out += static_cast<char>(ch);
        } else if (ch < 0x800) {
            out += static_cast<char>(0xC0 | (ch >> 6));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (ch >> 12));
            out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (ch & 0x3F));
        }
    }
    return out;
}

// The picture in cairo's layout; the image's rows are bottom-up blue, green, red.
cairo_surface_t* PictureSurface(const CDibImage& picture) {
    const int width = picture.Width(), height = picture.Height();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = picture.Pixels() + picture.Stride() * static_cast<std::size_t>(height - 1 - y);
        auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(stride) * y);
        for (int x = 0; x < width; ++x, in += 3) {
            out[x] = (std::uint32_t{in[2]} << 16) | (std::uint32_t{in[1]} << 8) | in[0];
        }
    }
    cairo_surface_mark_dirty(surface);
    return surface;
}

}  // namespace

std::string FormatPackChoices(const PackChoices& choices) {
    return std::to_string(choices.perPage) + (choices.nameLine ? " name" : " plain") +
           (choices.coloured ? " coloured" : " uncoloured");
}

PackChoices ParsePackChoices(const std::string& text, const PackChoices& fallback) {
    std::istringstream in(text);
    std::string count, name, colour, more;
    if (!(in >> count >> name >> colour) || (in >> more)) return fallback;
    const bool countKnown = std::any_of(std::begin(kPackPerPageChoices), std::end(kPackPerPageChoices),
                                        [&count](int choice) { return count == std::to_string(choice); });
    if (!countKnown || (name != "name" && name != "plain") || (colour != "coloured" && colour != "uncoloured")) {
        return fallback;
    }
    return PackChoices{std::stoi(count), name == "name", colour == "coloured"};
}

int PackPageCount(std::size_t pictures, int perPage) {
    const std::size_t each = static_cast<std::size_t>(std::max(perPage, 1));
    return static_cast<int>(std::max<std::size_t>(1, (pictures + each - 1) / each));
}

void DrawBoardPackPage(cairo_t* cr, double pageWidth, double pageHeight, int page,
                       ColouringBoard& board, const PackChoices& choices, double dotsPerPoint) {
    if (page < 0) return;
    const std::vector<PackCell> cells = PackCells(pageWidth, pageHeight, choices.perPage);
    const std::size_t first = static_cast<std::size_t>(page) * cells.size();
    // Each picture at the detail its cell has the printer's dots for.
    const int detail = DetailForScale(std::min(cells[0].width / kCanvasRect.Width(),
                                               cells[0].height / kCanvasRect.Height()) *
                                      dotsPerPoint);
    for (std::size_t i = 0; i < cells.size() && first + i < board.Pictures().size(); ++i) {
        const std::size_t at = first + i;
        const CDibImage picture = choices.coloured
                                      ? board.ColouredPicture(static_cast<std::int32_t>(at), detail)
                                      : board.Pictures()[at].ImageAt(detail);
        DrawPackPicture(cr, cells[i], picture, choices.nameLine);
    }
}

std::vector<PackCell> PackCells(double pageWidth, double pageHeight, int perPage) {
    const double width = pageWidth - 2 * kMarginPoints;
    const double height = pageHeight - 2 * kMarginPoints;
    int columns = 1, rows = 1;
    if (perPage == 4) {
        columns = rows = 2;
    } else if (perPage == 2) {
        (pageWidth > pageHeight ? columns : rows) = 2;
    }
    const double cellWidth = (width - (columns - 1) * kCellGapPoints) / columns;
    const double cellHeight = (height - (rows - 1) * kCellGapPoints) / rows;
    std::vector<PackCell> cells;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            cells.push_back(PackCell{kMarginPoints + column * (cellWidth + kCellGapPoints),
                                     kMarginPoints + row * (cellHeight + kCellGapPoints), cellWidth,
                                     cellHeight});
        }
    }
    return cells;
}

void DrawPackPicture(cairo_t* cr, const PackCell& cell, const CDibImage& picture, bool nameLine) {
    double top = cell.y;
    double height = cell.height;
    if (nameLine) {
        bool rightToLeft = false;
        const std::string line = ShapedUtf8(Tr(N_("Name: ________")), rightToLeft);
        cairo_save(cr);
        cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, kNameTextPoints);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_text_extents_t extents{};
        cairo_text_extents(cr, line.c_str(), &extents);
        cairo_move_to(cr, rightToLeft ? cell.x + cell.width - extents.x_advance : cell.x,
                      cell.y + kNameTextPoints);
        cairo_show_text(cr, line.c_str());
        cairo_restore(cr);
        top += kNameBandPoints;
        height -= kNameBandPoints;
    }
    if (!picture.HasPicture() || height <= 0) return;
    cairo_surface_t* image = PictureSurface(picture);
    if (image == nullptr) return;
    const double scale = std::min(cell.width / picture.Width(), height / picture.Height());
    const double x = cell.x + (cell.width - picture.Width() * scale) / 2;
    const double y = top + (height - picture.Height() * scale) / 2;
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(image);
}

int RunClassPack(const std::vector<std::string>& args) {
    PackOptions options;
    if (!ParsePackOptions(args, options)) return kStatusUsage;
    std::string folder = !options.address.empty() ? FolderAddress(options.address) : SamplesFolderUrl();
    if (folder.back() != '/') folder.push_back('/');
    const PageMeasures page = HeadlessPage(options.paper, options.landscape);
    const double pageWidth = page.width * kPointsPerInch / page.dpi;
    const double pageHeight = page.height * kPointsPerInch / page.dpi;

    CurlSession session;
    const FolderPage links = ReadFolderPage(&session, folder);
    if (!links.failure.empty()) {
        std::cerr << links.failure << '\n';
        return kStatusNoPictures;
    }
    session.EnterFolder(folder);
    // The kept colouring is read, never written: the pack changes nobody's work.
    PictureWork work(options.choices.coloured ? DefaultWorkFolder() : std::string());
    const std::vector<PackCell> cells = PackCells(pageWidth, pageHeight, options.choices.perPage);

    std::size_t placed = 0, missing = 0;
    std::string reason;
    const bool written = WriteFileAtomically(options.path, [&](std::FILE* file) {
        const int error = WritePdfPages(file, pageWidth, pageHeight, [&](cairo_t* cr) {
            PictureScratch scratch;
            for (const PictureLink& link : links.links) {
                std::optional<std::vector<std::uint8_t>> bytes = session.FetchPicture(link.address);
                CDibImage picture;
                if (bytes) {
                    picture = PreparePicture(bytes->data(), bytes->size(), link.name,
                                             kCanvasRect.Width(), kCanvasRect.Height(), &scratch);
                }
                bytes.reset();
                if (!picture.HasPicture()) {
                    ++missing;
                    continue;
                }
                SavedWork saved;
                if (options.choices.coloured &&
                    work.LoadWork(WorkKey{folder, link.name, PictureHash(picture)}, saved) &&
                    IsPageColoured(saved.done)) {
                    picture = ColouredPage(picture, saved);
                }
                DrawPackPicture(cr, cells[placed % cells.size()], picture, options.choices.nameLine);
                if (++placed % cells.size() == 0) cairo_show_page(cr);
            }
            if (placed % cells.size() != 0) cairo_show_page(cr);
            return placed > 0;
        });
        // No picture: nothing to write, and no file is left.
        return placed == 0 ? ENOENT : error;
    }, reason);
    if (placed == 0) {
        std::cerr << "kolo: no pictures found at " << folder << '\n';
        return kStatusNoPictures;
    }
    if (!written) {
        std::cerr << "kolo: cannot write " << options.path << ": " << reason << '\n';
        return 1;
    }
    if (missing > 0) std::cerr << "kolo: " << missing << " pictures of the folder could not be read and are left out\n";
    return 0;
}

}  // namespace kolo
