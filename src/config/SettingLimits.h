// The range every numeric setting is kept in, so that no value from the
// settings file, the command line or a dialog can stall or break the viewer.
// One row per field; AppState::ClampSettings applies them. No windows here.
#pragma once

#include <cstdint>
#include <span>

#include "app/AppState.h"

// What becomes of a value outside its row's range.
enum class OutOfRange : uint8_t {
    Nearest,      // a quantity: the nearer end of the range
    Default,      // a code: the field's default (a fresh AppState's value)
    Highest,      // a code whose last choice stands for every other value
    QuarterTurn,  // degrees: a multiple of 90 within the range, else the default
};

struct SettingLimit {
    int32_t AppState::*field;
    int32_t lowest;
    int32_t highest;
    OutOfRange outside;
};

std::span<const SettingLimit> SettingLimits();
