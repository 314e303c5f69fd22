// The desktop program's parts that need no display: the kept work and its file, the board's
// place in a window of any size, the palette as the headless driver chooses from it, the
// saved picture's name and the keyboard.
#include <gtest/gtest.h>
#include <gdk/gdk.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/BoardView.h"
#include "app/PicturePng.h"
#include "app/PictureWork.h"
#include "app/SamplesFolder.h"
#include "app/Shortcuts.h"
#include "control/Palette.h"
#include "control/SoftControl.h"
#include "platform/curl/CurlSession.h"

namespace kolo {
namespace {

const WorkKey kKey{"file:///pictures/", "house.gif", 0x0123456789abcdefull};

std::string WorkText(const std::string& body) {
    return "kolo work 1\nfolder file:///pictures/\npicture house.gif\ncontent 0123456789abcdef\n" +
           body;
}

TEST(WorkFile, FormatThenParseGivesTheSameStacks) {
    const SavedWork work{{{0x00FFFFFF, 0x008400FF, 10, 20}, {0xFF000000, 0xFF000000, 0, 0}},
                         {{0x00FFFFFF, 0x00CC9900, 571, 451}}};
    SavedWork read;
    ASSERT_TRUE(ParseWork(FormatWork(kKey, work), kKey, read));
    ASSERT_EQ(read.done.size(), 2u);
    ASSERT_EQ(read.undone.size(), 1u);
    EXPECT_EQ(read.done[0].newColour, 0x008400FFu);
    EXPECT_EQ(read.done[1].oldColour, kNewPageColour);
    EXPECT_EQ(read.undone[0].x, 571);
    EXPECT_EQ(read.undone[0].y, 451);
}

// The text is what earlier versions wrote and read, to the character: colours as eight
// lower-case hexadecimal digits, points and counts in decimal.
TEST(WorkFile, WritesTheRecordTextToTheCharacter) {
    const SavedWork work{{{0x00FFFFFF, 0x000000AB, 0, 451, 4}, {0xFF000000, 0xFF000000, 0, 0, 0}},
                         {{0x00123456, 0x00FFFFFF, 2287, 1807, 0}}, true};
    EXPECT_EQ(FormatWork(kKey, work, 18446744073709551615ull),
              "kolo work 4\nfolder file:///pictures/\npicture house.gif\ncontent 0123456789abcdef\n"
              "generation 18446744073709551615\nfinished 1\ndone 2\n00ffffff 000000ab 0 451 4\n"
              "ff000000 ff000000 0 0 0\nundone 1\n00123456 00ffffff 2287 1807 0\n");
    EXPECT_EQ(FormatWork(kKey, {}), WorkText("generation 0\ndone 0\nundone 0\n").replace(10, 1, "3"));
}

TEST(WorkFile, KeepsTheFillOptionsAndRefusesAGapBeyondFour) {
    SavedWork read;
    ASSERT_TRUE(ParseWork(FormatWork(kKey, {{{0x00FFFFFF, 0x008400FF, 10, 20, 4}}, {}}), kKey, read));
    EXPECT_EQ(read.done[0].closeGaps, 4u);
    EXPECT_FALSE(ParseWork(FormatWork(kKey, {{{0x00FFFFFF, 0x008400FF, 10, 20, 5}}, {}}), kKey, read));
}

TEST(WorkFile, KeepsItsGenerationAndReadsOlderRecordsAsTheFirst) {
    const SavedWork work{{{0x00FFFFFF, 0x008400FF, 10, 20, 2}}, {}};
    SavedWork read;
    std::uint64_t generation = 0;
    ASSERT_TRUE(ParseWork(FormatWork(kKey, work, 41), kKey, read, &generation));
    EXPECT_EQ(generation, 41u);
    std::string older = FormatWork(kKey, work);
    older.replace(older.find("kolo work 3"), 11, "kolo work 2");
    older.erase(older.find("generation 0\n"), 13);
    generation = 7;
    ASSERT_TRUE(ParseWork(older, kKey, read, &generation));
    EXPECT_EQ(generation, 0u);
    EXPECT_EQ(read.done[0].closeGaps, 2u);
}

// Two windows changed one picture since both read it: `base`, then `theirs` written first.
struct MergeCase {
    const char* name;
    SavedWork base, ours, theirs;
    std::vector<std::int32_t> done;     // the merge's fills, by seed column
    std::vector<std::int32_t> undone;
};

class WorkMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(WorkMerge, KeepsBothWindowsFills) {
    const SavedWork merged = MergeWork(GetParam().base, GetParam().ours, GetParam().theirs);
    std::vector<std::int32_t> done, undone;
    for (const FillEntry& entry : merged.done) done.push_back(entry.x);
    for (const FillEntry& entry : merged.undone) undone.push_back(entry.x);
    EXPECT_EQ(done, GetParam().done);
    EXPECT_EQ(undone, GetParam().undone);
}

FillEntry Fill(std::int32_t x) { return {0x00FFFFFF, 0x008400FF, x, 1}; }

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkMerge,
    ::testing::Values(
        MergeCase{"BothAddedToNothing", {}, {{Fill(2)}, {}}, {{Fill(1)}, {}}, {1, 2}, {}},
        MergeCase{"BothAddedToTheSame", {{Fill(1)}, {}}, {{Fill(1), Fill(3)}, {Fill(4)}},
                  {{Fill(1), Fill(2)}, {}}, {1, 2, 3}, {4}},
        MergeCase{"WeOnlyUndid", {{Fill(1), Fill(2)}, {}}, {{Fill(1)}, {Fill(2)}},
                  {{Fill(1), Fill(2), Fill(5)}, {Fill(6)}}, {1, 2, 5}, {6}},
        MergeCase{"WeUndidAndAddedAnother", {{Fill(1), Fill(2)}, {}}, {{Fill(1), Fill(3)}, {}},
                  {{}, {}}, {3}, {}}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return info.param.name; });

TEST(WorkFile, KeepsTheFinishedMarkAndWritesTheOlderVersionWithoutIt) {
    SavedWork read;
    ASSERT_TRUE(ParseWork(FormatWork(kKey, {{}, {}, true}), kKey, read));
    EXPECT_TRUE(read.finished);
    const std::string unmarked = FormatWork(kKey, {{{0x00FFFFFF, 0x008400FF, 10, 20}}, {}});
    EXPECT_EQ(unmarked.rfind("kolo work 3\n", 0), 0u) << "a program before the mark reads it";
    ASSERT_TRUE(ParseWork(unmarked, kKey, read));
    EXPECT_FALSE(read.finished);
}

struct BadWork {
    const char* name;
    std::string text;
};

class WorkFileRefuses : public ::testing::TestWithParam<BadWork> {};

TEST_P(WorkFileRefuses, AndLeavesTheWorkAsItWas) {
    SavedWork work{{{0x00FFFFFF, 0x008400FF, 1, 2}}, {}};
    EXPECT_FALSE(ParseWork(GetParam().text, kKey, work));
    ASSERT_EQ(work.done.size(), 1u);
    EXPECT_EQ(work.done[0].x, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WorkFileRefuses,
    ::testing::Values(
        BadWork{"Empty", ""},
        BadWork{"OtherVersion", "kolo work 9\n"},
        BadWork{"MarkNeitherZeroNorOne", "kolo work 4\nfolder file:///pictures/\npicture house.gif\n"
                                         "content 0123456789abcdef\ngeneration 1\nfinished 2\n"
                                         "done 0\nundone 0\n"},
        BadWork{"OtherFolder", "kolo work 1\nfolder file:///other/\npicture house.gif\n"
                               "content 0123456789abcdef\ndone 0\nundone 0\n"},
        BadWork{"OtherPicture", "kolo work 1\nfolder file:///pictures/\npicture cat.gif\n"
                                "content 0123456789abcdef\ndone 0\nundone 0\n"},
        BadWork{"ChangedPicture", "kolo work 1\nfolder file:///pictures/\npicture house.gif\n"
                                  "content 0123456789abcde0\ndone 0\nundone 0\n"},
        BadWork{"CountPastTheEntries", WorkText("done 2\n00ffffff 008400ff 1 1\nundone 0\n")},
        BadWork{"NegativeCount", WorkText("done -1\nundone 0\n")},
        BadWork{"HugeCount", WorkText("done 99999999999\nundone 0\n")},
        BadWork{"NoUndoneStack", WorkText("done 0\n")},
        BadWork{"BlackFill", WorkText("done 1\n00ffffff 00000000 1 1\nundone 0\n")},
        BadWork{"ColourWithATopByte", WorkText("done 1\n00ffffff 018400ff 1 1\nundone 0\n")},
        BadWork{"NegativePoint", WorkText("done 1\n00ffffff 008400ff -1 1\nundone 0\n")},
        BadWork{"TrailingWord", WorkText("done 1\n00ffffff 008400ff 1 1 x\nundone 0\n")},
        BadWork{"Trailing", WorkText("done 0\nundone 0\nmore\n")}),
    [](const ::testing::TestParamInfo<BadWork>& info) { return info.param.name; });

SessionFactory Curl() {
    return [] { return std::make_unique<CurlSession>(); };
}

// A control with the bundled pictures, as the window has it.
class KeptWork : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ::testing::TempDir() + "kolo_kept_work_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder_);
    }
    void Open(SoftControl& control, PictureWork& work) {
        control.Board().SetWorkStore(&work);
        control.onInitImage = [&control]() { control.Board().SetImageURL(SamplesFolderUrl()); };
        control.Create();
        control.WaitForFolder();
        ASSERT_GE(control.Board().Pictures().size(), 2u);
    }
    std::string folder_;
};

TEST_F(KeptWork, ComesBackInTheNextRunAndStaysUndoable) {
    {
        SoftControl control(Curl());
        PictureWork work(folder_);
        Open(control, work);
        EXPECT_EQ(control.Board().CanvasPictureName(), "house.bmp");
        control.Click(211, 475);
        EXPECT_TRUE(work.Unsaved());
        ASSERT_TRUE(work.Save());
        EXPECT_FALSE(work.Unsaved());
    }
    SoftControl control(Curl());
    PictureWork work(folder_);
    Open(control, work);
    control.Pump();
    ASSERT_TRUE(control.Board().History().CanUndo());
    EXPECT_EQ(control.Screen().GetPixel(211, 475), 0x008400FFu);
    control.Board().Undo();
    control.Pump();
    EXPECT_EQ(control.Screen().GetPixel(211, 475), 0x00FFFFFFu);
    // All undone: the file keeps what can be redone.
    ASSERT_TRUE(work.Save());
    SavedWork saved;
    std::ifstream in(work.PathFor({SamplesFolderUrl() + "", "house.bmp",
                                   PictureHash(control.Board().SourcePicture())}));
    EXPECT_TRUE(static_cast<bool>(in));
}

TEST_F(KeptWork, ADamagedFileIsIgnoredAndTheFolderIsMadePrivate) {
    SoftControl control(Curl());
    PictureWork work(folder_ + "/deeper");
    Open(control, work);
    control.Click(211, 475);
    ASSERT_TRUE(work.Save());
    EXPECT_EQ(std::filesystem::status(folder_ + "/deeper").permissions() &
                  std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/deeper")) {
        std::ofstream(entry.path()) << "kolo work 1\nfolder ";
    }
    SoftControl again(Curl());
    PictureWork reread(folder_ + "/deeper");
    Open(again, reread);
    EXPECT_FALSE(again.Board().History().CanUndo());
}

TEST_F(KeptWork, WithoutAFolderTheWorkLastsTheRun) {
    SoftControl control(Curl());
    PictureWork work("");
    Open(control, work);
    control.Click(211, 475);
    control.Board().NextPicture();
    control.Click(728, 276);   // the second picture on the canvas
    EXPECT_FALSE(control.Board().History().CanUndo());
    control.Board().PreviousPicture();
    control.Click(728, 276);   // the house again
    control.Pump();
    EXPECT_EQ(control.Screen().GetPixel(211, 475), 0x008400FFu);
    EXPECT_TRUE(work.Save());
    EXPECT_FALSE(std::filesystem::exists(folder_));
}

TEST_F(KeptWork, EachChildsStoreShowsItsOwnColouringAndFinishedMarks) {
    SoftControl control(Curl());
    PictureWork ana(folder_ + "/Ana");
    PictureWork ben(folder_ + "/Ben");
    Open(control, ana);
    ColouringBoard& board = control.Board();
    control.Click(211, 475);
    board.SetCanvasFinished(true);
    ASSERT_TRUE(ana.Save());
    // The gallery's view of the house: coloured for Ana, bare for Ben.
    const CDibImage bare = board.Pictures()[0].Image();
    const std::size_t bytes = bare.Stride() * static_cast<std::size_t>(bare.Height());
    const auto sameAsBare = [&] {
        const CDibImage shown = board.ColouredPicture(0);
        return std::equal(bare.Pixels(), bare.Pixels() + bytes, shown.Pixels());
    };
    EXPECT_FALSE(sameAsBare());
    EXPECT_TRUE(board.IsFinished(0));
    board.ChangeWorkStore(&ben);
    control.Pump();
    EXPECT_FALSE(board.History().CanUndo());
    EXPECT_FALSE(board.CanvasFinished());
    EXPECT_EQ(control.Screen().GetPixel(211, 475), 0x00FFFFFFu);
    EXPECT_TRUE(sameAsBare());
    ASSERT_TRUE(board.ShowPicture(1));
    EXPECT_EQ(board.CanvasIndex(), 1);
    EXPECT_EQ(board.PictureIndex(), 1);
    EXPECT_FALSE(board.ShowPicture(static_cast<std::int32_t>(board.Pictures().size())));
    EXPECT_FALSE(board.ColouredPicture(-1).HasPicture());
    board.ChangeWorkStore(&ana);
    EXPECT_TRUE(board.IsFinished(0)) << "the mark was not kept";
    ASSERT_TRUE(board.ShowPicture(0));
    EXPECT_TRUE(board.CanvasFinished());
    EXPECT_TRUE(board.History().CanUndo());
}

struct FitCase {
    int width, height;            // the window, device pixels
    double scale;
    int left, top;
};

class BoardFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(BoardFit, KeepsProportionsAndCentres) {
    const FitCase& c = GetParam();
    const BoardPlacement placement = FitBoard(c.width, c.height);
    EXPECT_DOUBLE_EQ(placement.scale, c.scale);
    EXPECT_EQ(placement.left, c.left);
    EXPECT_EQ(placement.top, c.top);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BoardFit,
                         ::testing::Values(FitCase{834, 644, 1.0, 0, 0},
                                           FitCase{1668, 1288, 2.0, 0, 0},
                                           FitCase{1920, 1288, 2.0, 126, 0},    // letterboxed
                                           FitCase{1668, 1400, 2.0, 0, 56},
                                           FitCase{417, 322, 0.5, 0, 0}),
                         [](const ::testing::TestParamInfo<FitCase>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST(BoardFit, EveryPaletteCellAndCanvasPointMapsBackExactlyAtWholeScales) {
    for (const int scale : {1, 2, 3}) {
        const BoardPlacement placement = FitBoard(834 * scale + 100, 644 * scale);
        for (int cell = 0; cell < kPaletteCells; ++cell) {
            int x = 0, y = 0;
            PaletteCellCentre(cell, x, y);
            // Every device pixel of the cell's centre pixel maps back to it.
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    int bx = -1, by = -1;
                    ASSERT_TRUE(MapToBoard(placement, placement.left + x * scale + dx + 0.5,
                                           placement.top + y * scale + dy + 0.5, bx, by));
                    ASSERT_EQ(bx, x) << scale;
                    ASSERT_EQ(by, y) << scale;
                }
            }
        }
    }
    int bx = 0, by = 0;
    const BoardPlacement wide = FitBoard(1000, 644);
    EXPECT_FALSE(MapToBoard(wide, wide.left - 1, 10, bx, by)) << "the letterbox is not the board";
    EXPECT_FALSE(MapToBoard(wide, wide.left + 834, 10, bx, by));
    EXPECT_TRUE(MapToBoard(wide, wide.left + 833.9, 643.9, bx, by));
    EXPECT_EQ(bx, 833);
    EXPECT_EQ(by, 643);
}

// The window draws again only what the view reports as changed: the first screen whole, then
// nothing until a fill, then at least the filled area, wherever the board is shown.
TEST(BoardViewChanges, CoverWhatTheFillChangedAtEveryScale) {
    SoftControl control(Curl());
    control.onInitImage = [&control]() { control.Board().SetImageURL(SamplesFolderUrl()); };
    control.Create();
    control.WaitForFolder();
    // The thumbnail on another picture than the canvas's, so that it does not follow the fill.
    control.Board().NextPicture();
    control.Pump();
    BoardView view;
    EXPECT_EQ(view.Update(control.Screen(), control.TakeChanged()).Bounds(), (Rect{0, 0, kBoardWidth, kBoardHeight}));
    EXPECT_EQ(view.Update(control.Screen(), control.TakeChanged()).Bounds().Width(), 0);
    const ScreenContext before = control.Screen();
    control.Click(211, 475);
    const RectList taken = view.Update(control.Screen(), control.TakeChanged());
    const Rect changed = taken.Bounds();
    ASSERT_TRUE(changed.Contains(211, 475));
    EXPECT_LT(changed.Width() * changed.Height(), kBoardWidth * kBoardHeight / 2);
    for (int y = 0; y < kBoardHeight; ++y) {
        for (int x = 0; x < kBoardWidth; ++x) {
            if (before.GetPixel(x, y) != control.Screen().GetPixel(x, y)) {
                ASSERT_TRUE(taken.Contains(x, y)) << x << "," << y;
            }
        }
    }
    for (const double scale : {1.0, 1.5, 2.0, 2.75}) {
        const BoardPlacement placement = FitBoard(static_cast<int>(834 * scale) + 60,
                                                  static_cast<int>(644 * scale));
        const Rect shown = ShownArea(placement, changed);
        for (const int x : {changed.left, changed.right - 1}) {
            for (const int y : {changed.top, changed.bottom - 1}) {
                for (const double edge : {0.0, 0.999}) {
                    const int dx = placement.left + static_cast<int>((x + edge) * placement.scale);
                    const int dy = placement.top + static_cast<int>((y + edge) * placement.scale);
                    EXPECT_TRUE(shown.Contains(dx, dy)) << scale << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(BoardFit, FirstWindowScaleIsTheLargestWholeOneInsideMostOfTheWorkArea) {
    EXPECT_EQ(FirstWindowScale(1920, 1080), 1);
    EXPECT_EQ(FirstWindowScale(3840, 2160), 2);
    EXPECT_EQ(FirstWindowScale(5120, 2880), 3);
    EXPECT_EQ(FirstWindowScale(1024, 768), 1);   // too small even for one: still one
    EXPECT_EQ(FirstWindowScale(1963, 1516), 2);  // 85 % is exactly twice the board
}

TEST(Palette, NearestCellTakesTheColourItselfOrTheClosest) {
    struct Case {
        unsigned rgb;
        unsigned expected;
    };
    for (const Case& c : {Case{0xFFFFFF, 0xFFFFFF}, Case{0xCC9900, 0xCC9900},
                          Case{0x000000, 0x666600}, Case{0x0000FF, 0x6666FF},
                          Case{0xFE0183, 0xFF0099}, Case{0x333366, 0x666666}}) {
        const int cell = NearestPaletteCell(c.rgb >> 16, (c.rgb >> 8) & 0xFF, c.rgb & 0xFF);
        const ColourRef colour = PaletteColour(cell);
        const unsigned rgb = (RedOf(colour) << 16) | (GreenOf(colour) << 8) | BlueOf(colour);
        EXPECT_EQ(rgb, c.expected) << std::hex << c.rgb;
    }
    EXPECT_EQ(PaletteColour(0), MakeColourRef(255, 255, 255));
    EXPECT_EQ(PaletteColour(131), MakeColourRef(102, 102, 0));
}

TEST(Palette, EveryCellIsTheColourTheBoardShowsThere) {
    SoftControl control;
    control.Create();
    for (int cell = 0; cell < kPaletteCells; ++cell) {
        int x = 0, y = 0;
        PaletteCellCentre(cell, x, y);
        EXPECT_EQ(control.Screen().GetPixel(x, y), PaletteColour(cell)) << cell;
    }
}

TEST(SavedPicture, NameFollowsThePicture) {
    EXPECT_EQ(SuggestedPngName("house.gif"), "house.png");
    EXPECT_EQ(SuggestedPngName("pets/cat.min.jpg"), "cat.min.png");
    EXPECT_EQ(SuggestedPngName("README"), "README.png");
    EXPECT_EQ(SuggestedPngName(""), "picture.png");
    EXPECT_EQ(SuggestedPngName("dir/.gif"), "picture.png");
}

TEST(Keyboard, KeysAndTheirActions) {
    struct Case {
        unsigned key;
        unsigned modifiers;
        bool kiosk;
        bool focused;
        WindowAction expected;
    };
    constexpr unsigned kCtrl = GDK_CONTROL_MASK, kShift = GDK_SHIFT_MASK, kAlt = GDK_MOD1_MASK;
    const Case cases[] = {
        {GDK_KEY_z, kCtrl, false, false, WindowAction::kUndo},
        {GDK_KEY_Z, kCtrl | kShift, false, false, WindowAction::kRedo},
        {GDK_KEY_y, kCtrl, false, false, WindowAction::kRedo},
        {GDK_KEY_z, kCtrl | GDK_LOCK_MASK | GDK_MOD2_MASK, false, false, WindowAction::kUndo},
        {GDK_KEY_z, 0, false, false, WindowAction::kNone},
        {GDK_KEY_Left, 0, false, false, WindowAction::kPreviousPicture},
        {GDK_KEY_KP_Page_Down, 0, false, false, WindowAction::kNextPicture},
        {GDK_KEY_Left, 0, false, true, WindowAction::kNone},   // the focused part has it
        {GDK_KEY_Return, 0, false, true, WindowAction::kNone},
        {GDK_KEY_KP_Enter, 0, false, false, WindowAction::kOpenThumbnail},
        {GDK_KEY_n, kCtrl, false, false, WindowAction::kNewPage},
        {GDK_KEY_s, kCtrl, false, false, WindowAction::kSave},
        {GDK_KEY_p, kCtrl, false, false, WindowAction::kPrint},
        {GDK_KEY_P, kCtrl | kShift, false, false, WindowAction::kPrintAll},
        {GDK_KEY_P, kCtrl | kShift, true, false, WindowAction::kNone},
        {GDK_KEY_F1, 0, false, false, WindowAction::kAbout},
        {GDK_KEY_F11, 0, false, false, WindowAction::kFullScreen},
        {GDK_KEY_F11, 0, true, false, WindowAction::kNone},
        {GDK_KEY_q, kCtrl, false, false, WindowAction::kQuit},
        {GDK_KEY_q, kCtrl, true, false, WindowAction::kNone},
        {GDK_KEY_q, kCtrl | kAlt, true, false, WindowAction::kLeaveKiosk},
        {GDK_KEY_Q, kCtrl | kAlt | kShift, true, false, WindowAction::kNone},
        {GDK_KEY_question, kCtrl | kShift, false, false, WindowAction::kShortcutsWindow},
        {GDK_KEY_slash, kCtrl, false, false, WindowAction::kShortcutsWindow},
        {GDK_KEY_f, 0, false, false, WindowAction::kFinished},
        {GDK_KEY_F, kShift, false, false, WindowAction::kNone},
        {GDK_KEY_g, kCtrl, true, false, WindowAction::kGallery},
        // In a classroom nothing opens a window of its own.
        {GDK_KEY_F1, 0, true, false, WindowAction::kNone},
        {GDK_KEY_question, kCtrl | kShift, true, false, WindowAction::kNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ActionForKey(c.key, c.modifiers, c.kiosk, c.focused), c.expected)
            << std::hex << c.key << " " << c.modifiers;
    }
    for (const Shortcut& shortcut : Shortcuts()) EXPECT_STRNE(shortcut.description, "");
}

}  // namespace
}  // namespace kolo

namespace kolo {
namespace {

// Every key the window's handler answers, in or out of the classroom, is in the help's
// list of keys, as the help writes it.
TEST(Keyboard, HelpListsEveryKeyTheHandlerAnswers) {
    const std::string help = KeysHelp();
    std::vector<std::string> listed;   // the key column of each line, split at ", "
    for (std::size_t at = 0; at < help.size();) {
        const std::size_t end = help.find('\n', at);
        const std::string line = help.substr(at, end - at);
        at = end == std::string::npos ? help.size() : end + 1;
        if (line.rfind("  ", 0) != 0) continue;
        const std::string keys = line.substr(2, line.find("  ", 2) - 2);
        for (std::size_t from = 0; from <= keys.size();) {
            const std::size_t comma = std::min(keys.find(", ", from), keys.size());
            listed.push_back(keys.substr(from, comma - from));
            from = comma + 2;
        }
    }
    std::vector<unsigned> keys{GDK_KEY_Left, GDK_KEY_Right, GDK_KEY_Up, GDK_KEY_Down, GDK_KEY_Page_Up,
                               GDK_KEY_Page_Down, GDK_KEY_Return, GDK_KEY_question, GDK_KEY_Escape};
    for (unsigned key = GDK_KEY_a; key <= GDK_KEY_z; ++key) keys.push_back(key);
    for (unsigned key = GDK_KEY_F1; key <= GDK_KEY_F12; ++key) keys.push_back(key);
    int answered = 0;
    for (const unsigned key : keys) {
        for (const unsigned modifiers : {0u, 0u + GDK_CONTROL_MASK, 0u + GDK_SHIFT_MASK,
                                         0u + (GDK_CONTROL_MASK | GDK_SHIFT_MASK), 0u + GDK_MOD1_MASK,
                                         0u + (GDK_CONTROL_MASK | GDK_MOD1_MASK)}) {
            for (const bool kiosk : {false, true}) {
                if (ActionForKey(key, modifiers, kiosk, false) == WindowAction::kNone) continue;
                ++answered;
                const std::string label = KeyLabel(key, modifiers);
                EXPECT_NE(std::find(listed.begin(), listed.end(), label), listed.end()) << label;
            }
        }
    }
    EXPECT_GT(answered, 20);
    for (const char* label : {"Ctrl+Shift+P", "Ctrl+G", "F", "Ctrl+?", "Ctrl+Alt+Q", "Escape", "Tab"}) {
        EXPECT_NE(std::find(listed.begin(), listed.end(), label), listed.end()) << label;
    }
}

TEST(BoardDetail, FollowsTheDevicePixelsABoardPixelHas) {
    const struct {
        double scale;
        int detail;
    } cases[] = {{0.5, 1}, {1.0, 1}, {1.01, 2}, {2.0, 2}, {2.23, 3}, {4.0, 4}, {6.5, 4}};
    for (const auto& c : cases) EXPECT_EQ(DetailForScale(c.scale), c.detail) << c.scale;
}

// At twice the board's pixels the window shows the canvas from the picture at detail 2: a
// fill shows there, and the curves differ from the board's own pixels enlarged.
TEST(BoardDetail, AScaledWindowShowsTheCanvasFromThePictureAtDetail) {
    SoftControl control(Curl());
    control.onInitImage = [&control]() { control.Board().SetImageURL(SamplesFolderUrl()); };
    control.Create();
    control.WaitForFolder();
    const BoardPlacement placement = FitBoard(2 * kBoardWidth, 2 * kBoardHeight);
    control.Board().SetDetail(DetailForScale(placement.scale));
    control.Click(211, 475);
    control.Pump();
    BoardView view;
    const RectList changed = view.Update(control.Screen(), control.TakeChanged());
    view.UpdateCanvas(control.Board(), placement, changed);
    cairo_surface_t* window =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, placement.width, placement.height);
    cairo_t* cr = cairo_create(window);
    view.Draw(cr, placement.width, placement.height);
    cairo_destroy(cr);
    cairo_surface_flush(window);
    const auto* bytes = cairo_image_surface_get_data(window);
    const int stride = cairo_image_surface_get_stride(window);
    const auto shown = [&](int x, int y) {
        const std::uint32_t p = reinterpret_cast<const std::uint32_t*>(bytes + y * stride)[x];
        return MakeColourRef(static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                             static_cast<std::uint8_t>(p));
    };
    EXPECT_EQ(shown(2 * 211, 2 * 475), control.Screen().GetPixel(211, 475));
    int finer = 0;
    for (int y = kCanvasRect.top; y < kCanvasRect.bottom; ++y) {
        for (int x = kCanvasRect.left; x < kCanvasRect.right; ++x) {
            finer += shown(2 * x, 2 * y) != control.Screen().GetPixel(x, y);
        }
    }
    EXPECT_GT(finer, 1000);
    cairo_surface_destroy(window);
}

}  // namespace
}  // namespace kolo
