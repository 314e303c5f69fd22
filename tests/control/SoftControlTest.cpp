// The software control's routing: buttons by state, and the board behind them.
#include <gtest/gtest.h>

#include "control/SoftControl.h"
#include "platform/soft/BmpResources.h"
#include "resources/EmbeddedResources.h"
#include "resources/ResourceIds.h"

namespace kolo {
namespace {

ColourRef FacePixel(int id, int x, int y) {
    BmpResources resources(kEmbeddedResources, kEmbeddedResourceCount);
    auto bitmap = resources.LoadBitmap(id);
    return dynamic_cast<SoftBitmap&>(*bitmap).Surface().GetPixel(x, y);
}

class SoftControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        control.print = [this]() { ++dialogs; };
        ASSERT_EQ(control.Create(), 0);
    }
    SoftControl control;
    int dialogs = 0;
};

TEST_F(SoftControlTest, PressedButtonShowsItsPressedFaceAndSendsOnRelease) {
    control.LeftButtonDown(385, 108);
    EXPECT_EQ(control.Screen().GetPixel(318 + 60, 84 + 20), FacePixel(kIdPrintPressed, 60, 20));
    EXPECT_EQ(dialogs, 0);
    control.LeftButtonUp(385, 108);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(control.Screen().GetPixel(318 + 60, 84 + 20), FacePixel(kIdPrintNormal, 60, 20));
}

TEST_F(SoftControlTest, ReleaseAwayFromThePressedButtonSendsNothing) {
    control.LeftButtonDown(385, 108);
    control.LeftButtonUp(700, 20);
    EXPECT_EQ(dialogs, 0);
}

TEST_F(SoftControlTest, DisabledButtonsShowTheirDisabledFaceAndSendNothing) {
    EXPECT_EQ(control.Screen().GetPixel(45 + 30, 85 + 20), FacePixel(kIdUndoDisabled, 30, 20));
    EXPECT_EQ(control.Screen().GetPixel(179 + 30, 85 + 10), FacePixel(kIdRedoDisabled, 30, 10));
    control.Click(100, 110);
    EXPECT_FALSE(control.Board().FindButton(kButtonUndo)->IsPressed());
    EXPECT_EQ(control.Screen().GetPixel(45 + 30, 85 + 20), FacePixel(kIdUndoDisabled, 30, 20));
}

TEST_F(SoftControlTest, ContainerAnswersOnInitImageWithTheAddress) {
    SoftControl other;
    other.onInitImage = [&other]() { other.Board().SetImageURL("http://pictures.test/x"); };
    other.Create();
    EXPECT_EQ(other.Board().ImageUrl(), "http://pictures.test/x/");
}

TEST_F(SoftControlTest, ExitClosesTheHost) {
    control.Click(512, 102);
    EXPECT_TRUE(control.Closed());
}

TEST_F(SoftControlTest, PaletteClickReachesTheBoardThroughTheScreen) {
    control.Click(716, 550);
    EXPECT_EQ(control.Board().SelectedColour(), MakeColourRef(204, 153, 0));
    EXPECT_EQ(control.Screen().GetPixel(760, 460), MakeColourRef(204, 153, 0));
}

}  // namespace
}  // namespace kolo
