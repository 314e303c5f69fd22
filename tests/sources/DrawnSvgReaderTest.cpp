// SVG pages drawn by the host's renderer from a ticket: the size and manner the host is asked
// to draw in, the fit handed back, and tickets or drawers that fail.
#include <gtest/gtest.h>

#include <cstring>

#include "sources/DrawnSvgReader.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

// Records the request and draws white paper crossed by a black row one pixel high.
std::int32_t g_drawn[3];   // width, height, crisp
int RecordingDrawer(std::uint32_t page, std::int32_t width, std::int32_t height, bool crisp, std::uint8_t* pixels,
                    std::size_t stride) {
    g_drawn[0] = width, g_drawn[1] = height, g_drawn[2] = crisp;
    for (std::int32_t y = 0; y < height; ++y) std::memset(pixels + y * stride, y == height / 2 ? 0 : 255, width * 3);
    return page == 7 ? 1 : 0;   // the only page it holds
}

// Pages up to 1.4 times their fit are drawn anti-aliased at the fit; larger ones larger, and
// without anti-aliasing from two drawn pixels a fitted one, within sixteen canvases; the line
// drawn survives the shrink as a dark row.
TEST(DrawnSvgReader, DrawsAtTheSizeThinLinesNeedAndHandsBackTheFit) {
    struct Case {
        std::uint32_t width, height;   // the page's own size
        std::int32_t fit[2], fitted[2], drawn[3];
    };
    const Case cases[] = {
        {420, 600, {572, 452}, {316, 452}, {316, 452, false}},             // the portrait sample
        {800, 632, {572, 452}, {572, 452}, {572, 452, false}},             // 1.4 times its fit
        {1716, 1356, {1144, 904}, {1144, 904}, {1716, 1356, false}},       // 1.5: larger, anti-aliased
        {2288, 1808, {1144, 904}, {1144, 904}, {2288, 1808, true}},
        {4004, 3164, {572, 452}, {572, 452}, {2288, 1808, true}},          // four times at the most
        {4004, 3164, {2288, 1808}, {2288, 1808}, {2288, 1808, false}},     // sixteen canvases already
    };
    SetSvgDrawer(RecordingDrawer);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " wide into " << c.fit[0]);
        const std::vector<std::uint8_t> ticket = MakeSvgTicket(7, c.width, c.height);
        CDibImage image;
        ASSERT_EQ(LoadDrawnSvgBytesToFit(image, ticket.data(), ticket.size(), c.fit[0], c.fit[1]), 1);
        EXPECT_EQ(std::vector<std::int32_t>(g_drawn, g_drawn + 3), std::vector<std::int32_t>(c.drawn, c.drawn + 3));
        EXPECT_EQ(std::vector<std::int32_t>({image.Width(), image.Height()}), std::vector<std::int32_t>(c.fitted, c.fitted + 2));
        const std::int32_t middle = image.Height() / 2;
        EXPECT_LE(std::min({test::PixelAt(image, 5, middle - 1).red, test::PixelAt(image, 5, middle).red,
                            test::PixelAt(image, 5, middle + 1).red}), kLineLevel);
        const DecodeCost cost = DrawnSvgDecodeCost(ticket.data(), ticket.size(), c.fit[0], c.fit[1]);
        EXPECT_EQ(std::vector<std::int32_t>({cost.width, cost.height}), std::vector<std::int32_t>(c.fitted, c.fitted + 2));
        EXPECT_GE(cost.peakBytes, PictureBytes(c.drawn[0], c.drawn[1]));
    }
    SetSvgDrawer(nullptr);
}

// No ticket, a size out of range, a page the drawer no longer holds, or (last) no drawer: a
// failed picture, with nothing left of the image before.
TEST(DrawnSvgReader, RefusesWhatItCannotDraw) {
    std::vector<std::uint8_t> badMagic = MakeSvgTicket(7, 572, 452), longer = badMagic;
    badMagic[0] = '<';
    longer.push_back(0);
    const std::vector<std::uint8_t> tickets[] = {badMagic, longer, {}, MakeSvgTicket(7, 0, 452), MakeSvgTicket(7, 16385, 452),
                                                 MakeSvgTicket(7, 0xFFFFFFFFu, 0xFFFFFFFFu), MakeSvgTicket(8, 572, 452),
                                                 MakeSvgTicket(7, 572, 452)};
    for (const auto& ticket : tickets) {
        SetSvgDrawer(&ticket == std::end(tickets) - 1 ? nullptr : RecordingDrawer);
        CDibImage image;
        ASSERT_EQ(image.Allocate(2, 2), 1);
        EXPECT_EQ(LoadDrawnSvgBytesToFit(image, ticket.data(), ticket.size(), 572, 452), 0);
        EXPECT_FALSE(image.HasPicture());
    }
    EXPECT_TRUE(DrawnSvgDecodeCost(badMagic.data(), badMagic.size(), 572, 452).Refused());
}

}  // namespace
}  // namespace kolo
