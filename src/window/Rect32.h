// A placement rectangle as the settings file holds it: four 32-bit values.
#pragma once

#include <cstdint>

struct Rect32 {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};
