// The plain SVG page: a small XML reader for the elements line-art pages are made of, path data
// turned into moves, lines and cubic curves, and drawing with cairo.
//
// The reader is strict: whatever it does not know for certain how to draw, it does not guess,
// and the page goes to librsvg (ReadSvgPage returns false). That covers malformed XML too:
// librsvg then decides whether the page is broken. Path data is the exception SVG itself
// makes: a path is drawn up to the first error in its data (recoverable).
#include "sources/SvgPage.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace kolo {
namespace {

constexpr std::string_view kSvgNamespace = "http://www.w3.org/2000/svg";
constexpr int kMaxDepth = 256;                       // nested elements
constexpr std::size_t kMaxItems = 1 << 20;           // shapes and groups drawn
constexpr std::size_t kMaxCoords = 1 << 23;          // path coordinates, 64 MB
constexpr double kMaxDeviceCoord = 1 << 20;          // pixels; cairo's fixed point holds 2^23
constexpr double kMaxPageSide = 1e6;               // pixels; larger pages are librsvg's to refuse
constexpr double kMinDeterminant = 1e-12;            // a transform flatter than this draws nothing
constexpr double kPi = 3.14159265358979323846;
constexpr double kTolerance = 0.25;                  // pixels a flattened curve may stray
// Absolute units in pixels at 96 to the inch.
constexpr double kPixelsPerInch = 96;

struct NamedColour {
    std::string_view name;
    std::uint32_t rgb;
};
// The colours pages name most; any other name is left to librsvg.
constexpr NamedColour kNamedColours[] = {
    {"black", 0x000000},   {"white", 0xffffff},     {"red", 0xff0000},       {"green", 0x008000},
    {"blue", 0x0000ff},    {"yellow", 0xffff00},    {"gray", 0x808080},      {"grey", 0x808080},
    {"silver", 0xc0c0c0},  {"maroon", 0x800000},    {"purple", 0x800080},    {"fuchsia", 0xff00ff},
    {"magenta", 0xff00ff}, {"lime", 0x00ff00},      {"olive", 0x808000},     {"navy", 0x000080},
    {"teal", 0x008080},    {"aqua", 0x00ffff},      {"cyan", 0x00ffff},      {"orange", 0xffa500},
    {"pink", 0xffc0cb},    {"brown", 0xa52a2a},     {"darkgray", 0xa9a9a9},  {"darkgrey", 0xa9a9a9},
    {"lightgray", 0xd3d3d3}, {"lightgrey", 0xd3d3d3}, {"dimgray", 0x696969}, {"dimgrey", 0x696969},
    {"gold", 0xffd700},    {"violet", 0xee82ee},    {"indigo", 0x4b0082},    {"beige", 0xf5f5dc},
};

// Properties that change nothing on a page without text, markers, clipping or filters, whatever
// their value.
constexpr std::string_view kInertProperties[] = {
    "font", "font-family", "font-size", "font-style", "font-weight", "font-variant", "font-stretch",
    "font-size-adjust", "font-variation-settings", "font-feature-settings", "text-anchor",
    "text-align", "text-decoration", "text-rendering", "text-transform", "text-indent",
    "line-height", "letter-spacing", "word-spacing", "writing-mode", "direction", "baseline-shift",
    "dominant-baseline", "alignment-baseline", "unicode-bidi", "white-space", "stop-color",
    "stop-opacity", "flood-color", "flood-opacity", "lighting-color", "color-interpolation",
    "color-interpolation-filters", "color-rendering", "image-rendering", "enable-background",
    "solid-color", "solid-opacity", "clip-rule", "stroke-dashoffset", "overflow", "cursor",
    "pointer-events", "inline-size", "shape-inside", "shape-padding", "shape-margin",
    "marker-start-fill",
};

// Drawing editors keep settings of their own in a page's style under a prefix of their own;
// other readers ignore them, and so does this one.
constexpr std::string_view kEditorPropertyPrefix = "-inkscape-";

// Properties allowed only with the one value that leaves drawing as it is.
struct NeutralValue {
    std::string_view property, value;
};
constexpr NeutralValue kNeutralValues[] = {
    {"stroke-dasharray", "none"}, {"marker", "none"},        {"marker-start", "none"},
    {"marker-mid", "none"},       {"marker-end", "none"},    {"clip-path", "none"},
    {"mask", "none"},             {"filter", "none"},        {"mix-blend-mode", "normal"},
    {"isolation", "auto"},        {"vector-effect", "none"}, {"shape-rendering", "auto"},
};

// Attributes that change nothing drawn.
constexpr std::string_view kInertAttributes[] = {
    "id", "class", "version", "baseProfile", "tabindex", "lang", "role", "focusable",
    "pathLength", "contentScriptType", "contentStyleType", "zoomAndPan", "title",
};

// The style an element draws with: its parent's, changed by its own properties.
struct Style {
    double fill[3] = {0, 0, 0};
    double stroke[3] = {0, 0, 0};
    double colour[3] = {0, 0, 0};   // currentColor
    bool fillNone = false, strokeNone = true;
    bool fillCurrent = false, strokeCurrent = false;   // paint is currentColor, taken when drawn
    double fillOpacity = 1, strokeOpacity = 1;
    double strokeWidth = 1;
    double miterLimit = 4;
    bool evenOdd = false;
    SvgShape::Cap cap = SvgShape::kButtCap;
    SvgShape::Join join = SvgShape::kMiterJoin;
    bool visible = true;
    // Not inherited.
    double opacity = 1;
    bool displayNone = false;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// Reads a number at `at` in SVG's compact syntax ("1.5.5-3e2" is 1.5, .5 and -300): sign,
// digits, fraction, exponent. False, `at` unmoved, where none starts; a number too large for a
// double is no number.
bool ReadNumber(std::string_view s, std::size_t& at, double& value) {
    std::size_t i = at;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::uint64_t mantissa = 0;
    int exponent = 0, digits = 0;
    bool any = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, any = true) {
        if (digits < 18) {
            mantissa = mantissa * 10 + static_cast<unsigned>(s[i] - '0');
            if (mantissa != 0) ++digits;
        } else {
            ++exponent;   // digits beyond a double's precision only scale
        }
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, any = true) {
            if (digits < 18) {
                mantissa = mantissa * 10 + static_cast<unsigned>(s[i] - '0');
                if (mantissa != 0) ++digits;
                --exponent;
            }
        }
    }
    if (!any) return false;
    if (i + 1 < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (s[j] == '+' || s[j] == '-') negativeExponent = s[j++] == '-';
        if (j < s.size() && s[j] >= '0' && s[j] <= '9') {
            int e = 0;
            for (; j < s.size() && s[j] >= '0' && s[j] <= '9'; ++j) e = std::min(e * 10 + (s[j] - '0'), 100000);
            exponent += negativeExponent ? -e : e;
            i = j;
        }
    }
    if (exponent > 300) return false;
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    double v = static_cast<double>(mantissa);
    if (mantissa != 0 && exponent != 0) {
        // Powers up to 22 are exact, and most numbers on a page need one.
        if (exponent > 0 && exponent <= 22) v *= kPowers[exponent];
        else if (exponent < 0 && exponent >= -22) v /= kPowers[-exponent];
        else v = exponent < -330 ? 0 : v * std::pow(10.0, exponent);
    }
    if (!std::isfinite(v)) return false;
    value = negative ? -v : v;
    at = i;
    return true;
}

void SkipSpaces(std::string_view s, std::size_t& at) {
    while (at < s.size() && IsSpace(s[at])) ++at;
}
// Whitespace with at most one comma in it, between numbers.
void SkipSeparator(std::string_view s, std::size_t& at) {
    SkipSpaces(s, at);
    if (at < s.size() && s[at] == ',') {
        ++at;
        SkipSpaces(s, at);
    }
}

// The whole of `s` as one number.
bool ParseNumber(std::string_view s, double& value) {
    s = Trim(s);
    std::size_t at = 0;
    return ReadNumber(s, at, value) && at == s.size();
}

// A length in user units: a number, in pixels or an absolute unit. Percentages and font units
// depend on what the page is drawn in and are left to librsvg.
bool ParseLength(std::string_view s, double& value) {
    s = Trim(s);
    std::size_t at = 0;
    if (!ReadNumber(s, at, value)) return false;
    const std::string_view unit = s.substr(at);
    static constexpr struct {
        std::string_view name;
        double pixels;
    } kUnits[] = {{"", 1},
                  {"px", 1},
                  {"in", kPixelsPerInch},
                  {"cm", kPixelsPerInch / 2.54},
                  {"mm", kPixelsPerInch / 25.4},
                  {"pt", kPixelsPerInch / 72},
                  {"pc", kPixelsPerInch / 6}};
    for (const auto& u : kUnits) {
        if (unit == u.name) {
            value *= u.pixels;
            return std::isfinite(value);
        }
    }
    return false;
}

bool ParseHexDigit(char c, int& v) {
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else return false;
    return true;
}

// #rgb, #rrggbb, rgb(r, g, b) in numbers or percentages, or a name; components 0 to 1.
bool ParseColour(std::string_view s, double rgb[3]) {
    s = Trim(s);
    if (!s.empty() && s[0] == '#') {
        int v[6];
        if (s.size() != 4 && s.size() != 7) return false;
        for (std::size_t i = 1; i < s.size(); ++i) {
            if (!ParseHexDigit(s[i], v[i - 1])) return false;
        }
        for (int i = 0; i < 3; ++i) rgb[i] = (s.size() == 4 ? v[i] * 17 : v[2 * i] * 16 + v[2 * i + 1]) / 255.0;
        return true;
    }
    if (s.size() > 4 && EqualsIgnoringCase(s.substr(0, 4), "rgb(") && s.back() == ')') {
        const std::string_view inside = s.substr(4, s.size() - 5);
        std::size_t at = 0;
        for (int i = 0; i < 3; ++i) {
            SkipSpaces(inside, at);
            double v = 0;
            if (!ReadNumber(inside, at, v)) return false;
            if (at < inside.size() && inside[at] == '%') {
                ++at;
                v *= 2.55;
            }
            rgb[i] = std::clamp(v, 0.0, 255.0) / 255.0;
            SkipSpaces(inside, at);
            if (i < 2) {
                if (at >= inside.size() || inside[at] != ',') return false;
                ++at;
            }
        }
        return at == inside.size();
    }
    for (const NamedColour& named : kNamedColours) {
        if (EqualsIgnoringCase(s, named.name)) {
            for (int i = 0; i < 3; ++i) rgb[i] = ((named.rgb >> (16 - 8 * i)) & 0xff) / 255.0;
            return true;
        }
    }
    return false;
}

// fill or stroke: none, currentColor or a colour.
bool ParsePaint(std::string_view s, double rgb[3], bool& none, bool& current) {
    s = Trim(s);
    if (s == "none") {
        none = true;
        current = false;
        return true;
    }
    if (EqualsIgnoringCase(s, "currentColor")) {
        none = false;
        current = true;
        return true;
    }
    if (!ParseColour(s, rgb)) return false;
    none = current = false;
    return true;
}

bool ParseOpacity(std::string_view s, double& value) {
    if (!ParseNumber(s, value)) return false;
    value = std::clamp(value, 0.0, 1.0);
    return true;
}

// Paint order where the fill comes before the stroke (markers do not draw here).
bool FillBeforeStroke(std::string_view s) {
    s = Trim(s);
    if (s == "normal") return true;
    const std::size_t fill = s.find("fill"), stroke = s.find("stroke");
    return stroke == std::string_view::npos || (fill != std::string_view::npos && fill < stroke);
}

// Which of three words the value is, in the order of SvgShape's Cap and Join; -1 for none.
int Keyword(std::string_view value, const std::string_view (&words)[3]) {
    for (int i = 0; i < 3; ++i) {
        if (value == words[i]) return i;
    }
    return -1;
}

// Sets one property from an attribute or a style declaration; false where the page is left to
// librsvg. "inherit" leaves the parent's value, which an element starts with.
bool SetProperty(std::string_view name, std::string_view value, Style& style) {
    value = Trim(value);
    if (value == "inherit") return name != "opacity" && name != "display";
    if (name == "fill") return ParsePaint(value, style.fill, style.fillNone, style.fillCurrent);
    if (name == "stroke") return ParsePaint(value, style.stroke, style.strokeNone, style.strokeCurrent);
    if (name == "color") return ParseColour(value, style.colour);
    if (name == "fill-opacity") return ParseOpacity(value, style.fillOpacity);
    if (name == "stroke-opacity") return ParseOpacity(value, style.strokeOpacity);
    if (name == "opacity") return ParseOpacity(value, style.opacity);
    if (name == "stroke-width") return ParseLength(value, style.strokeWidth) && style.strokeWidth >= 0;
    if (name == "stroke-miterlimit") return ParseNumber(value, style.miterLimit) && style.miterLimit >= 1;
    if (name == "fill-rule") {
        style.evenOdd = value == "evenodd";
        return value == "evenodd" || value == "nonzero";
    }
    if (name == "stroke-linecap") {
        const int cap = Keyword(value, {"butt", "round", "square"});
        style.cap = static_cast<SvgShape::Cap>(std::max(cap, 0));
        return cap >= 0;
    }
    if (name == "stroke-linejoin") {
        const int join = Keyword(value, {"miter", "round", "bevel"});
        style.join = static_cast<SvgShape::Join>(std::max(join, 0));
        return join >= 0;
    }
    if (name == "display") {
        style.displayNone = value == "none";
        return true;
    }
    if (name == "visibility") {
        style.visible = value == "visible";
        return value == "visible" || value == "hidden" || value == "collapse";
    }
    if (name == "paint-order") return FillBeforeStroke(value);
    for (const NeutralValue& neutral : kNeutralValues) {
        if (name == neutral.property) return value == neutral.value;
    }
    for (const std::string_view inert : kInertProperties) {
        if (name == inert) return true;
    }
    return name.substr(0, kEditorPropertyPrefix.size()) == kEditorPropertyPrefix;
}

// A style attribute: declarations "name: value" apart by semicolons.
bool SetStyle(std::string_view text, Style& style) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(';'), text.size());
        const std::string_view declaration = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (declaration.empty()) continue;
        const std::size_t colon = declaration.find(':');
        if (colon == std::string_view::npos) return false;
        const std::string_view name = Trim(declaration.substr(0, colon)), value = declaration.substr(colon + 1);
        // Comments, escapes and priorities are style sheet syntax the reader leaves to librsvg.
        if (value.find('!') != std::string_view::npos || declaration.find("/*") != std::string_view::npos ||
            declaration.find('\\') != std::string_view::npos) {
            return false;
        }
        if (!SetProperty(name, value, style)) return false;
    }
    return true;
}

// outer × inner: inner applies first.
SvgMatrix Multiply(const SvgMatrix& m, const SvgMatrix& n) {
    return SvgMatrix{m.a * n.a + m.c * n.b,       m.b * n.a + m.d * n.b,       m.a * n.c + m.c * n.d,
                     m.b * n.c + m.d * n.d,       m.a * n.e + m.c * n.f + m.e, m.b * n.e + m.d * n.f + m.f};
}

// A transform list: matrix, translate, scale, rotate, skewX and skewY, applied right to left.
bool ParseTransform(std::string_view s, SvgMatrix& result) {
    SvgMatrix m;
    std::size_t at = 0;
    SkipSpaces(s, at);
    while (at < s.size()) {
        const std::size_t open = s.find('(', at);
        if (open == std::string_view::npos) return false;
        const std::string_view name = Trim(s.substr(at, open - at));
        at = open + 1;
        double v[6];
        int count = 0;
        SkipSpaces(s, at);
        while (at < s.size() && s[at] != ')') {
            if (count == 6 || !ReadNumber(s, at, v[count++])) return false;
            SkipSeparator(s, at);
        }
        if (at >= s.size()) return false;
        ++at;
        SvgMatrix t;
        if (name == "matrix" && count == 6) {
            t = SvgMatrix{v[0], v[1], v[2], v[3], v[4], v[5]};
        } else if (name == "translate" && (count == 1 || count == 2)) {
            t.e = v[0];
            t.f = count == 2 ? v[1] : 0;
        } else if (name == "scale" && (count == 1 || count == 2)) {
            t.a = v[0];
            t.d = count == 2 ? v[1] : v[0];
        } else if (name == "rotate" && (count == 1 || count == 3)) {
            const double r = v[0] * kPi / 180, cs = std::cos(r), sn = std::sin(r);
            t = SvgMatrix{cs, sn, -sn, cs, 0, 0};
            if (count == 3) {
                t = Multiply(Multiply(SvgMatrix{1, 0, 0, 1, v[1], v[2]}, t), SvgMatrix{1, 0, 0, 1, -v[1], -v[2]});
            }
        } else if (name == "skewX" && count == 1) {
            t.c = std::tan(v[0] * kPi / 180);
        } else if (name == "skewY" && count == 1) {
            t.b = std::tan(v[0] * kPi / 180);
        } else {
            return false;
        }
        m = Multiply(m, t);
        SkipSeparator(s, at);
    }
    result = m;
    return true;
}

// Outlines built into a page's verbs and coords, with their bounds.
class Outline {
public:
    explicit Outline(SvgPage& page) : page_(page) {}

    bool Full() const { return page_.coords.size() > kMaxCoords; }
    void Move(double x, double y) { Add(SvgPage::kMove, {x, y}); }
    void Line(double x, double y) { Add(SvgPage::kLine, {x, y}); }
    void Curve(double x1, double y1, double x2, double y2, double x, double y) {
        Add(SvgPage::kCurve, {x1, y1, x2, y2, x, y});
    }
    void Close() { page_.verbs.push_back(SvgPage::kClose); }

    // Quarter ellipses as cubic curves, from the rightmost point clockwise on the page.
    void Ellipse(double cx, double cy, double rx, double ry) {
        constexpr double k = 0.5522847498307936;   // a quarter circle's control arm
        Move(cx + rx, cy);
        Curve(cx + rx, cy + k * ry, cx + k * rx, cy + ry, cx, cy + ry);
        Curve(cx - k * rx, cy + ry, cx - rx, cy + k * ry, cx - rx, cy);
        Curve(cx - rx, cy - k * ry, cx - k * rx, cy - ry, cx, cy - ry);
        Curve(cx + k * rx, cy - ry, cx + rx, cy - k * ry, cx + rx, cy);
        Close();
    }

    // The elliptical arc from (x0, y0) to (x, y), as cubic curves of at most a quarter turn
    // each (the endpoint to centre conversion of SVG's implementation notes).
    void Arc(double x0, double y0, double rx, double ry, double angle, bool large, bool sweep, double x, double y) {
        if (x0 == x && y0 == y) return;
        rx = std::fabs(rx);
        ry = std::fabs(ry);
        if (rx == 0 || ry == 0) {
            Line(x, y);
            return;
        }
        const double phi = angle * kPi / 180, cs = std::cos(phi), sn = std::sin(phi);
        const double dx = (x0 - x) / 2, dy = (y0 - y) / 2;
        const double x1 = cs * dx + sn * dy, y1 = -sn * dx + cs * dy;
        const double lambda = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
        if (lambda > 1) {
            rx *= std::sqrt(lambda);
            ry *= std::sqrt(lambda);
        }
        const double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
        const double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
        double coef = den > 0 ? std::sqrt(std::max(0.0, num / den)) : 0;
        if (large == sweep) coef = -coef;
        const double cx1 = coef * rx * y1 / ry, cy1 = -coef * ry * x1 / rx;
        const double cx = cs * cx1 - sn * cy1 + (x0 + x) / 2, cy = sn * cx1 + cs * cy1 + (y0 + y) / 2;
        const double start = std::atan2((y1 - cy1) / ry, (x1 - cx1) / rx);
        double delta = std::atan2((-y1 - cy1) / ry, (-x1 - cx1) / rx) - start;
        if (sweep && delta < 0) delta += 2 * kPi;
        if (!sweep && delta > 0) delta -= 2 * kPi;
        if (!std::isfinite(delta) || !std::isfinite(cx) || !std::isfinite(cy)) {
            Line(x, y);
            return;
        }
        const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (kPi / 2) - 1e-9)));
        const double step = delta / pieces, arm = 4.0 / 3.0 * std::tan(step / 4);
        double a = start;
        for (int i = 0; i < pieces; ++i) {
            const double b = a + step;
            const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
            // Points of the unit circle's arc, scaled by the radii and turned by phi.
            const auto px = [&](double u, double v) { return cx + cs * rx * u - sn * ry * v; };
            const auto py = [&](double u, double v) { return cy + sn * rx * u + cs * ry * v; };
            const double u1 = ca - arm * sa, v1 = sa + arm * ca, u2 = cb + arm * sb, v2 = sb - arm * cb;
            if (i == pieces - 1) {
                Curve(px(u1, v1), py(u1, v1), px(u2, v2), py(u2, v2), x, y);
            } else {
                Curve(px(u1, v1), py(u1, v1), px(u2, v2), py(u2, v2), px(cb, sb), py(cb, sb));
            }
            a = b;
        }
    }

private:
    void Add(SvgPage::Verb verb, std::initializer_list<double> points) {
        page_.verbs.push_back(verb);
        page_.coords.insert(page_.coords.end(), points);
    }

    SvgPage& page_;
};

// Path data into the outline, up to its first error.
void ParsePathData(std::string_view s, Outline& out) {
    std::size_t at = 0;
    char command = 0;
    double x = 0, y = 0, startX = 0, startY = 0;     // current point and subpath start
    double controlX = 0, controlY = 0;               // the last curve's second control point
    char previous = 0;                               // the last command drawn, upper case
    bool started = false;
    SkipSpaces(s, at);
    while (at < s.size() && !out.Full()) {
        const char c = s[at];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            command = c;
            ++at;
            SkipSpaces(s, at);
            if (command == 'Z' || command == 'z') {
                if (!started) return;
                out.Close();
                x = startX;
                y = startY;
                previous = 'Z';
                SkipSeparator(s, at);
                // After a close a number needs a command of its own.
                command = 0;
                continue;
            }
        } else if (command == 0) {
            return;
        }
        if (!started && command != 'M' && command != 'm') return;
        const bool relative = command >= 'a';
        const char upper = static_cast<char>(relative ? command - 'a' + 'A' : command);
        const double ox = relative ? x : 0, oy = relative ? y : 0;
        double v[7];
        const auto read = [&](int n) {
            for (int i = 0; i < n; ++i) {
                if (!ReadNumber(s, at, v[i])) return false;
                SkipSeparator(s, at);
            }
            return true;
        };
        const auto readFlag = [&](double& flag) {
            if (at >= s.size() || (s[at] != '0' && s[at] != '1')) return false;
            flag = s[at++] - '0';
            SkipSeparator(s, at);
            return true;
        };
        switch (upper) {
        case 'M':
            if (!read(2)) return;
            x = startX = ox + v[0];
            y = startY = oy + v[1];
            out.Move(x, y);
            started = true;
            command = relative ? 'l' : 'L';   // pairs that follow are lines
            break;
        case 'L':
            if (!read(2)) return;
            x = ox + v[0];
            y = oy + v[1];
            out.Line(x, y);
            break;
        case 'H':
            if (!read(1)) return;
            x = ox + v[0];
            out.Line(x, y);
            break;
        case 'V':
            if (!read(1)) return;
            y = oy + v[0];
            out.Line(x, y);
            break;
        case 'C':
            if (!read(6)) return;
            out.Curve(ox + v[0], oy + v[1], ox + v[2], oy + v[3], ox + v[4], oy + v[5]);
            controlX = ox + v[2];
            controlY = oy + v[3];
            x = ox + v[4];
            y = oy + v[5];
            break;
        case 'S': {
            if (!read(4)) return;
            const bool follows = previous == 'C' || previous == 'S';
            const double x1 = follows ? 2 * x - controlX : x, y1 = follows ? 2 * y - controlY : y;
            out.Curve(x1, y1, ox + v[0], oy + v[1], ox + v[2], oy + v[3]);
            controlX = ox + v[0];
            controlY = oy + v[1];
            x = ox + v[2];
            y = oy + v[3];
            break;
        }
        case 'Q':
        case 'T': {
            double qx, qy;
            if (upper == 'Q') {
                if (!read(4)) return;
                qx = ox + v[0];
                qy = oy + v[1];
                v[0] = v[2];
                v[1] = v[3];
            } else {
                if (!read(2)) return;
                const bool follows = previous == 'Q' || previous == 'T';
                qx = follows ? 2 * x - controlX : x;
                qy = follows ? 2 * y - controlY : y;
            }
            const double ex = ox + v[0], ey = oy + v[1];
            // The quadratic curve as the cubic one it equals.
            out.Curve(x + 2.0 / 3 * (qx - x), y + 2.0 / 3 * (qy - y), ex + 2.0 / 3 * (qx - ex),
                      ey + 2.0 / 3 * (qy - ey), ex, ey);
            controlX = qx;
            controlY = qy;
            x = ex;
            y = ey;
            break;
        }
        case 'A': {
            if (!read(3) || !readFlag(v[3]) || !readFlag(v[4])) return;
            double end[2];
            for (double& e : end) {
                if (!ReadNumber(s, at, e)) return;
                SkipSeparator(s, at);
            }
            const double ex = ox + end[0], ey = oy + end[1];
            out.Arc(x, y, v[0], v[1], v[2], v[3] != 0, v[4] != 0, ex, ey);
            x = ex;
            y = ey;
            break;
        }
        default:
            return;
        }
        previous = upper;
    }
}

// Points "x y x y ...": a last odd number is dropped, as is everything after an error.
void ParsePoints(std::string_view s, Outline& out, bool close) {
    std::size_t at = 0;
    SkipSpaces(s, at);
    bool first = true;
    double x, y;
    while (!out.Full() && ReadNumber(s, at, x)) {
        SkipSeparator(s, at);
        if (!ReadNumber(s, at, y)) break;
        SkipSeparator(s, at);
        if (first) out.Move(x, y);
        else out.Line(x, y);
        first = false;
    }
    if (close && !first) out.Close();
}

// Whether the bytes are text an XML parser takes: UTF-8 without control characters. Pages that
// are not are left to librsvg's parser, which refuses them.
bool PlainText(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return false;
            ++i;
            continue;
        }
        const int more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : -1;
        if (more < 0 || i + more >= s.size()) return false;
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if (next < 0x80 || next > 0xBF) return false;
        }
        i += 1 + more;
    }
    return true;
}

// One attribute of an element as the XML reader found it, entities not allowed.
struct Attribute {
    std::string_view name, value;
};

// The reader over the page's bytes.
class Reader {
public:
    Reader(std::string_view text, SvgPage& page) : text_(text), page_(page) {}

    bool Read(bool sizeOnly) {
        if (!PlainText(text_)) return false;
        if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
        if (!SkipProlog()) return false;
        std::string_view name;
        std::vector<Attribute> attributes;
        bool empty = false;
        if (!ReadStartTag(name, attributes, empty) || name != "svg") return false;
        Style style;
        SvgMatrix transform;
        if (!ReadRoot(attributes, style)) return false;
        if (sizeOnly) return true;
        if (!empty && !ReadChildren("svg", style, transform, 1)) return false;
        // Nothing but comments and processing instructions after the root.
        for (;;) {
            SkipSpaces(text_, at_);
            if (at_ == text_.size()) return true;
            if (!SkipMarkup()) return false;
        }
    }

private:
    bool StartsWith(std::string_view prefix) const { return text_.substr(at_, prefix.size()) == prefix; }

    bool SkipPast(std::string_view end) {
        const std::size_t found = text_.find(end, at_);
        if (found == std::string_view::npos) return false;
        at_ = found + end.size();
        return true;
    }

    // A comment or processing instruction at at_; false for anything else.
    bool SkipMarkup() {
        if (StartsWith("<!--")) return SkipPast("-->");
        if (StartsWith("<?")) return SkipPast("?>");
        return false;
    }

    bool SkipProlog() {
        for (;;) {
            SkipSpaces(text_, at_);
            if (StartsWith("<!DOCTYPE")) {
                // An internal subset may declare entities: left to librsvg.
                const std::size_t end = text_.find('>', at_);
                if (end == std::string_view::npos || text_.substr(at_, end - at_).find('[') != std::string_view::npos) {
                    return false;
                }
                at_ = end + 1;
            } else if (!SkipMarkup()) {
                return StartsWith("<");
            }
        }
    }

    static bool IsNameChar(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == ':' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
    }

    std::string_view ReadName() {
        const std::size_t from = at_;
        while (at_ < text_.size() && IsNameChar(text_[at_])) ++at_;
        return text_.substr(from, at_ - from);
    }

    // "<name attr='value' ...>" or "/>" at at_.
    bool ReadStartTag(std::string_view& name, std::vector<Attribute>& attributes, bool& empty) {
        if (!StartsWith("<")) return false;
        ++at_;
        name = ReadName();
        if (name.empty()) return false;
        attributes.clear();
        for (;;) {
            const std::size_t before = at_;
            SkipSpaces(text_, at_);
            if (StartsWith("/>")) {
                at_ += 2;
                empty = true;
                return true;
            }
            if (StartsWith(">")) {
                ++at_;
                empty = false;
                return true;
            }
            if (at_ == before) return false;   // attributes are apart by whitespace
            const std::string_view attribute = ReadName();
            if (attribute.empty()) return false;
            SkipSpaces(text_, at_);
            if (!StartsWith("=")) return false;
            ++at_;
            SkipSpaces(text_, at_);
            if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\'')) return false;
            const char quote = text_[at_++];
            const std::size_t end = text_.find(quote, at_);
            if (end == std::string_view::npos) return false;
            const std::string_view value = text_.substr(at_, end - at_);
            // Entities and character references are left to librsvg, and '<' is not XML.
            if (value.find('&') != std::string_view::npos || value.find('<') != std::string_view::npos) return false;
            for (const Attribute& seen : attributes) {
                if (seen.name == attribute) return false;
            }
            attributes.push_back(Attribute{attribute, value});
            at_ = end + 1;
        }
    }

    bool ReadRoot(const std::vector<Attribute>& attributes, Style& style) {
        bool svgNamespace = false, hasWidth = false, hasHeight = false, hasViewBox = false;
        std::string_view styleText;
        for (const Attribute& a : attributes) {
            if (a.name == "xmlns") {
                if (a.value != kSvgNamespace) return false;
                svgNamespace = true;
            } else if (a.name.substr(0, 6) == "xmlns:" && a.value == kSvgNamespace) {
                // Editors declare a prefix for SVG itself and seldom use it; elements that do
                // are left to librsvg.
                svgPrefixes_.push_back(a.name.substr(6));
            } else if (a.name == "width") {
                if (!ParseLength(a.value, page_.width)) return false;
                hasWidth = true;
            } else if (a.name == "height") {
                if (!ParseLength(a.value, page_.height)) return false;
                hasHeight = true;
            } else if (a.name == "viewBox") {
                std::size_t at = 0;
                SkipSpaces(a.value, at);
                for (double& v : page_.viewBox) {
                    if (!ReadNumber(a.value, at, v)) return false;
                    SkipSeparator(a.value, at);
                }
                if (at != a.value.size()) return false;
                hasViewBox = true;
            } else if (a.name == "preserveAspectRatio") {
                const std::string_view v = Trim(a.value);
                if (v != "xMidYMid" && v != "xMidYMid meet") return false;
            } else if (a.name == "x" || a.name == "y") {
                // The outermost svg's position means nothing when it is drawn alone.
            } else if (a.name == "style") {
                styleText = a.value;
            } else if (!CommonAttribute(a, style)) {
                return false;
            }
        }
        if (!svgNamespace || hasWidth != hasHeight) return false;
        if (hasViewBox && !(page_.viewBox[2] > 0 && page_.viewBox[3] > 0)) return false;
        if (!hasWidth) {
            if (!hasViewBox) return false;
            page_.width = page_.viewBox[2];
            page_.height = page_.viewBox[3];
        }
        if (!(page_.width > 0 && page_.height > 0 && page_.width <= kMaxPageSide && page_.height <= kMaxPageSide)) {
            return false;
        }
        if (!hasViewBox) {
            page_.viewBox[0] = page_.viewBox[1] = 0;
            page_.viewBox[2] = page_.width;
            page_.viewBox[3] = page_.height;
        }
        if (!styleText.empty() && !SetStyle(styleText, style)) return false;
        return !style.displayNone && style.opacity == 1;
    }

    // An attribute any element may have: a property, inert or foreign. False for one that would
    // change the drawing in a way the reader does not follow.
    bool CommonAttribute(const Attribute& a, Style& style) {
        if (a.name.find(':') != std::string_view::npos) {
            // Another vocabulary's (an editor's notes), except a prefix bound to SVG's own.
            return !(a.name.substr(0, 6) == "xmlns:" && a.value == kSvgNamespace);
        }
        if (a.name == "xmlns") return a.value == kSvgNamespace;
        if (a.name.substr(0, 5) == "data-" || a.name.substr(0, 5) == "aria-" || a.name.substr(0, 2) == "on") {
            return true;
        }
        for (const std::string_view inert : kInertAttributes) {
            if (a.name == inert) return true;
        }
        return SetProperty(a.name, a.value, style);
    }

    // Whether the element's name has a prefix that stands for SVG's own vocabulary.
    bool SvgPrefixed(std::string_view name) const {
        const std::size_t colon = name.find(':');
        if (colon == std::string_view::npos) return false;
        const std::string_view prefix = name.substr(0, colon);
        return prefix == "svg" || std::find(svgPrefixes_.begin(), svgPrefixes_.end(), prefix) != svgPrefixes_.end();
    }

    // The end tag of `name` at at_.
    bool ReadEndTag(std::string_view name) {
        at_ += 2;
        if (ReadName() != name) return false;
        SkipSpaces(text_, at_);
        if (!StartsWith(">")) return false;
        ++at_;
        return true;
    }

    enum class Next { kChild, kEnd, kError };

    // Moves past text and comments (and character data, where `characterData`) to the next
    // child of `name`, reading its start tag, or past the end tag of `name` (kEnd).
    Next NextChild(std::string_view name, bool characterData, std::string_view& child,
                   std::vector<Attribute>& attributes, bool& empty) {
        for (;;) {
            // Text between elements draws nothing outside text elements.
            const std::size_t tag = text_.find('<', at_);
            if (tag == std::string_view::npos) return Next::kError;
            at_ = tag;
            if (StartsWith("</")) return ReadEndTag(name) ? Next::kEnd : Next::kError;
            if (characterData && StartsWith("<![CDATA[")) {
                if (!SkipPast("]]>")) return Next::kError;
                continue;
            }
            if (StartsWith("<!--") || StartsWith("<?")) {
                if (!SkipMarkup()) return Next::kError;
                continue;
            }
            return ReadStartTag(child, attributes, empty) ? Next::kChild : Next::kError;
        }
    }

    // Skips everything up to the end of an element whose start tag has been read: definitions,
    // metadata, an editor's own elements. A style sheet inside them still applies to the page,
    // so one there leaves the page to librsvg.
    bool SkipElement(std::string_view name, int depth) {
        std::string_view childName;
        std::vector<Attribute> attributes;
        bool empty = false;
        for (;;) {
            const Next next = NextChild(name, true, childName, attributes, empty);
            if (next != Next::kChild) return next == Next::kEnd;
            if (childName == "style" || SvgPrefixed(childName)) return false;
            if (!empty && (depth >= kMaxDepth || !SkipElement(childName, depth + 1))) return false;
        }
    }

    // The children of `name` up to its end tag.
    bool ReadChildren(std::string_view name, const Style& parent, const SvgMatrix& transform, int depth) {
        std::string_view childName;
        std::vector<Attribute> attributes;
        bool empty = false;
        for (;;) {
            const Next next = NextChild(name, false, childName, attributes, empty);
            if (next != Next::kChild) return next == Next::kEnd;
            if (depth >= kMaxDepth) return false;
            if (!ReadElement(childName, attributes, empty, parent, transform, depth + 1)) return false;
        }
    }

    bool ReadElement(std::string_view name, const std::vector<Attribute>& attributes, bool empty,
                     const Style& parent, const SvgMatrix& parentTransform, int depth) {
        const bool skipped = name == "title" || name == "desc" || name == "metadata" || name == "defs" ||
                             (name.find(':') != std::string_view::npos && !SvgPrefixed(name));
        if (skipped) {
            // Unless it puts SVG's own elements under another name.
            for (const Attribute& a : attributes) {
                if (a.name.substr(0, 5) == "xmlns" && a.value == kSvgNamespace && name.find(':') != std::string_view::npos) {
                    return false;
                }
            }
            return empty || SkipElement(name, depth);
        }
        const bool group = name == "g";
        if (!group && name != "path" && name != "rect" && name != "circle" && name != "ellipse" &&
            name != "line" && name != "polyline" && name != "polygon") {
            return false;
        }
        Style style = parent;
        style.opacity = 1;
        style.displayNone = false;
        SvgMatrix transform = parentTransform;
        std::string_view styleText;
        Geometry geometry;
        for (const Attribute& a : attributes) {
            if (a.name == "transform") {
                SvgMatrix own;
                if (!ParseTransform(a.value, own)) return false;
                transform = Multiply(parentTransform, own);
            } else if (a.name == "style") {
                styleText = a.value;
            } else if (!group && geometry.Take(name, a)) {
                if (!geometry.valid) return false;
            } else if (!CommonAttribute(a, style)) {
                return false;
            }
        }
        if (!styleText.empty() && !SetStyle(styleText, style)) return false;
        if (++elements_ > kMaxItems) return false;
        if (style.displayNone) return empty || SkipElement(name, depth);
        if (group) {
            const bool layer = style.opacity < 1;
            if (layer) page_.items.push_back(SvgItem{SvgItem::kGroupStart, 1, 0});
            if (!empty && !ReadChildren(name, style, transform, depth)) return false;
            if (layer) page_.items.push_back(SvgItem{SvgItem::kGroupEnd, style.opacity, 0});
            return true;
        }
        // A shape's children (titles, animation) draw nothing here.
        if (!empty && !SkipElement(name, depth)) return false;
        return AddShape(name, geometry, style, transform);
    }

    // A shape's own attributes, as read.
    struct Geometry {
        std::string_view d, points;
        double x = 0, y = 0, width = 0, height = 0, rx = -1, ry = -1, cx = 0, cy = 0, r = 0;
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        bool hasRx = false, hasRy = false, valid = true;

        // Takes the attribute where it belongs to the shape; valid turns false for a value it
        // cannot read.
        bool Take(std::string_view shape, const Attribute& a) {
            struct Field {
                std::string_view shape, name;
                double Geometry::*value;
            };
            static constexpr Field kFields[] = {
                {"rect", "x", &Geometry::x},          {"rect", "y", &Geometry::y},
                {"rect", "width", &Geometry::width},  {"rect", "height", &Geometry::height},
                {"rect", "rx", &Geometry::rx},        {"rect", "ry", &Geometry::ry},
                {"circle", "cx", &Geometry::cx},      {"circle", "cy", &Geometry::cy},
                {"circle", "r", &Geometry::r},        {"ellipse", "cx", &Geometry::cx},
                {"ellipse", "cy", &Geometry::cy},     {"ellipse", "rx", &Geometry::rx},
                {"ellipse", "ry", &Geometry::ry},     {"line", "x1", &Geometry::x1},
                {"line", "y1", &Geometry::y1},        {"line", "x2", &Geometry::x2},
                {"line", "y2", &Geometry::y2},
            };
            if (shape == "path" && a.name == "d") {
                d = a.value;
                return true;
            }
            if ((shape == "polyline" || shape == "polygon") && a.name == "points") {
                points = a.value;
                return true;
            }
            for (const Field& field : kFields) {
                if (shape == field.shape && a.name == field.name) {
                    valid = ParseLength(a.value, this->*field.value);
                    if (a.name == "rx") hasRx = true;
                    if (a.name == "ry") hasRy = true;
                    return true;
                }
            }
            return false;
        }
    };

    bool AddShape(std::string_view name, Geometry& g, const Style& style, const SvgMatrix& transform) {
        const std::size_t firstVerb = page_.verbs.size(), firstCoord = page_.coords.size();
        Outline out(page_);
        if (name == "path") {
            ParsePathData(g.d, out);
        } else if (name == "rect") {
            if (g.hasRx && g.rx < 0) return false;
            if (g.hasRy && g.ry < 0) return false;
            if (g.width > 0 && g.height > 0) {
                double rx = g.hasRx ? g.rx : g.hasRy ? g.ry : 0, ry = g.hasRy ? g.ry : rx;
                rx = std::min(rx, g.width / 2);
                ry = std::min(ry, g.height / 2);
                const double x = g.x, y = g.y, w = g.width, h = g.height;
                if (rx > 0 && ry > 0) {
                    constexpr double k = 0.5522847498307936;
                    out.Move(x + rx, y);
                    out.Line(x + w - rx, y);
                    out.Curve(x + w - rx + k * rx, y, x + w, y + ry - k * ry, x + w, y + ry);
                    out.Line(x + w, y + h - ry);
                    out.Curve(x + w, y + h - ry + k * ry, x + w - rx + k * rx, y + h, x + w - rx, y + h);
                    out.Line(x + rx, y + h);
                    out.Curve(x + rx - k * rx, y + h, x, y + h - ry + k * ry, x, y + h - ry);
                    out.Line(x, y + ry);
                    out.Curve(x, y + ry - k * ry, x + rx - k * rx, y, x + rx, y);
                } else {
                    out.Move(x, y);
                    out.Line(x + w, y);
                    out.Line(x + w, y + h);
                    out.Line(x, y + h);
                }
                out.Close();
            }
        } else if (name == "circle") {
            if (g.r > 0) out.Ellipse(g.cx, g.cy, g.r, g.r);
        } else if (name == "ellipse") {
            // Radii that are missing are "auto" in newer SVG: left to librsvg.
            if (!g.hasRx || !g.hasRy) return false;
            if (g.rx > 0 && g.ry > 0) out.Ellipse(g.cx, g.cy, g.rx, g.ry);
        } else if (name == "line") {
            out.Move(g.x1, g.y1);
            out.Line(g.x2, g.y2);
        } else {
            ParsePoints(g.points, out, name == "polygon");
        }
        if (out.Full()) return false;
        if (page_.verbs.size() == firstVerb || !style.visible) return true;
        SvgShape shape{};
        shape.firstVerb = static_cast<std::uint32_t>(firstVerb);
        shape.verbCount = static_cast<std::uint32_t>(page_.verbs.size() - firstVerb);
        shape.firstCoord = static_cast<std::uint32_t>(firstCoord);
        shape.transform = transform;
        shape.filled = !style.fillNone && style.fillOpacity > 0;
        shape.stroked = !style.strokeNone && style.strokeOpacity > 0 && style.strokeWidth > 0;
        if (!shape.filled && !shape.stroked) return true;
        const double* fill = style.fillCurrent ? style.colour : style.fill;
        const double* stroke = style.strokeCurrent ? style.colour : style.stroke;
        const bool layer = style.opacity < 1 && shape.filled && shape.stroked;
        const double alpha = layer ? 1 : style.opacity;
        for (int i = 0; i < 3; ++i) {
            shape.fill[i] = fill[i];
            shape.stroke[i] = stroke[i];
        }
        shape.fill[3] = style.fillOpacity * alpha;
        shape.stroke[3] = style.strokeOpacity * alpha;
        shape.evenOdd = style.evenOdd;
        shape.strokeWidth = style.strokeWidth;
        shape.miterLimit = style.miterLimit;
        shape.cap = style.cap;
        shape.join = style.join;
        shape.minX = shape.minY = HUGE_VAL;
        shape.maxX = shape.maxY = -HUGE_VAL;
        for (std::size_t i = firstCoord; i < page_.coords.size(); i += 2) {
            // Arithmetic on huge numbers (an arc's radii) can overflow: left to librsvg.
            if (!std::isfinite(page_.coords[i]) || !std::isfinite(page_.coords[i + 1])) return false;
            shape.minX = std::min(shape.minX, page_.coords[i]);
            shape.maxX = std::max(shape.maxX, page_.coords[i]);
            shape.minY = std::min(shape.minY, page_.coords[i + 1]);
            shape.maxY = std::max(shape.maxY, page_.coords[i + 1]);
        }
        if (layer) page_.items.push_back(SvgItem{SvgItem::kGroupStart, 1, 0});
        page_.items.push_back(SvgItem{SvgItem::kShape, 1, static_cast<std::uint32_t>(page_.shapes.size())});
        if (layer) page_.items.push_back(SvgItem{SvgItem::kGroupEnd, style.opacity, 0});
        page_.shapes.push_back(shape);
        return page_.items.size() <= kMaxItems;
    }

    std::string_view text_;
    SvgPage& page_;
    std::size_t at_ = 0;
    std::size_t elements_ = 0;
    std::vector<std::string_view> svgPrefixes_;   // declared on the root for SVG's namespace
};

// The page's user units to the pixels of a width × height drawing: the viewBox centred in it at
// the largest scale that shows all of it.
SvgMatrix PageToDrawing(const SvgPage& page, std::int32_t width, std::int32_t height) {
    const double scale = std::min(width / page.viewBox[2], height / page.viewBox[3]);
    return SvgMatrix{scale, 0, 0, scale, (width - page.viewBox[2] * scale) / 2 - page.viewBox[0] * scale,
                     (height - page.viewBox[3] * scale) / 2 - page.viewBox[1] * scale};
}

// A shape's extent in drawn pixels, its stroke included; false for a transform that draws
// nothing.
struct Extent {
    double minX, minY, maxX, maxY;
};
bool ShapeExtent(const SvgShape& shape, const SvgMatrix& m, Extent& extent, double& lineWidth) {
    const double det = m.a * m.d - m.b * m.c;
    if (!(std::fabs(det) > kMinDeterminant) || !std::isfinite(det)) return false;
    const double scale = std::sqrt(std::fabs(det));
    // At least a drawn pixel wide.
    lineWidth = shape.stroked ? std::max(shape.strokeWidth, 1 / scale) : 0;
    extent = Extent{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (const double x : {shape.minX, shape.maxX}) {
        for (const double y : {shape.minY, shape.maxY}) {
            const double dx = m.a * x + m.c * y + m.e, dy = m.b * x + m.d * y + m.f;
            extent = Extent{std::min(extent.minX, dx), std::min(extent.minY, dy), std::max(extent.maxX, dx),
                            std::max(extent.maxY, dy)};
        }
    }
    // A stroke reaches half its width out, a miter join further, under the transform's longest
    // stretch; a square cap a diagonal.
    const double stretch = std::sqrt(m.a * m.a + m.b * m.b + m.c * m.c + m.d * m.d);
    const double reach = lineWidth / 2 * std::max({shape.join == SvgShape::kMiterJoin ? shape.miterLimit : 1.0, std::sqrt(2.0)}) * stretch + 2;
    extent.minX -= reach;
    extent.minY -= reach;
    extent.maxX += reach;
    extent.maxY += reach;
    return true;
}

}  // namespace

bool ReadSvgPage(const std::uint8_t* data, std::size_t size, SvgPage& page) {
    page = SvgPage{};
    Reader reader(std::string_view(reinterpret_cast<const char*>(data), size), page);
    return reader.Read(false);
}

bool ReadSvgPageSize(const std::uint8_t* data, std::size_t size, double& width, double& height) {
    SvgPage page;
    Reader reader(std::string_view(reinterpret_cast<const char*>(data), size), page);
    if (!reader.Read(true)) return false;
    width = page.width;
    height = page.height;
    return true;
}

bool SvgPageDrawable(const SvgPage& page, std::int32_t width, std::int32_t height) {
    const SvgMatrix root = PageToDrawing(page, width, height);
    for (const SvgShape& shape : page.shapes) {
        Extent e;
        double lineWidth;
        if (!ShapeExtent(shape, Multiply(root, shape.transform), e, lineWidth)) continue;
        if (!(std::fabs(e.minX) < kMaxDeviceCoord && std::fabs(e.maxX) < kMaxDeviceCoord &&
              std::fabs(e.minY) < kMaxDeviceCoord && std::fabs(e.maxY) < kMaxDeviceCoord)) {
            return false;
        }
    }
    return true;
}

namespace {

// Strokes no wider than a drawn pixel, drawn without anti-aliasing, as cairo would draw them one
// pixel wide but without its stroker, which costs most of the drawing of a page of thin lines:
// the outline flattened and each piece drawn a pixel a column (or row), its end pixels
// included, so that the pixels of a line always touch at least at a corner and a fill that
// moves only across edges cannot pass it.
class Hairline {
public:
    Hairline(std::uint32_t* pixels, std::int32_t stride, std::int32_t width, std::int32_t height,
             const double colour[4])
        : pixels_(pixels), stride_(stride), width_(width), height_(height), alpha_(colour[3]) {
        for (int i = 0; i < 3; ++i) colour_[i] = colour[i] * 255;
        solid_ = 0xff000000u | static_cast<std::uint32_t>(std::lround(colour_[0])) << 16 |
                 static_cast<std::uint32_t>(std::lround(colour_[1])) << 8 |
                 static_cast<std::uint32_t>(std::lround(colour_[2]));
    }

    void Line(double x0, double y0, double x1, double y1) {
        const double dx = x1 - x0, dy = y1 - y0;
        if (std::fabs(dx) >= std::fabs(dy)) {
            Run(x0, y0, x1, y1, false);
        } else {
            Run(y0, x0, y1, x1, true);
        }
    }

    // A cubic curve in pieces close enough to it: the flatness of a cubic bounds the distance.
    void Curve(double x0, double y0, double x1, double y1, double x2, double y2, double x3, double y3) {
        const double ddx = std::max(std::fabs(x0 - 2 * x1 + x2), std::fabs(x1 - 2 * x2 + x3));
        const double ddy = std::max(std::fabs(y0 - 2 * y1 + y2), std::fabs(y1 - 2 * y2 + y3));
        const double spread = std::sqrt(ddx * ddx + ddy * ddy);
        const int pieces = std::clamp(static_cast<int>(std::ceil(std::sqrt(0.75 * spread / kTolerance))), 1, kMaxPieces);
        double px = x0, py = y0;
        for (int i = 1; i <= pieces; ++i) {
            const double t = static_cast<double>(i) / pieces, u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            const double x = a * x0 + b * x1 + c * x2 + d * x3, y = a * y0 + b * y1 + c * y2 + d * y3;
            Line(px, py, x, y);
            px = x;
            py = y;
        }
    }

private:
    static constexpr int kMaxPieces = 256;

    // Along the major axis from a to b, one pixel a step; `swapped`: the major axis is y.
    void Run(double a0, double b0, double a1, double b1, bool swapped) {
        if (a1 < a0) {
            std::swap(a0, a1);
            std::swap(b0, b1);
        }
        const double slope = a1 > a0 ? (b1 - b0) / (a1 - a0) : 0;
        const std::int32_t limit = swapped ? height_ : width_;
        const double from = std::max(std::floor(a0), 0.0), to = std::min(std::floor(a1), limit - 1.0);
        for (double i = from; i <= to; ++i) {
            const double along = std::clamp(i + 0.5, a0, a1);
            const double b = std::floor(b0 + (along - a0) * slope);
            if (swapped) Plot(b, i);
            else Plot(i, b);
        }
    }

    void Plot(double x, double y) {
        if (!(x >= 0 && x < width_ && y >= 0 && y < height_)) return;
        std::uint32_t& p = pixels_[static_cast<std::ptrdiff_t>(y) * stride_ + static_cast<std::ptrdiff_t>(x)];
        if (alpha_ >= 1) {
            p = solid_;
            return;
        }
        std::uint32_t blended = 0xff000000u;
        for (int i = 0; i < 3; ++i) {
            const int shift = 16 - 8 * i;
            const double under = (p >> shift) & 0xff;
            blended |= static_cast<std::uint32_t>(std::lround(under + (colour_[i] - under) * alpha_)) << shift;
        }
        p = blended;
    }

    std::uint32_t* pixels_;
    std::int32_t stride_, width_, height_;   // stride in pixels
    double alpha_;
    double colour_[3];                       // 0 to 255
    std::uint32_t solid_;
};

// Sends the shape's outline, transformed by m, to a cairo path or a hairline.
void TraceOutline(const SvgPage& page, const SvgShape& shape, cairo_t* cr) {
    cairo_new_path(cr);
    const double* p = page.coords.data() + shape.firstCoord;
    const std::uint8_t* verb = page.verbs.data() + shape.firstVerb;
    for (const std::uint8_t* end = verb + shape.verbCount; verb != end; ++verb) {
        switch (*verb) {
        case SvgPage::kMove:
            cairo_move_to(cr, p[0], p[1]);
            p += 2;
            break;
        case SvgPage::kLine:
            cairo_line_to(cr, p[0], p[1]);
            p += 2;
            break;
        case SvgPage::kCurve:
            cairo_curve_to(cr, p[0], p[1], p[2], p[3], p[4], p[5]);
            p += 6;
            break;
        default:
            cairo_close_path(cr);
            break;
        }
    }
}

void TraceOutline(const SvgPage& page, const SvgShape& shape, const SvgMatrix& m, Hairline& line) {
    const double* p = page.coords.data() + shape.firstCoord;
    const std::uint8_t* verb = page.verbs.data() + shape.firstVerb;
    const auto x = [&m](const double* q) { return m.a * q[0] + m.c * q[1] + m.e; };
    const auto y = [&m](const double* q) { return m.b * q[0] + m.d * q[1] + m.f; };
    double cx = 0, cy = 0, sx = 0, sy = 0;   // current point and subpath start, drawn pixels
    for (const std::uint8_t* end = verb + shape.verbCount; verb != end; ++verb) {
        switch (*verb) {
        case SvgPage::kMove:
            sx = cx = x(p);
            sy = cy = y(p);
            p += 2;
            break;
        case SvgPage::kLine:
            line.Line(cx, cy, x(p), y(p));
            cx = x(p);
            cy = y(p);
            p += 2;
            break;
        case SvgPage::kCurve:
            line.Curve(cx, cy, x(p), y(p), x(p + 2), y(p + 2), x(p + 4), y(p + 4));
            cx = x(p + 4);
            cy = y(p + 4);
            p += 6;
            break;
        default:
            line.Line(cx, cy, sx, sy);
            cx = sx;
            cy = sy;
            break;
        }
    }
}

}  // namespace

bool DrawSvgPage(const SvgPage& page, cairo_t* cr, std::int32_t width, std::int32_t height,
                 std::int32_t top, bool crisp) {
    const SvgMatrix root = PageToDrawing(page, width, height);
    cairo_surface_t* target = cairo_get_target(cr);
    const std::int32_t bandHeight = cairo_image_surface_get_height(target);
    const double bandTop = top, bandBottom = top + bandHeight;
    cairo_set_antialias(cr, crisp ? CAIRO_ANTIALIAS_NONE : CAIRO_ANTIALIAS_DEFAULT);
    cairo_set_tolerance(cr, kTolerance);
    int groups = 0;           // open groups: hairlines are drawn only straight onto the target
    bool written = false;     // hairline pixels cairo has not been told of
    for (const SvgItem& item : page.items) {
        if (item.kind != SvgItem::kShape && written) {
            cairo_surface_mark_dirty(target);
            written = false;
        }
        if (item.kind == SvgItem::kGroupStart) {
            cairo_identity_matrix(cr);
            cairo_push_group(cr);
            ++groups;
            continue;
        }
        if (item.kind == SvgItem::kGroupEnd) {
            cairo_identity_matrix(cr);
            cairo_pop_group_to_source(cr);
            cairo_paint_with_alpha(cr, item.opacity);
            --groups;
            continue;
        }
        const SvgShape& shape = page.shapes[item.shape];
        const SvgMatrix m = Multiply(root, shape.transform);
        Extent e;
        double lineWidth;
        if (!ShapeExtent(shape, m, e, lineWidth) || e.maxY < bandTop || e.minY > bandBottom) continue;
        const bool hairline = shape.stroked && crisp && groups == 0 &&
                              lineWidth * std::sqrt(std::fabs(m.a * m.d - m.b * m.c)) <= 1 + 1e-9;
        if (shape.filled || !hairline) {
            if (written) {
                cairo_surface_mark_dirty(target);
                written = false;
            }
            const cairo_matrix_t matrix{m.a, m.b, m.c, m.d, m.e, m.f - top};
            cairo_set_matrix(cr, &matrix);
            TraceOutline(page, shape, cr);
        }
        if (shape.filled) {
            cairo_set_source_rgba(cr, shape.fill[0], shape.fill[1], shape.fill[2], shape.fill[3]);
            cairo_set_fill_rule(cr, shape.evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
            if (shape.stroked && !hairline) cairo_fill_preserve(cr);
            else cairo_fill(cr);
        }
        if (hairline) {
            if (!written) cairo_surface_flush(target);
            written = true;
            Hairline line(reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(target)),
                          cairo_image_surface_get_stride(target) / 4, cairo_image_surface_get_width(target),
                          bandHeight, shape.stroke);
            SvgMatrix band = m;
            band.f -= top;
            TraceOutline(page, shape, band, line);
        } else if (shape.stroked) {
            cairo_set_source_rgba(cr, shape.stroke[0], shape.stroke[1], shape.stroke[2], shape.stroke[3]);
            cairo_set_line_width(cr, lineWidth);
            static constexpr cairo_line_cap_t kCaps[] = {CAIRO_LINE_CAP_BUTT, CAIRO_LINE_CAP_ROUND, CAIRO_LINE_CAP_SQUARE};
            static constexpr cairo_line_join_t kJoins[] = {CAIRO_LINE_JOIN_MITER, CAIRO_LINE_JOIN_ROUND, CAIRO_LINE_JOIN_BEVEL};
            cairo_set_line_cap(cr, kCaps[shape.cap]);
            cairo_set_line_join(cr, kJoins[shape.join]);
            cairo_set_miter_limit(cr, shape.miterLimit);
            cairo_stroke(cr);
        }
    }
    if (written) cairo_surface_mark_dirty(target);
    return cairo_status(cr) == CAIRO_STATUS_SUCCESS;
}

}  // namespace kolo
