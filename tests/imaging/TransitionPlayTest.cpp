// Transition plans played with the real GDI calls onto memory surfaces.
#include "imaging/Transitions.h"
#include "support/Pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace transition;
using pictures::Surface;

namespace {

uint32_t Pattern(int x, int y) { return (uint32_t(x * 37 + 11) & 0xff) << 16 | (uint32_t(y * 53 + 7) & 0xff) << 8 | 0x5a; }
constexpr Latencies kNoWait{0, 0, 0, 0, 0, 0, 0};

}  // namespace

// Every effect, played on frames of odd and extreme shapes, leaves exactly the
// picture in its frame and nothing outside it.
TEST(TransitionPlay, EveryEffectPaintsThePictureIntoItsFrameOnly) {
    const int x = 7, y = 5;
    std::srand(4);
    for (const auto& [w, h] : {std::pair{61, 43}, {2, 3}}) {
        Surface source(w, h);
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) source.bits[size_t(r) * w + c] = Pattern(c, r);
        for (int effect = 0; effect < kEffectCount; ++effect) {
            Surface screen(w + 20, h + 15);
            CrtRandom random;
            Play(BuildPlan(effect, x, y, w, h, kNoWait, random), screen.dc, source.dc);
            for (int r = 0; r < h + 15; ++r)
                for (int c = 0; c < w + 20; ++c)
                    ASSERT_EQ(screen.At(c, r), c >= x && r >= y && c < x + w && r < y + h ? Pattern(c - x, r - y) : 0x0000FFu)
                        << "effect " << effect << ", " << w << "x" << h << " at " << c << "," << r;
        }
    }
}
