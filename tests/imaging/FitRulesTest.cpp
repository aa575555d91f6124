#include <gtest/gtest.h>

#include <climits>

#include "imaging/FitRules.h"

namespace {

DisplaySize Fit(int32_t w, int32_t h, int32_t aw, int32_t ah, bool squeeze, bool shrink, bool stretch,
                int32_t zoom = 0) {
    return FitDisplaySize(w, h, FitArea{aw, ah}, zoom, squeeze, shrink, stretch);
}

::testing::AssertionResult Is(DisplaySize got, int32_t w, int32_t h) {
    if (got.width == w && got.height == h) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << got.width << " x " << got.height << ", want " << w << " x " << h;
}

}  // namespace

TEST(FitRules, SqueezeAndTheZoomItReports) {
    // 1000 x 800 in 500 x 390: height first, then the width still fits.
    const DisplaySize squeezed = Fit(1000, 800, 500, 390, true, false, false);
    EXPECT_TRUE(Is(squeezed, 487, 390));
    const int32_t effective = EffectiveZoom(0, squeezed.width, 1000);
    EXPECT_EQ(effective, 48);
    // The next draw at the reported zoom no longer consults the fit rules.
    EXPECT_TRUE(Is(Fit(1000, 800, 500, 390, true, false, false, effective), 480, 384));
    EXPECT_EQ(EffectiveZoom(48, 480, 1000), 48);
    // Width-limited: 1600 x 400 in 800 x 600.
    EXPECT_TRUE(Is(Fit(1600, 400, 800, 600, true, false, false), 800, 200));
    // Never enlarges.
    EXPECT_TRUE(Is(Fit(200, 100, 800, 600, true, false, false), 200, 100));
}

TEST(FitRules, StretchAndShrinkCoverTheArea) {
    EXPECT_TRUE(Is(Fit(200, 100, 400, 400, false, false, true), 800, 400));
    EXPECT_TRUE(Is(Fit(200, 100, 400, 400, true, false, true), 400, 200));
    // A wide picture reaching the height first must still cover the width.
    EXPECT_TRUE(Is(Fit(100, 100, 400, 200, false, false, true), 400, 400));
    // Stretch never shrinks.
    EXPECT_TRUE(Is(Fit(900, 900, 400, 400, false, false, true), 900, 900));

    EXPECT_TRUE(Is(Fit(3000, 2000, 1000, 1000, false, true, false), 1500, 1000));
    EXPECT_TRUE(Is(Fit(3000, 800, 1000, 1000, false, true, false), 3000, 800));
    // Tall picture: the height rule would leave the width short, so the width decides.
    EXPECT_TRUE(Is(Fit(2000, 3000, 1000, 1000, false, true, false), 1000, 1500));
}

TEST(FitRules, FlagCombinations) {
    const int32_t aw = 800, ah = 600;
    // Nothing on: natural size, large or small.
    EXPECT_TRUE(Is(Fit(2000, 1000, aw, ah, false, false, false), 2000, 1000));
    EXPECT_TRUE(Is(Fit(100, 50, aw, ah, false, false, false), 100, 50));
    // Squeeze wins over shrink.
    EXPECT_TRUE(Is(Fit(2000, 1000, aw, ah, true, true, false), 800, 400));
    // Squeeze and stretch: exactly one side fits, whatever the size.
    EXPECT_TRUE(Is(Fit(100, 50, aw, ah, true, false, true), 800, 400));
    EXPECT_TRUE(Is(Fit(4000, 1000, aw, ah, true, false, true), 800, 200));
    // Shrink and stretch: small pictures grow to cover, large ones shrink to cover.
    EXPECT_TRUE(Is(Fit(100, 50, aw, ah, false, true, true), 1200, 600));
    EXPECT_TRUE(Is(Fit(4000, 2000, aw, ah, false, true, true), 1200, 600));
}

// The ratio and each product are rounded to single precision before truncation.
// Both cases below differ by a pixel from plain double or exact integer arithmetic.
TEST(FitRules, SinglePrecisionRounding) {
    EXPECT_TRUE(Is(Fit(626, 600, 1000, 300, true, false, false), 313, 300));  // double gives 312
    EXPECT_TRUE(Is(Fit(496, 14, 1000, 7, true, false, false), 247, 7));       // exact gives 248
}

TEST(FitRules, ZoomTruncatesAndNeverWraps) {
    EXPECT_TRUE(Is(Fit(333, 77, 10, 10, true, true, true, 50), 166, 38));
    EXPECT_TRUE(Is(Fit(6000, 4000, 10, 10, false, false, false, 1), 60, 40));
    // A zoom far past the 32-bit range of the size is held at the limit, not turned negative.
    const DisplaySize huge = Fit(60000, 40000, 10, 10, false, false, false, INT_MAX);
    EXPECT_EQ(huge.width, INT_MAX);
    EXPECT_EQ(huge.height, INT_MAX);
    EXPECT_FALSE(FitsPictureBuffer(huge.width, huge.height));
    EXPECT_TRUE(FitsPictureBuffer(8192, 8192));  // exactly 256 MiB at 32 bits
    EXPECT_FALSE(FitsPictureBuffer(8193, 8192));
}
