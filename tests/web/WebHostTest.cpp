// The web page's host layer: the art bundle the page unpacks, and the session that serves the
// fetched folder to the board's loader.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "web/ArtBundle.h"
#include "web/FetchedSession.h"

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

TEST(ArtBundle, WritesAFileIntoFoldersItMakes) {
    const std::string folder = ::testing::TempDir() + "kolo-art-test";
    const std::string path = folder + "/a/b/font.ttf";
    const Bytes bytes{1, 2, 3, 0, 5};
    ASSERT_TRUE(WriteWholeFile(path, bytes.data(), bytes.size()));
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(in), {}), bytes);
    EXPECT_FALSE(WriteWholeFile(path + "/under/a/file", bytes.data(), bytes.size()));
}

class FetchedSessionTest : public ::testing::Test {
protected:
    FetchedSessionTest() {
        files->bodies["http://a.test/p/"] = "<a href=x.gif>";
        files->bodies["http://a.test/p/x.gif"] = std::string("GIF\0data", 8);
        files->bodies["http://a.test/p/empty.gif"] = "";
        files->errors["http://a.test/q/"] = "Failed to fetch";
        files->errors["http://a.test/p/gone.gif"] = "404";
    }
    std::shared_ptr<FetchedFiles> files = std::make_shared<FetchedFiles>();
};

TEST_F(FetchedSessionTest, PagesAreTheirBytesOrTheBrowsersReason) {
    FetchedSession session(files);
    EXPECT_EQ(session.ReadPage("http://a.test/p/"), std::optional<std::string>("<a href=x.gif>"));
    const std::vector<std::pair<std::string, std::string>> failures = {
        {"http://a.test/q/", "Failed to fetch"},
        {"http://a.test/never/", "The page was not fetched."},
    };
    for (const auto& [url, reason] : failures) {
        try {
            session.ReadPage(url);
            ADD_FAILURE() << url;
        } catch (const InternetError& error) {
            EXPECT_EQ(std::string(error.what()), reason) << url;
        }
    }
}

TEST_F(FetchedSessionTest, OnlyPicturesThatArrivedWholeAreGiven) {
    FetchedSession session(files);
    const auto picture = session.FetchPicture("http://a.test/p/x.gif");
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(std::string(picture->begin(), picture->end()), std::string("GIF\0data", 8));
    for (const char* url : {"http://a.test/p/gone.gif", "http://a.test/p/empty.gif",
                            "http://a.test/p/never.gif"}) {
        EXPECT_FALSE(session.FetchPicture(url).has_value()) << url;
    }
}

}  // namespace
}  // namespace kolo::test
