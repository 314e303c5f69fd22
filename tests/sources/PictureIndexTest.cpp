#include <gtest/gtest.h>

#include "sources/PictureIndex.h"

namespace kolo {
namespace {

std::vector<std::string> Names(const char* page) {
    std::vector<std::string> names;
    ParsePictureNames(page, names);
    return names;
}

using Strings = std::vector<std::string>;

TEST(PictureIndex, AnchorsInAnyCaseKeepTheNamesOwnCase) {
    EXPECT_EQ(Names(R"(<A HREF="Pic01.JPG">one</A>)"), Strings{"Pic01.JPG"});
    EXPECT_EQ(Names(R"(<a Href=Cat01.GIF>)"), Strings{"Cat01.GIF"});
}

TEST(PictureIndex, NameIsTheLastPathSegmentWithoutQuotes) {
    EXPECT_EQ(Names("<a href='sub/dir/b.gif'>"), Strings{"b.gif"});
    EXPECT_EQ(Names(R"(<a href="http://other.example/x/y/z.bmp">)"), Strings{"z.bmp"});
    // A slash only at the start keeps the value whole, slash included.
    EXPECT_EQ(Names("<a href=/c.bmp>"), Strings{"/c.bmp"});
    EXPECT_EQ(Names(R"(<a href="it's.gif">)"), Strings{"its.gif"});
}

TEST(PictureIndex, ExtensionMayStandAnywhereInTheValue) {
    EXPECT_EQ(Names("<a href=x.jpg.html>"), Strings{"x.jpg.html"});
    EXPECT_EQ(Names("<a href=notes.txt><a href=photo.tif>"), Strings{});
    EXPECT_EQ(Names("<a href=Drawing.PNG><a href=photo.jpeg>"), Strings{"Drawing.PNG"});
}

TEST(PictureIndex, OnlyAnchorsWithHrefDirectlyBeforeTheEqualsSignCount) {
    EXPECT_EQ(Names(R"(<img src="a.gif" href="b.gif">)"), Strings{});
    EXPECT_EQ(Names(R"(<a href ="a.gif">)"), Strings{});
    EXPECT_EQ(Names(R"(<a href= "a.gif">)"), Strings{"a.gif"});   // delimiters before the value are skipped
    EXPECT_EQ(Names("<a\r\nhref=a.gif>"), Strings{});          // the name ends at the LF: "a\r"
    EXPECT_EQ(Names("<a\nhref=a.gif>"), Strings{"a.gif"});
    EXPECT_EQ(Names("< \ta title=x href=a.gif>"), Strings{"a.gif"});
}

TEST(PictureIndex, ShortClosingAndUnterminatedTagsAreDropped) {
    EXPECT_EQ(Names("<a b>"), Strings{});                         // exactly five characters
    EXPECT_EQ(Names("</a href=a.gif>"), Strings{});               // a closing tag
    EXPECT_EQ(Names("<a href=a.gif>text<a href=b.gif"), Strings{"a.gif"});
    // A "<" inside a tag does not restart it; leading "<" are skipped before the tag name.
    EXPECT_EQ(Names("<<a href=a.gif>"), Strings{"a.gif"});
    EXPECT_EQ(Names("<x <a href=a.gif>"), Strings{});
}

TEST(PictureIndex, NamesKeepPageOrderAndDuplicates) {
    const char* page =
        "<html><body><h1>Index of /</h1>\n"
        "<a href=\"b.bmp\">b.bmp</a>\n<a href=\"a.gif\">a.gif</a>\n<a href=\"b.bmp\">again</a>\n";
    EXPECT_EQ(Names(page), (Strings{"b.bmp", "a.gif", "b.bmp"}));
    std::vector<std::string> names;
    EXPECT_EQ(ParsePictureNames("<p>nothing</p>", names), 0);
    EXPECT_EQ(ParsePictureNames("<a href=z.jpg>", names), 1);
}

TEST(PictureIndex, ExtensionTestIgnoresCaseAndPrefersBmpThenGifThenJpg) {
    std::string extension;
    ASSERT_TRUE(FindPictureExtension("Photo.JPG", extension));
    EXPECT_EQ(extension, ".jpg");
    ASSERT_TRUE(FindPictureExtension("odd.gif.bmp", extension));
    EXPECT_EQ(extension, ".bmp");
    EXPECT_FALSE(FindPictureExtension("readme.txt", extension));
}

TEST(PictureIndex, NamesThatDecodeToAPathOutsideTheFolderDoNotStayInIt) {
    const struct {
        const char* name;
        bool stays;
    } cases[] = {
        {"cat.gif", true},
        {"my%20cat.gif", true},
        {"100%.gif", true},                      // a "%" that encodes nothing
        {"sub%2fcat.gif", true},                 // an encoded slash into a sub-folder
        {"sub%2f..%2fcat.gif", true},            // down and back up again
        {"..cat.gif", true},
        {"..", false},
        {"..%2fsecret%2ftarget.gif", false},
        {"%2e%2e%2fsecret.gif", false},
        {"%2E%2E/secret.gif", false},
        {"a%2f..%2f..%2fx.gif", false},
        {"..%5csecret.gif", false},              // a backslash separates too
        {"/c.bmp", false},
        {"%2fetc%2fpasswd.gif", false},
        {"c:%5cwindows%5cx.bmp", false},
        {"cat%00.gif", false},
    };
    for (const auto& row : cases) EXPECT_EQ(NameStaysInFolder(row.name), row.stays) << row.name;
}

}  // namespace
}  // namespace kolo
