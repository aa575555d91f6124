// Display-mode requests: the full-screen toggle and its way back, and the
// roaming full-screen layout's claim on background erases.
#include <gtest/gtest.h>

#include "window/ModeChange.h"

TEST(ModeChange, FullScreenRequestTogglesAndOtherRequestsLeaveIt) {
    const ModeChange enter = PlanModeChange(0, 1);
    EXPECT_EQ(enter.layer, 1);
    EXPECT_TRUE(enter.enterFullScreen);
    EXPECT_FALSE(enter.leaveFullScreen);

    // Asked for full screen while in it: back to windowed, the way out runs.
    const ModeChange again = PlanModeChange(1, 1);
    EXPECT_EQ(again.layer, 0);
    EXPECT_FALSE(again.enterFullScreen);
    EXPECT_TRUE(again.leaveFullScreen);

    const ModeChange windowed = PlanModeChange(1, 0);
    EXPECT_EQ(windowed.layer, 0);
    EXPECT_TRUE(windowed.leaveFullScreen);

    // The wallpaper request from full screen still restores the windowed frame.
    const ModeChange wallpaper = PlanModeChange(1, 2);
    EXPECT_EQ(wallpaper.layer, 0);
    EXPECT_TRUE(wallpaper.leaveFullScreen);
    EXPECT_FALSE(wallpaper.enterFullScreen);
}

TEST(ModeChange, WindowedRequestsWhileWindowedChangeNothing) {
    for (int requested : {0, 2, 7, -1}) {
        const ModeChange change = PlanModeChange(0, requested);
        EXPECT_EQ(change.layer, 0) << requested;
        EXPECT_FALSE(change.enterFullScreen) << requested;
        EXPECT_FALSE(change.leaveFullScreen) << requested;
    }
}

TEST(ModeChange, OnlyPartialErasesOfTheRoamingFullScreenAreTakenOver) {
    EXPECT_TRUE(RoamingEraseTakesOver(1, 5, 200, 0));
    EXPECT_TRUE(RoamingEraseTakesOver(1, 5, 0, 30));
    // An erase from the origin is the whole window being shown: normal erase.
    EXPECT_FALSE(RoamingEraseTakesOver(1, 5, 0, 0));
    // The centred layout and the windowed viewer never take it over.
    EXPECT_FALSE(RoamingEraseTakesOver(1, 0, 200, 30));
    EXPECT_FALSE(RoamingEraseTakesOver(0, 5, 200, 30));
}
