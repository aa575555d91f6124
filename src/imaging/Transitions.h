// Playing a transition plan onto a device context.
#pragma once

#include <windows.h>

#include "imaging/TransitionPlan.h"

namespace transition {

// Performs the plan's copies from `src` (origin 0, 0) to `dst`, blocking the
// calling thread. Pauses are kept against a running deadline, so the time spent
// drawing is taken out of the following pause and the whole effect lasts about
// the sum of its pauses.
void Play(const Plan& plan, HDC dst, HDC src);

}  // namespace transition
