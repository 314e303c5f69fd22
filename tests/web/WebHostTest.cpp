// The web page's host layer: the art bundle the page unpacks, and the folder loads the page
// drives answer by answer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "control/SoftControl.h"
#include "web/ArtBundle.h"
#include "web/PageFolder.h"

namespace kolo::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Record(std::uint32_t id, const std::string& body, std::uint32_t declared) {
    Bytes out;
    for (std::uint32_t value : {id, declared}) {
        for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

struct BundleCase {
    const char* name;
    Bytes bytes;
    bool whole;
    std::vector<std::pair<int, std::string>> files;
};

TEST(ArtBundle, SplitsWholeBundlesAndRefusesCutOnes) {
    const std::vector<BundleCase> cases = {
        {"empty", {}, true, {}},
        {"two records", Cat({Record(202, "skin", 4), Record(2, "font!", 5)}), true,
         {{202, "skin"}, {2, "font!"}}},
        {"an empty record", Record(7, "", 0), true, {{7, ""}}},
        {"size past the end", Record(202, "skin", 5), false, {}},
        {"huge size does not wrap", Record(202, "skin", 0xFFFFFFFFu), false, {}},
        {"header cut short", Bytes{1, 0, 0, 0, 4}, false, {}},
        {"good record then a cut one", Cat({Record(1, "ab", 2), Bytes{9}}), false, {}},
    };
    for (const BundleCase& c : cases) {
        std::vector<EmbeddedFile> files{EmbeddedFile{99, "", nullptr, 0}};
        EXPECT_EQ(SplitArtBundle(c.bytes.data(), c.bytes.size(), files), c.whole) << c.name;
        ASSERT_EQ(files.size(), c.files.size()) << c.name;
        for (std::size_t i = 0; i < files.size(); ++i) {
            EXPECT_EQ(files[i].id, c.files[i].first) << c.name;
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(files[i].bytes), files[i].size),
                      c.files[i].second) << c.name;
        }
    }
}

Bytes SampleBytes(const std::string& name) {
    std::ifstream in(std::string(KOLO_SAMPLES_DIR) + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PageFolderTest : public ::testing::Test {
protected:
    PageFolderTest() {
        control.showMessage = [this](const std::string& text) { messages.push_back(text); };
        control.Create();
    }
    // Hands picture `index` of `load` in, from the sample of that name ("" for a failed one).
    void Picture(std::uint32_t load, std::size_t index, const std::string& sample) {
        const Bytes bytes = sample.empty() ? Bytes() : SampleBytes(sample);
        folder.PictureRead(load, index, sample.empty() ? nullptr : bytes.data(), bytes.size());
    }
    SoftControl control;
    ColouringBoard& board = control.Board();
    PageFolder folder{board};
    std::vector<std::string> messages;
};

TEST_F(PageFolderTest, PicturesLandInPageOrderAsTheyArrive) {
    const std::uint32_t load = folder.Start("http://a.test/p");
    ASSERT_EQ(folder.PageRead(load, "<a href=fish.gif>f</a><a href='tree.bmp'>t</a>"), 2);
    EXPECT_STREQ(folder.PictureAddress(0), "http://a.test/p/fish.gif");
    EXPECT_STREQ(folder.PictureAddress(1), "http://a.test/p/tree.bmp");
    EXPECT_EQ(folder.PictureAddress(2), nullptr);

    Picture(load, 0, "fish.gif");
    EXPECT_TRUE(board.IsLoading());
    EXPECT_TRUE(board.HasCanvasPicture());   // the first is on the canvas before the rest
    EXPECT_EQ(board.CanvasPictureName(), "fish.gif");
    EXPECT_EQ(board.LoadedCount(), 1u);
    Picture(load, 1, "tree.bmp");
    folder.Finish(load, "");
    EXPECT_FALSE(board.IsLoading());
    EXPECT_EQ(board.Pictures().size(), 2u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PageFolderTest, AnswersOutOfTurnAreDropped) {
    const std::uint32_t load = folder.Start("http://a.test/p/");
    ASSERT_EQ(folder.PageRead(load, "<a href=fish.gif>f</a><a href=sun.gif>s</a>"), 2);
    struct Answer {
        std::uint32_t load;
        std::size_t index;
    };
    for (const Answer& answer : {Answer{load, 1}, Answer{load + 1, 0}, Answer{load - 1, 0},
                                 Answer{load, 7}}) {
        Picture(answer.load, answer.index, "fish.gif");
        EXPECT_EQ(board.LoadedCount(), 0u) << answer.load << " " << answer.index;
    }
    Picture(load, 0, "fish.gif");
    Picture(load, 0, "fish.gif");   // the same one twice
    EXPECT_EQ(board.LoadedCount(), 1u);
}

TEST_F(PageFolderTest, ANewFolderLeavesNothingOfTheOld) {
    const std::uint32_t first = folder.Start("http://a.test/old/");
    ASSERT_EQ(folder.PageRead(first, "<a href=fish.gif>f</a><a href=sun.gif>s</a>"), 2);
    Picture(first, 0, "fish.gif");
    const std::uint32_t second = folder.Start("http://a.test/new/");
    // Late answers of the first load, as a page whose fetches were not stopped in time gives.
    EXPECT_EQ(folder.PageRead(first, "<a href=fish.gif>f</a>"), -1);
    Picture(first, 1, "sun.gif");
    folder.Finish(first, "Failed to fetch");
    EXPECT_TRUE(board.IsLoading());
    ASSERT_EQ(folder.PageRead(second, "<a href=tree.bmp>t</a>"), 1);
    EXPECT_STREQ(folder.PictureAddress(0), "http://a.test/new/tree.bmp");
    Picture(second, 0, "tree.bmp");
    folder.Finish(second, "");
    ASSERT_EQ(board.Pictures().size(), 1u);
    EXPECT_EQ(board.Pictures()[0].Image().Width(), board.SourcePicture().Width());
    EXPECT_TRUE(messages.empty());
}

TEST_F(PageFolderTest, ALoadPastItsTimeLimitEndsAtTheNextPictureKeepingWhatArrived) {
    folder.SetTimeLimit(std::chrono::milliseconds(300));
    const std::uint32_t load = folder.Start("http://a.test/p/");
    ASSERT_EQ(folder.PageRead(load, "<a href=fish.gif>f</a><a href=sun.gif>s</a><a href=c.gif>"), 3);
    Picture(load, 0, "fish.gif");
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    Picture(load, 1, "fish.gif");
    EXPECT_FALSE(board.IsLoading());
    EXPECT_EQ(board.Pictures().size(), 1u);
    EXPECT_EQ(messages, std::vector<std::string>{FolderTimeLimitReason(std::chrono::milliseconds(300)) +
                                                 "\nPlease confirm your url."});
    Picture(load, 2, "fish.gif");   // the page's later answers change nothing
    folder.Finish(load, "");
    EXPECT_EQ(board.Pictures().size(), 1u);
    EXPECT_EQ(messages.size(), 1u);
}

struct EndCase {
    const char* name;
    const char* page;            // null: the page could not be read
    std::vector<std::string> pictures;   // "" for one that failed
    std::string message;         // "" for none
};

TEST_F(PageFolderTest, EndsWithTheBoardsMessage) {
    const std::vector<EndCase> cases = {
        {"page refused", nullptr, {}, "Failed to fetch\nPlease confirm your url."},
        {"no links", "<p>empty</p>", {}, "No pictures found at http://a.test/p/\nPlease confirm your url."},
        {"every picture failed", "<a href=a.gif>a</a><a href=b.jpg>b</a>", {"", ""},
         "No pictures found at http://a.test/p/\nPlease confirm your url."},
        {"one of two arrived", "<a href=a.gif>a</a><a href=b.jpg>b</a>", {"", "flower.jpg"}, ""},
    };
    for (const EndCase& c : cases) {
        messages.clear();
        const std::uint32_t load = folder.Start("http://a.test/p/");
        if (c.page != nullptr) {
            ASSERT_EQ(folder.PageRead(load, c.page), static_cast<long>(c.pictures.size())) << c.name;
            for (std::size_t i = 0; i < c.pictures.size(); ++i) Picture(load, i, c.pictures[i]);
        }
        folder.Finish(load, c.page != nullptr ? "" : "Failed to fetch");
        EXPECT_FALSE(board.IsLoading()) << c.name;
        EXPECT_EQ(board.LoadedCount(), c.pictures.size()) << c.name;
        if (c.message.empty()) {
            EXPECT_TRUE(messages.empty()) << c.name;
        } else {
            EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.name;
        }
    }
}

}  // namespace
}  // namespace kolo::test
