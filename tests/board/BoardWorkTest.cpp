// Clearing the page as an undoable step, and saved work put back by replaying it.
#include "tests/board/BoardFixture.h"

#include <cstring>
#include <map>
#include <string>

namespace kolo {
namespace {

// Screen points inside the drawing's three areas, and a palette cell (light blue).
constexpr int kLeftX = 200, kLeftY = 300;
constexpr int kLowerRightX = kCanvasRect.left + 400, kLowerRightY = kCanvasRect.top + 300;
constexpr int kUpperRightX = kCanvasRect.left + 400, kUpperRightY = kCanvasRect.top + 50;
constexpr int kCellX = kPaletteRect.left + 1 + 3 * 12 + 5, kCellY = kPaletteRect.top + 1 + 5;

bool SameCanvas(const CDibImage& a, const CDibImage& b) {
    return a.HasPicture() && b.HasPicture() && a.PixelBlock().Size() == b.PixelBlock().Size() &&
           std::memcmp(a.Pixels(), b.Pixels(), a.PixelBlock().Size()) == 0;
}

bool SameEntries(const std::vector<FillEntry>& a, const std::vector<FillEntry>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(FillEntry)) == 0);
}

// Plays a script of steps: L, R, U fill the left, lower right and upper right areas; c picks
// the palette cell; u undoes, r redoes, n clears the page.
void Play(ColouringBoard& board, const std::string& script) {
    for (const char step : script) {
        switch (step) {
            case 'L': board.Click(kLeftX, kLeftY); break;
            case 'R': board.Click(kLowerRightX, kLowerRightY); break;
            case 'U': board.Click(kUpperRightX, kUpperRightY); break;
            case 'c': board.Click(kCellX, kCellY); break;
            case 'u': board.Undo(); break;
            case 'r': board.Redo(); break;
            case 'n': board.NewPage(); break;
            default: FAIL() << "unknown step " << step;
        }
    }
}

class BoardWorkReplay : public BoardTest, public ::testing::WithParamInterface<const char*> {};

// Whatever was done, the page and the history come back exactly from the two stacks, and
// the next undo and redo do on the restored page what they do on the original.
TEST_P(BoardWorkReplay, RestoredWorkEqualsTheWorkDone) {
    LoadDrawings(2);
    Play(board, GetParam());
    board.Undo();
    const CDibImage pageUndone = board.Canvas();
    board.Redo();
    const CDibImage page = board.Canvas();
    const std::vector<FillEntry> done = board.History().UndoEntries();
    const std::vector<FillEntry> undone = board.History().RedoEntries();

    // A clean page, then the work put back.
    ASSERT_EQ(board.RestoreWork({}, {}), 1);
    ASSERT_FALSE(board.History().CanUndo());
    ASSERT_EQ(board.RestoreWork(done, undone), 1);
    EXPECT_TRUE(SameCanvas(board.Canvas(), page));
    EXPECT_TRUE(SameEntries(board.History().UndoEntries(), done));
    EXPECT_TRUE(SameEntries(board.History().RedoEntries(), undone));
    EXPECT_EQ(host.buttonEnabled[kButtonUndo], !done.empty());
    EXPECT_EQ(host.buttonEnabled[kButtonRedo], !undone.empty());

    board.Undo();
    EXPECT_TRUE(SameCanvas(board.Canvas(), pageUndone)) << "undo after the restore differs";
}

INSTANTIATE_TEST_SUITE_P(Scripts, BoardWorkReplay,
                         ::testing::Values("", "L", "LR", "LRu", "LRuu", "LRuur", "LcRU",
                                           "LcLR", "LRn", "LRnu", "LRnur", "LRnUcR",
                                           "LnRnU", "LnRnUuu", "LRuUr", "cLcLuu"));

// A fill that stopped at an opening leaves the area beyond it unfilled; filling that area in
// the same colour afterwards joins the two, yet undo takes back only the last fill, and the
// restored work repeats the gap closing.
TEST_F(BoardTest, GapClosedFillsUndoRedoAndRestoreAsOneFill) {
    CDibImage drawing = MakeDrawing();
    for (int y = 300; y < 302; ++y) SetImagePixel(drawing, kDividerX, y, 255, 255, 255);
    loader.folder.assign(2, drawing);
    board.SetImageURL("http://pictures.test/folder");
    board.Click(kCellX, kCellY);
    board.SetCloseGaps(2);
    board.Click(kLeftX, kLeftY);
    const CDibImage leftOnly = board.Canvas();
    const int rightX = kLowerRightX - kCanvasRect.left, rightY = kLowerRightY - kCanvasRect.top;
    ASSERT_EQ(ImagePixel(leftOnly, rightX, rightY), MakeColourRef(255, 255, 255));
    ASSERT_EQ(board.History().UndoEntries().back().closeGaps, 2u);
    board.SetCloseGaps(0);
    board.Click(kLowerRightX, kLowerRightY);
    const CDibImage both = board.Canvas();
    board.Undo();
    EXPECT_TRUE(SameCanvas(board.Canvas(), leftOnly));
    board.Redo();
    EXPECT_TRUE(SameCanvas(board.Canvas(), both));
    const std::vector<FillEntry> done = board.History().UndoEntries();
    board.Click(728, 276);
    ASSERT_EQ(board.RestoreWork(done, {}), 1);
    EXPECT_TRUE(SameCanvas(board.Canvas(), both));
    board.Undo();
    EXPECT_TRUE(SameCanvas(board.Canvas(), leftOnly));
}

TEST_F(BoardTest, NewPageClearsTheColouringAndUndoBringsItBack) {
    LoadDrawings(1);
    Play(board, "LR");
    const CDibImage coloured = board.Canvas();
    board.NewPage();
    EXPECT_EQ(ImagePixel(board.Canvas(), kLeftX - kCanvasRect.left, kLeftY - kCanvasRect.top),
              kWhite);
    EXPECT_EQ(ImagePixel(board.Canvas(), 400, 300), kWhite);
    EXPECT_TRUE(host.buttonEnabled[kButtonUndo]);
    EXPECT_FALSE(host.buttonEnabled[kButtonRedo]);

    board.Undo();
    EXPECT_TRUE(SameCanvas(board.Canvas(), coloured));
    EXPECT_TRUE(host.buttonEnabled[kButtonRedo]);
    board.Redo();
    EXPECT_EQ(ImagePixel(board.Canvas(), 400, 300), kWhite);
    // Beyond the clear, the fills before it are undone one by one as usual.
    board.Undo();
    board.Undo();
    EXPECT_EQ(ImagePixel(board.Canvas(), 400, 300), kWhite);
    EXPECT_EQ(ImagePixel(board.Canvas(), kLeftX - kCanvasRect.left, kLeftY - kCanvasRect.top),
              kPink);
}

TEST_F(BoardTest, NewPageOnAClearPageOrWithoutAPictureDoesNothing) {
    board.NewPage();   // no picture
    EXPECT_FALSE(board.History().CanUndo());
    LoadDrawings(1);
    board.NewPage();   // nothing coloured
    EXPECT_FALSE(board.History().CanUndo());
    Play(board, "Ln");
    const std::size_t entries = board.History().UndoEntries().size();
    board.NewPage();   // cleared already
    EXPECT_EQ(board.History().UndoEntries().size(), entries);
}

TEST_F(BoardTest, RestoreWorkWithoutAPictureRefuses) {
    EXPECT_EQ(board.RestoreWork({FillEntry{kWhite, kPink, 10, 10}}, {}), 0);
    EXPECT_FALSE(board.History().CanUndo());
}

TEST_F(BoardTest, RestoredEntriesOutsideThePagePaintNothing) {
    LoadDrawings(1);
    const CDibImage clean = board.Canvas();
    ASSERT_EQ(board.RestoreWork({FillEntry{kWhite, kPink, 5000, 9}, FillEntry{kWhite, kPink, 3, -4}},
                                {}),
              1);
    EXPECT_TRUE(SameCanvas(board.Canvas(), clean));
    EXPECT_TRUE(board.History().CanUndo());
}

TEST_F(BoardTest, CanvasIndexAndSerialFollowThePictureOnTheCanvas) {
    LoadDrawings(3);
    EXPECT_EQ(board.CanvasIndex(), 0);   // the first picture loaded stays
    const std::uint32_t serial = board.CanvasSerial();
    board.Command(kButtonNext);          // thumbnail from picture 0 to 1
    EXPECT_EQ(board.CanvasSerial(), serial) << "the arrows leave the canvas alone";
    board.Click(728, 276);
    EXPECT_EQ(board.CanvasIndex(), 1);
    EXPECT_NE(board.CanvasSerial(), serial);
    EXPECT_EQ(board.CanvasPictureName(), "");   // this loader names no picture
}

// A store that keeps what it is told in memory and counts what it is asked.
class MemoryStore : public WorkStore {
public:
    bool LoadWork(const WorkKey& key, SavedWork& work) override {
        ++loads;
        const auto found = kept.find(key);
        if (found == kept.end()) return false;
        work = found->second;
        return true;
    }
    void WorkChanged(const WorkKey& key, const SavedWork& work) override { kept[key] = work; }

    std::map<WorkKey, SavedWork> kept;
    int loads = 0;
};

TEST_F(BoardTest, TheStoreHearsEveryChangeAndANewBoardGetsTheWorkBack) {
    MemoryStore store;
    board.SetWorkStore(&store);
    LoadDrawings(1);
    Play(board, "LRcUu");
    ASSERT_EQ(store.kept.size(), 1u);
    const auto& [key, kept] = *store.kept.begin();
    EXPECT_EQ(key.folder, "http://pictures.test/folder/");
    EXPECT_EQ(key.contentHash, PictureHash(board.SourcePicture()));
    EXPECT_TRUE(SameEntries(kept.done, board.History().UndoEntries()));
    EXPECT_TRUE(SameEntries(kept.undone, board.History().RedoEntries()));

    // The next run: another board asks the store once and shows the page as it was left.
    FakeBoardHost otherHost(&screen);
    ColouringBoard other(otherHost, resources);
    TestFolderLoader otherLoader;
    otherLoader.folder = loader.folder;
    other.SetFolderLoader(&otherLoader);
    other.SetWorkStore(&store);
    ASSERT_EQ(other.Initialise(), 0);
    const int loads = store.loads;
    other.SetImageURL("http://pictures.test/folder");
    EXPECT_EQ(store.loads, loads + 1);
    EXPECT_TRUE(SameCanvas(other.Canvas(), board.Canvas()));
    EXPECT_TRUE(otherHost.buttonEnabled[kButtonUndo]);
    EXPECT_TRUE(otherHost.buttonEnabled[kButtonRedo]);

    // A changed drawing under the same name starts clean.
    otherLoader.folder.assign(1, MakeDrawing(200));
    other.SetImageURL("http://pictures.test/folder");
    EXPECT_FALSE(other.History().CanUndo());
    EXPECT_FALSE(other.History().CanRedo());
}

TEST_F(BoardTest, TheThumbnailShowsEachPictureColouredTheSameWhileColouredAndSetAside) {
    CDibImage second = MakeDrawing();
    SetImagePixel(second, 10, 10, 0, 0, 0);   // another picture than the first
    loader.folder = {MakeDrawing(), second};
    board.SetImageURL("http://pictures.test/two");
    // Thumbnail pixel inside the left area, away from the frame and the line.
    const int x = kThumbnailRect.left + 40, y = kThumbnailRect.top + 100;
    Paint();
    ASSERT_EQ(Screen(x, y), kWhite);
    host.invalidated = Rect{};
    Play(board, "L");
    EXPECT_EQ(Intersect(host.invalidated, kThumbnailRect), kThumbnailRect) << "not asked to repaint";
    // Painted after each step, so that the thumbnail follows fill by fill.
    for (const char* step : {"u", "R", "c", "U", "u", "U", "L"}) {
        Play(board, step);
        Paint();
    }
    EXPECT_EQ(Screen(x, y), board.SelectedColour()) << "the picture being coloured";
    std::vector<ColourRef> coloured;
    for (int ty = kThumbnailRect.top; ty < kThumbnailRect.bottom; ++ty) {
        for (int tx = kThumbnailRect.left; tx < kThumbnailRect.right; ++tx) coloured.push_back(Screen(tx, ty));
    }

    // The second picture on the canvas, then the thumbnail back on the first.
    board.NextPicture();
    board.Click(728, 276);
    Paint();
    EXPECT_EQ(Screen(x, y), kWhite);
    board.PreviousPicture();
    Paint();
    std::size_t at = 0, differing = 0;
    for (int ty = kThumbnailRect.top; ty < kThumbnailRect.bottom; ++ty) {
        for (int tx = kThumbnailRect.left; tx < kThumbnailRect.right; ++tx) differing += Screen(tx, ty) != coloured[at++];
    }
    EXPECT_EQ(differing, 0u) << "a picture set aside";
}

}  // namespace
}  // namespace kolo
