// The plain SVG colouring page, read without librsvg and drawn with cairo directly.
//
// ReadSvgPage takes the shapes a line-art page is made of: a root svg (width and height in
// absolute units, viewBox, the default preserveAspectRatio), g, path, rect, circle, ellipse,
// line, polyline and polygon, painted in flat colours with the usual stroke and fill
// properties, opacity and transforms, set as attributes or in a style attribute. It returns
// false for anything else a page may hold that changes what is drawn (text, references, paint
// servers, clipping, masks, filters, images, style sheets, other units, entities...) and for a
// page beyond its caps: such a page is left to librsvg. Metadata, foreign elements and
// unreferenced definitions are skipped.
//
// DrawSvgPage draws rows [top, top + surface height) of the page drawn at width × height into
// a cairo context over what is there; it only reads the page, so several threads may draw
// bands of the same page at once, each with a context of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// cairo's own declaration, so that users of the page need not see cairo.
typedef struct _cairo cairo_t;

namespace kolo {

// x' = a x + c y + e, y' = b x + d y + f.
struct SvgMatrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

struct SvgShape {
    std::uint32_t firstVerb, verbCount;      // the shape's outline in SvgPage::verbs
    std::uint32_t firstCoord;                // and its points in SvgPage::coords
    SvgMatrix transform;                     // page units to the root's user units
    bool filled, stroked;
    bool evenOdd;                            // fill-rule
    double fill[4], stroke[4];               // red, green, blue and opacity, 0 to 1
    double strokeWidth;                      // user units
    double miterLimit;
    enum Cap : std::uint8_t { kButtCap, kRoundCap, kSquareCap } cap;
    enum Join : std::uint8_t { kMiterJoin, kRoundJoin, kBevelJoin } join;
    double minX, minY, maxX, maxY;           // the outline's control points, user units
};

// What the page draws, in order: a shape, or the start or end of a group drawn apart and laid
// over the rest at an opacity.
struct SvgItem {
    enum Kind : std::uint8_t { kShape, kGroupStart, kGroupEnd } kind;
    double opacity;         // kGroupEnd: the group's opacity
    std::uint32_t shape;    // kShape: index in SvgPage::shapes
};

struct SvgPage {
    enum Verb : std::uint8_t { kMove, kLine, kCurve, kClose };   // 2, 2, 6 and 0 coordinates
    double width = 0, height = 0;              // the page's own size, pixels at 96 to the inch
    double viewBox[4] = {0, 0, 0, 0};          // x, y, width, height in user units
    std::vector<SvgShape> shapes;
    std::vector<SvgItem> items;
    std::vector<std::uint8_t> verbs;
    std::vector<double> coords;
};

bool ReadSvgPage(const std::uint8_t* data, std::size_t size, SvgPage& page);
// Only the page's own size, from the root element: false where ReadSvgPage could not tell it.
bool ReadSvgPageSize(const std::uint8_t* data, std::size_t size, double& width, double& height);
// Whether the page can be drawn at width × height: every shape within the coordinates cairo
// holds. A page that cannot is left to librsvg.
bool SvgPageDrawable(const SvgPage& page, std::int32_t width, std::int32_t height);
// Draws the band; `crisp` draws without anti-aliasing. Strokes narrower than a drawn pixel are
// drawn one pixel wide, so that no line thins out of sight.
bool DrawSvgPage(const SvgPage& page, cairo_t* cr, std::int32_t width, std::int32_t height,
                 std::int32_t top, bool crisp);

}  // namespace kolo
