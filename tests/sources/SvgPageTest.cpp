// Plain SVG pages read by our own reader: drawn as librsvg draws them, everything else left to
// librsvg, hostile pages refused or drawn without harm.
#ifdef KOLO_HAVE_SVG
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "sources/DecodeCost.h"
#include "sources/SvgPage.h"
#include "sources/SvgReader.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

const std::uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const std::uint8_t*>(text.data()); }

bool Ours(const std::string& text) {
    SvgPage page;
    return ReadSvgPage(Bytes(text), text.size(), page);
}

// A page of 572 × 452 user units drawn `width` pixels wide: at the canvas's size, anti-aliased,
// or 3.5 times it, drawn without anti-aliasing and shrunk.
std::string Page(const std::string& body, int width = 572) {
    return R"svg(<svg xmlns="http://www.w3.org/2000/svg" width=")svg" + std::to_string(width) + R"svg(" height=")svg" +
           std::to_string(width * 452 / 572) + R"svg(" viewBox="0 0 572 452">)svg" + body + "</svg>";
}

int Grey(const CDibImage& image, std::int32_t x, std::int32_t y) {
    const RgbColour p = test::PixelAt(image, x, y);
    return (p.red + p.green + p.blue) / 3;
}

// Line pixels (as the board thresholds them) of `a` with none of `b`'s within a pixel.
int StrayLinePixels(const CDibImage& a, const CDibImage& b) {
    int stray = 0;
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        for (std::int32_t x = 0; x < a.Width(); ++x) {
            if (Grey(a, x, y) > kLineLevel) continue;
            bool near = false;
            for (std::int32_t v = std::max(0, y - 1); v <= std::min(b.Height() - 1, y + 1) && !near; ++v) {
                for (std::int32_t u = std::max(0, x - 1); u <= std::min(b.Width() - 1, x + 1) && !near; ++u) {
                    near = Grey(b, u, v) <= kLineLevel;
                }
            }
            stray += near ? 0 : 1;
        }
    }
    return stray;
}

// Our reader draws what librsvg draws: the same line pixels to within a pixel, and colours
// within a few levels on average.
TEST(SvgPage, DrawsAsLibrsvgDraws) {
    struct Case {
        const char* what;
        std::string body;
    };
    const Case cases[] = {
        {"strokes", R"svg(<g fill="none" stroke="#000"><path d="M20 20 L550 430 M20 430 Q286 -100 550 430"/>)svg"
                    R"svg(<polyline points="30,200 100,150 170,250 240,150" stroke-width="4" stroke-linejoin="round"/>)svg"
                    R"svg(<line x1="300" y1="60" x2="540" y2="80" stroke-width="9" stroke-linecap="square"/>)svg"
                    R"svg(<path d="M300 300 c40 -60 80 60 120 0 s80 -60 120 0" stroke-width="1.5"/></g>)svg"},
        {"fills", R"svg(<rect x="20" y="20" width="200" height="120" rx="30" fill="#c03"/>)svg"
                  R"svg(<circle cx="400" cy="120" r="90" fill="rgb(0, 128, 255)" stroke="black" stroke-width="3"/>)svg"
                  R"svg(<ellipse cx="150" cy="330" rx="120" ry="60" fill="orange"/>)svg"
                  R"svg(<polygon points="330,250 540,260 470,430" fill="#0a0" stroke="#000"/>)svg"},
        {"transforms", R"svg(<g transform="translate(286 226) rotate(30)" fill="none" stroke="#000" stroke-width="3">)svg"
                       R"svg(<rect x="-100" y="-60" width="200" height="120"/>)svg"
                       R"svg(<g transform="scale(0.5, 1.5) skewX(20)"><circle r="60"/></g></g>)svg"
                       R"svg(<path transform="matrix(1 0.2 -0.3 1 40 20) rotate(-10, 100, 100)" d="M60 60h120v120h-120z" fill="#44f"/>)svg"},
        {"arcs", R"svg(<path fill="none" stroke="#000" stroke-width="2" d="M50 200 A80 50 0 0 1 250 200 A80 50 30 1 0 400 250)svg"
                 R"svg( a60 60 0 1 1 100 0 a 20 40 -45 0 0 -50 100 M60 400 a1000 1 0 0 1 200 0"/>)svg"},
        {"even-odd", R"svg(<path fill-rule="evenodd" fill="#000" d="M286 20 L400 430 L60 160 L510 160 L170 430 Z"/>)svg"
                     R"svg(<path fill="#000" style="fill-rule:nonzero" d="M20 20h100v100h-100z M40 40h60v60h-60z"/>)svg"},
        {"opacity", R"svg(<g opacity="0.5"><rect x="50" y="50" width="300" height="200" fill="#f00"/>)svg"
                    R"svg(<rect x="200" y="150" width="300" height="200" fill="#00f"/></g>)svg"
                    R"svg(<circle cx="150" cy="350" r="80" fill="#0f0" fill-opacity="0.4" stroke="#000" stroke-opacity="0.7" stroke-width="6"/>)svg"
                    R"svg(<rect x="350" y="300" width="150" height="120" fill="#808" stroke="#000" stroke-width="8" opacity="0.6"/>)svg"},
        {"compact path data and styles",
         R"svg(<g style="stroke:currentColor; stroke-width:2px" color="#000" fill="none">)svg"
         R"svg(<path d="M10.5.5l20-3e1 30,40h40v-20H200V300L180 310t40 0 40 0T300 320Q320 340 340 320z"/>)svg"
         R"svg(<path style="fill:#ff0;stroke:inherit" d="m400 400 100-50-50 30zm-300 0 l50 20"/></g>)svg"},
    };
    for (const Case& c : cases) {
        for (const int width : {572, 2002}) {
            const std::string page = Page(c.body, width);
            ASSERT_TRUE(Ours(page)) << c.what;
            CDibImage ours, theirs;
            ASSERT_EQ(LoadSvgBytesToFit(ours, Bytes(page), page.size(), 572, 452), 1) << c.what;
            ASSERT_EQ(LoadSvgBytesToFitWithLibrsvg(theirs, Bytes(page), page.size(), 572, 452, 1), 1) << c.what;
            ASSERT_EQ(ours.PixelBlock().Size(), theirs.PixelBlock().Size());
            EXPECT_EQ(StrayLinePixels(ours, theirs), 0) << c.what << " at " << width;
            EXPECT_EQ(StrayLinePixels(theirs, ours), 0) << c.what << " at " << width;
            double difference = 0;
            for (std::size_t i = 0; i < ours.PixelBlock().Size(); ++i) {
                difference += std::abs(ours.Pixels()[i] - theirs.Pixels()[i]);
            }
            EXPECT_LE(difference / ours.PixelBlock().Size(), 2.0) << c.what << " at " << width;
        }
    }
}

// What our reader does not draw, or might draw otherwise than librsvg, is left to librsvg,
// which still draws the page.
TEST(SvgPage, PagesBeyondItAreLeftToLibrsvg) {
    const std::string line = R"svg(<path d="M10 10 L500 400" stroke="#000"/>)svg";
    const std::string pages[] = {
        Page(R"svg(<text x="20" y="200" font-size="80">Kolo</text>)svg"),
        Page(R"svg(<defs><path id="p" d="M0 0h50v50z"/></defs><use href="#p"/>)svg"),
        Page(R"svg(<defs><linearGradient id="g"><stop offset="0" stop-color="red"/></linearGradient></defs>)svg"
             R"svg(<rect width="100" height="100" fill="url(#g)"/>)svg"),
        Page(R"svg(<clipPath id="c"><rect width="50" height="50"/></clipPath><g clip-path="url(#c)">)svg" + line + "</g>"),
        Page(R"svg(<g mask="url(#m)">)svg" + line + "</g>"),
        Page(R"svg(<g filter="url(#f)">)svg" + line + "</g>"),
        Page(R"svg(<image width="10" height="10" href="a.png"/>)svg"),
        Page(R"svg(<style>path { stroke: red }</style>)svg" + line),
        Page(R"svg(<defs><style>.a { fill: red }</style></defs><rect class="a" width="50" height="50"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="#000" stroke-dasharray="4 2"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="#000" marker-end="url(#m)"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" style="stroke:#000 !important"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="rgba(0,0,0,0.5)"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="papayawhip"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="#000" shape-rendering="crispEdges"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="#000" stroke-width="2%"/>)svg"),
        Page(R"svg(<a href="x">)svg" + line + "</a>"),
        Page(R"svg(<switch>)svg" + line + "</switch>"),
        Page(R"svg(<svg x="10" width="100" height="100">)svg" + line + "</svg>"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="#000" systemLanguage="fr"/>)svg"),
        Page(R"svg(<path d="M10 10 L500 400" stroke="&#x23;000"/>)svg"),
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="20em" height="10em">)svg" + line + "</svg>",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="572" height="452" viewBox="0 0 572 452" preserveAspectRatio="none">)svg" + line + "</svg>",
        R"svg(<!DOCTYPE svg [<!ENTITY l "M10 10 L500 400">]><svg xmlns="http://www.w3.org/2000/svg" width="572" height="452"><path d="&l;" stroke="#000"/></svg>)svg",
        R"svg(<s:svg xmlns:s="http://www.w3.org/2000/svg" width="572" height="452"><s:path d="M10 10 L500 400" stroke="#000"/></s:svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" xmlns:s="http://www.w3.org/2000/svg" width="572" height="452"><s:path d="M10 10 L500 400" stroke="#000"/></svg>)svg",
    };
    for (const std::string& page : pages) {
        EXPECT_FALSE(Ours(page)) << page;
        CDibImage image;
        EXPECT_EQ(LoadSvgBytesToFit(image, Bytes(page), page.size(), 572, 452), 1) << page;
    }
    // What an editor leaves in a page it does read, and draws nothing.
    const std::string kept = R"svg(<?xml version="1.0"?><!-- drawn by hand --><!DOCTYPE svg>)svg"
                             R"svg(<svg xmlns="http://www.w3.org/2000/svg" xmlns:svg="http://www.w3.org/2000/svg" xmlns:ed="urn:editor" width="572" height="452" ed:version="1">)svg"
                             R"svg(<title>Kite</title><metadata><ed:work><ed:style>x</ed:style></ed:work></metadata>)svg"
                             R"svg(<defs id="d"><linearGradient id="g"/></defs><ed:namedview pagecolor="#fff"/>)svg"
                             R"svg(<g id="layer1" ed:label="Layer 1" style="display:inline;font-size:12px;stroke-dasharray:none;-inkscape-stroke:none">)svg" +
                             line + "</g></svg>\n";
    EXPECT_TRUE(Ours(kept));
}

// Path data in every form the grammar allows: the outline read, up to the first error.
TEST(SvgPage, PathDataIsReadToItsFirstError) {
    struct Case {
        const char* d;
        std::vector<std::uint8_t> verbs;   // M, L, C, Z as 0, 1, 2, 3
        double endX, endY;                 // the outline's last point
    };
    const Case cases[] = {
        {"M1.5.5-3e2 4", {0, 1}, -300, 4},                 // compact numbers; pairs after M are lines
        {"m10 10 5 5 5 5", {0, 1, 1}, 20, 20},             // ... relative after a relative move
        {"M0 0h10v10H0V5z l5 5", {0, 1, 1, 1, 1, 3, 1}, 5, 5},   // relative to the subpath's start after z
        {"M0 0 L10 10 L", {0, 1}, 10, 10},                 // a command without numbers ends the path
        {"M0 0 L10 10 20", {0, 1}, 10, 10},                // as does an odd number
        {"M0 0 L10 10 # L20 20", {0, 1}, 10, 10},
        {"L10 10 M0 0", {}, 0, 0},                         // a path must start with a move
        {"M0 0 z 5 5", {0, 3}, 0, 0},                      // numbers after z need a command
        {"M0 0 c1 1 2 2 3 3 s4 4 5 5", {0, 2, 2}, 8, 8},
        {"M0 0 q5 5 10 0 t10 0 T30 0", {0, 2, 2, 2}, 30, 0},
        {"M0 0 a5 5 0 1110 0", {0, 2, 2}, 10, 0},          // flags need no separator: a half circle
        {"M0 0 a5 5 0 2 1 10 0", {0}, 0, 0},               // flags are 0 or 1
        {"M0 0 A0 5 0 0 1 10 0", {0, 1}, 10, 0},           // a zero radius draws a line
        {"M0 0 A5 5 0 0 1 0 0", {0}, 0, 0},                // an arc to its own start draws nothing
        {"M0 0 L1e999 5", {0}, 0, 0},                      // a number beyond a double
        {"M 1 1 L -.5e-1 +2E+1", {0, 1}, -0.05, 20},
    };
    for (const Case& c : cases) {
        SvgPage page;
        const std::string text = Page(std::string(R"svg(<path stroke="#000" d=")svg") + c.d + R"svg("/>)svg");
        ASSERT_TRUE(ReadSvgPage(Bytes(text), text.size(), page)) << c.d;
        EXPECT_EQ(page.verbs, c.verbs) << c.d;
        if (page.coords.size() >= 2) {
            EXPECT_NEAR(page.coords[page.coords.size() - 2], c.endX, 1e-9) << c.d;
            EXPECT_NEAR(page.coords.back(), c.endY, 1e-9) << c.d;
        }
    }
}

// Colours in each notation a page may write them in; others leave the page to librsvg.
TEST(SvgPage, ColoursAreReadInEveryNotation) {
    struct Case {
        const char* fill;
        double red, green, blue;   // 0 to 255; a negative red: not ours to read
    };
    const Case cases[] = {
        {"#1a2B3c", 0x1a, 0x2b, 0x3c}, {"#f80", 0xff, 0x88, 0x00},       {" RED ", 255, 0, 0},
        {"rgb(10, 20,30)", 10, 20, 30}, {"RGB(100%,50%,0%)", 255, 127.5, 0}, {"rgb(300,-5,0)", 255, 0, 0},
        {"grey", 128, 128, 128},       {"#12345", -1, 0, 0},             {"#ggg", -1, 0, 0},
        {"rgb(1,2)", -1, 0, 0},        {"rgb(1 2 3)", -1, 0, 0},         {"url(#p) red", -1, 0, 0},
    };
    for (const Case& c : cases) {
        SvgPage page;
        const std::string text = Page(std::string(R"svg(<rect width="5" height="5" fill=")svg") + c.fill + R"svg("/>)svg");
        ASSERT_EQ(ReadSvgPage(Bytes(text), text.size(), page), c.red >= 0) << c.fill;
        if (c.red < 0) continue;
        ASSERT_EQ(page.shapes.size(), 1u);
        EXPECT_NEAR(page.shapes[0].fill[0] * 255, c.red, 1e-9) << c.fill;
        EXPECT_NEAR(page.shapes[0].fill[1] * 255, c.green, 1e-9) << c.fill;
        EXPECT_NEAR(page.shapes[0].fill[2] * 255, c.blue, 1e-9) << c.fill;
    }
}

// Transform lists apply right to left, and nested groups outside in: where the point (10, 0)
// of a shape lands.
TEST(SvgPage, TransformsComposeInOrder) {
    struct Case {
        const char* outer;
        const char* inner;
        double x, y;
    };
    const Case cases[] = {
        {"translate(5)", "scale(2)", 25, 0},
        {"scale(2)", "translate(5)", 30, 0},
        {"", "translate(5, 7) scale(2 3)", 25, 7},
        {"", "rotate(90)", 0, 10},
        {"", "rotate(180, 10, 5)", 10, 10},
        {"", "skewY(45)", 10, 10},
        {"", "skewX(45) translate(0 3)", 13, 3},
        {"matrix(1 2 3 4 5 6)", "", 15, 26},
        {"rotate(90)", "translate(1,1)", -1, 11},
    };
    for (const Case& c : cases) {
        SvgPage page;
        const std::string text = Page(std::string(R"svg(<g transform=")svg") + c.outer + R"svg("><path transform=")svg" +
                                 c.inner + R"svg(" d="M10 0 h1"/></g>)svg");
        ASSERT_TRUE(ReadSvgPage(Bytes(text), text.size(), page)) << c.inner;
        ASSERT_EQ(page.shapes.size(), 1u);
        const SvgMatrix& m = page.shapes[0].transform;
        EXPECT_NEAR(m.a * 10 + m.e, c.x, 1e-9) << c.outer << " " << c.inner;
        EXPECT_NEAR(m.b * 10 + m.f, c.y, 1e-9) << c.outer << " " << c.inner;
    }
    for (const char* broken : {"scale()", "rotate(1, 2)", "translate(1 2", "spin(3)", "matrix(1 2 3 4 5)"}) {
        SvgPage page;
        const std::string text = Page(std::string(R"svg(<path transform=")svg") + broken + R"svg(" d="M0 0h1"/>)svg");
        EXPECT_FALSE(ReadSvgPage(Bytes(text), text.size(), page)) << broken;
    }
}

// Properties reach a shape from its ancestors, its attributes and its style attribute, the
// style attribute winning; hidden and undisplayed shapes draw nothing.
TEST(SvgPage, StylesCascadeToTheShapes) {
    struct Case {
        const char* what;
        std::string body;
        std::size_t shapes;
        double fillRed, strokeWidth, fillAlpha;   // of the last shape
    };
    const Case cases[] = {
        {"inherited", R"svg(<g fill="#f00" stroke="#000" stroke-width="3"><g><rect width="5" height="5"/></g></g>)svg", 1, 1, 3, 1},
        {"style over attribute", R"svg(<rect width="5" height="5" fill="#000" style="fill: #ff0000 ;stroke-width:2" stroke="#000" stroke-width="7"/>)svg", 1, 1, 2, 1},
        {"own over inherited", R"svg(<g fill="#f00"><rect width="5" height="5" fill="blue"/></g>)svg", 1, 0, 1, 1},
        {"currentColor", R"svg(<g color="red"><rect width="5" height="5" fill="currentColor"/></g>)svg", 1, 1, 1, 1},
        {"units", R"svg(<rect width="5" height="5" stroke="#000" stroke-width="1in"/>)svg", 1, 0, 96, 1},
        {"opacities", R"svg(<rect width="5" height="5" fill="#f00" fill-opacity="0.5" opacity="0.5"/>)svg", 1, 1, 1, 0.25},
        {"display none", R"svg(<g display="none"><rect width="5" height="5"/></g><rect width="5" height="5" style="display:none"/>)svg", 0, 0, 0, 0},
        {"hidden but a child shown", R"svg(<g visibility="hidden"><rect width="5" height="5"/><rect width="5" height="5" fill="red" visibility="visible"/></g>)svg", 1, 1, 1, 1},
        {"nothing painted", R"svg(<rect width="5" height="5" fill="none"/><rect width="0" height="5"/><circle r="-1"/>)svg", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SvgPage page;
        const std::string text = Page(c.body);
        ASSERT_TRUE(ReadSvgPage(Bytes(text), text.size(), page)) << c.what;
        ASSERT_EQ(page.shapes.size(), c.shapes) << c.what;
        if (c.shapes == 0) continue;
        const SvgShape& shape = page.shapes.back();
        EXPECT_DOUBLE_EQ(shape.fill[0], c.fillRed) << c.what;
        EXPECT_DOUBLE_EQ(shape.fill[3], c.fillAlpha) << c.what;
        if (shape.stroked) {
            EXPECT_DOUBLE_EQ(shape.strokeWidth, c.strokeWidth) << c.what;
        }
    }
}

// However thin its line and however large the page, a closed shape holds a fill: a click
// inside colours its inside and never the paper around it.
TEST(SvgPage, ThinOutlinesHoldTheFill) {
    const std::string shapes[] = {
        R"svg(<circle cx="286" cy="226" r="150"/>)svg",
        R"svg(<rect x="136" y="76" width="300" height="300" transform="rotate(33 286 226)"/>)svg",
        R"svg(<path d="M136 226 C136 0 436 0 436 226 S136 452 136 226z"/>)svg",
        R"svg(<polygon points="286,56 436,376 136,376"/>)svg",
    };
    for (const std::string& shape : shapes) {
        for (const double line : {0.1, 0.5, 1.0}) {
            for (const int width : {572, 858, 2002, 4004}) {
                const std::string page =
                    Page(R"svg(<g fill="none" stroke="#000" stroke-width=")svg" + std::to_string(line) + R"svg(">)svg" + shape + "</g>", width);
                CDibImage image;
                ASSERT_EQ(LoadSvgBytesToFit(image, Bytes(page), page.size(), 572, 452), 1);
                image.Threshold(kLineLevel);
                image.SetOutlineColour(0, 0, 0);
                ASSERT_EQ(image.FloodFill(286, 226, 255, 0, 0), 1);
                EXPECT_EQ(test::PixelAt(image, 2, 2), test::kWhite) << shape << " " << line << " at " << width;
            }
        }
    }
}

// The folder is told the size the page is drawn at, without reading it all.
TEST(SvgPage, DeclaredSizeIsTheDrawnSize) {
    const std::string pages[] = {
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="210mm" height="297mm"><rect width="5" height="5"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="-5 -5 800 300"><rect width="5" height="5"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="8.5in" height="11in" viewBox="0 0 10 10"/>)svg",
    };
    for (const std::string& page : pages) {
        CDibImage image;
        ASSERT_EQ(LoadSvgBytesToFit(image, Bytes(page), page.size(), 572, 452), 1) << page;
        const DecodeCost cost = SvgDecodeCost(Bytes(page), page.size(), 572, 452);
        EXPECT_EQ(cost.width, image.Width()) << page;
        EXPECT_EQ(cost.height, image.Height()) << page;
    }
}

// Hostile pages: refused, or drawn at the size asked, never a crash, a hang or a page larger
// than the picture limits.
TEST(SvgPage, HostilePagesFailOrDrawSafely) {
    std::string deep = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)svg";
    for (int i = 0; i < 300; ++i) deep += "<g>";
    deep += R"svg(<rect width="50" height="50"/>)svg";
    for (int i = 0; i < 300; ++i) deep += "</g>";
    deep += "</svg>";
    std::string many = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)svg";
    while (many.size() < 1000000) many += R"svg(<path stroke="#000" d="M0 0L100 100"/><rect width="1" height="1"/>)svg";
    many += "</svg>";
    const std::string huge = R"svg(<path stroke="#000" d="M0 0 L1e300 1e300 M1e308 0 L-1e308 5 A1e300 1e300 0 1 1 9e307 1"/>)svg";
    const std::string pages[] = {
        deep,
        many,
        Page(huge),
        Page(R"svg(<path d="M0 0 L1e999 5 L10 10" stroke="#000"/><rect width="nan" height="inf"/>)svg"),
        Page(R"svg(<g transform="scale(1e200)"><g transform="scale(1e200)"><rect width="1" height="1"/></g></g>)svg"),
        Page(R"svg(<g transform="scale(0)"><rect width="100" height="100"/></g><path transform="matrix(1 1 1 1 0 0)" d="M0 0h9v9z"/>)svg"),
        Page(R"svg(<rect width="100" height="100" stroke="#000" stroke-width="1e30"/>)svg"),
        Page(R"svg(<circle r="1e300" stroke="#000"/><ellipse rx="1e-300" ry="5"/>)svg"),
        Page(R"svg(<path d="M 1 1 A 0 0 0 0 0 5 5 A 1 1 0 1 1 1 1 a1 1 0 2 1 3 3"/>)svg"),
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="1e300" height="1e300"><rect width="5" height="5"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="100000000" height="1"><rect width="5" height="5"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="-5" height="5"/>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="5" height="5"><g><rect width="5" height="5"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="5" height="5"><rect width=5 height="5"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="5" height="5"><rect width="5" width="6"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="5" height="5" viewBox="0 0 0 5"/>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="5" height="5"><path d="M0 0)svg" + std::string(1, '\0') + R"svg(L5 5"/></svg>)svg",
    };
    for (const std::string& page : pages) {
        for (const int threads : {1, 2}) {
            CDibImage image;
            if (LoadSvgBytesToFitWithLibrsvg(image, Bytes(page), page.size(), 572, 452, threads) == 0 &&
                page.size() < 1000) {
                // Pages librsvg refuses are no pages for our reader either.
                EXPECT_FALSE(Ours(page)) << page;
            }
            const int drawn = LoadSvgBytesToFitOnThreads(image, Bytes(page), page.size(), 572, 452, threads);
            EXPECT_EQ(drawn == 1, image.HasPicture()) << page.substr(0, 200);
            if (drawn) {
                EXPECT_LE(image.Width(), 572);
                EXPECT_LE(image.Height(), 452);
            }
        }
    }
}

}  // namespace
}  // namespace kolo
#endif
