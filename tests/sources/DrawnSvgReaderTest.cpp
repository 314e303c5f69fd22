// SVG pages drawn by the host's renderer from a ticket: the size the host is asked to draw,
// whether without anti-aliasing, the fit handed back, and tickets or drawers that fail.
#include <gtest/gtest.h>

#include <cstring>

#include "sources/DrawnSvgReader.h"
#include "sources/PictureFile.h"
#include "tests/support/TestImages.h"

namespace kolo {
namespace {

// A drawer that records what it was asked for and draws white paper with a black line one
// pixel high across the middle row.
struct DrawRequest {
    std::uint32_t page = 0;
    std::int32_t width = 0, height = 0;
    bool crisp = false;
};
DrawRequest g_request;
bool g_drawerFails = false;

int RecordingDrawer(std::uint32_t page, std::int32_t width, std::int32_t height, bool crisp,
                    std::uint8_t* pixels, std::size_t stride) {
    g_request = DrawRequest{page, width, height, crisp};
    if (g_drawerFails) return 0;
    for (std::int32_t y = 0; y < height; ++y) {
        std::memset(pixels + y * stride, y == height / 2 ? 0 : 255, static_cast<std::size_t>(width) * 3);
    }
    return 1;
}

class DrawnSvgReader : public ::testing::Test {
protected:
    void SetUp() override {
        SetSvgDrawer(RecordingDrawer);
        g_drawerFails = false;
        g_request = {};
    }
    void TearDown() override { SetSvgDrawer(nullptr); }
};

int Load(CDibImage& image, const std::vector<std::uint8_t>& ticket, std::int32_t fitWidth, std::int32_t fitHeight) {
    return LoadDrawnSvgBytesToFit(image, ticket.data(), ticket.size(), fitWidth, fitHeight);
}

// Pages up to 1.4 times their fit are drawn anti-aliased at the fit; larger ones larger, and
// without anti-aliasing from two drawn pixels a fitted one, within sixteen canvases.
TEST_F(DrawnSvgReader, DrawsAtTheSizeThinLinesNeedAndHandsBackTheFit) {
    struct Case {
        std::uint32_t width, height;    // the page's own size
        std::int32_t fitWidth, fitHeight;
        std::int32_t fittedWidth, fittedHeight, drawnWidth, drawnHeight;
        bool crisp;
    };
    const Case cases[] = {
        {572, 452, 572, 452, 572, 452, 572, 452, false},
        {420, 600, 572, 452, 316, 452, 316, 452, false},          // the portrait sample
        {800, 632, 572, 452, 572, 452, 572, 452, false},          // 1.4 times its fit
        {1716, 1356, 1144, 904, 1144, 904, 1716, 1356, false},    // 1.5: drawn larger, anti-aliased
        {2288, 1808, 572, 452, 572, 452, 2288, 1808, true},
        {2288, 1808, 1144, 904, 1144, 904, 2288, 1808, true},
        {4004, 3164, 572, 452, 572, 452, 2288, 1808, true},       // at most four times the fit
        {4004, 3164, 2288, 1808, 2288, 1808, 2288, 1808, false},  // sixteen canvases already
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " into " << c.fitWidth);
        CDibImage image;
        ASSERT_EQ(Load(image, MakeSvgTicket(7, c.width, c.height), c.fitWidth, c.fitHeight), 1);
        EXPECT_EQ(g_request.page, 7u);
        EXPECT_EQ(g_request.width, c.drawnWidth);
        EXPECT_EQ(g_request.height, c.drawnHeight);
        EXPECT_EQ(g_request.crisp, c.crisp);
        EXPECT_EQ(image.Width(), c.fittedWidth);
        EXPECT_EQ(image.Height(), c.fittedHeight);
        // The drawn line survives the shrink as a dark row, wherever it fell.
        const std::int32_t middle = image.Height() / 2;
        int darkest = 255;
        for (std::int32_t y = middle - 1; y <= middle + 1; ++y) darkest = std::min<int>(darkest, test::PixelAt(image, 5, y).red);
        EXPECT_LE(darkest, kLineLevel);
        const auto ticket = MakeSvgTicket(7, c.width, c.height);
        const DecodeCost cost = DrawnSvgDecodeCost(ticket.data(), ticket.size(), c.fitWidth, c.fitHeight);
        EXPECT_EQ(cost.width, c.fittedWidth);
        EXPECT_EQ(cost.height, c.fittedHeight);
        EXPECT_GE(cost.peakBytes, PictureBytes(c.drawnWidth, c.drawnHeight));
    }
}

// What is no ticket, or names a page that cannot be drawn, is a failed picture.
TEST_F(DrawnSvgReader, RefusesWhatItCannotDraw) {
    std::vector<std::uint8_t> badMagic = MakeSvgTicket(1, 572, 452);
    badMagic[0] = '<';
    std::vector<std::uint8_t> longer = MakeSvgTicket(1, 572, 452);
    longer.push_back(0);
    const std::vector<std::uint8_t> tickets[] = {
        badMagic, longer, {}, MakeSvgTicket(1, 0, 452), MakeSvgTicket(1, 572, 0),
        MakeSvgTicket(1, 16385, 452), MakeSvgTicket(1, 0xFFFFFFFFu, 0xFFFFFFFFu),
    };
    for (const auto& ticket : tickets) {
        CDibImage image;
        EXPECT_EQ(Load(image, ticket, 572, 452), 0);
        EXPECT_FALSE(image.HasPicture());
        EXPECT_TRUE(DrawnSvgDecodeCost(ticket.data(), ticket.size(), 572, 452).Refused());
    }
    CDibImage image;
    ASSERT_EQ(image.Allocate(2, 2), 1);   // a failure leaves nothing of the image before
    g_drawerFails = true;
    EXPECT_EQ(Load(image, MakeSvgTicket(1, 572, 452), 572, 452), 0);
    EXPECT_FALSE(image.HasPicture());
    g_drawerFails = false;
    SetSvgDrawer(nullptr);
    EXPECT_EQ(Load(image, MakeSvgTicket(1, 572, 452), 572, 452), 0);
    EXPECT_EQ(Load(image, MakeSvgTicket(1, 572, 452), 0, 452), 0);
}

}  // namespace
}  // namespace kolo
