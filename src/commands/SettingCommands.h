// The settings that commands switch or choose, one row each: the field, the
// command, the command-line switches and what the change sets off. The
// dispatcher, the menu check marks and the command line all read these rows.
#pragma once

#include <cstdint>
#include <span>

#include "commands/CommandIds.h"

struct AppState;

// A boolean setting that a command turns over.
struct ToggleRow {
    bool AppState::*field;               // null for a format row, see `format`
    uint16_t command;                    // 0: no command, switches only
    const wchar_t* onSwitch;             // command-line option that sets it, or null
    const wchar_t* offSwitch;            // ... that clears it, or null
    bool AppState::*clears = nullptr;    // turned off whenever this one is turned on
    bool (*refused)(const AppState&) = nullptr;   // the command does nothing while this holds
    void (*after)(AppState&) = nullptr;           // what the command does after the change
    bool (*checked)(const AppState&) = nullptr;   // when the menu item is marked, if not by the field
    int format = -1;                     // a row of the format table: the setting is formats.on[format]
};

// The setting a row switches.
bool& Flag(AppState& s, const ToggleRow& row);
bool Flag(const AppState& s, const ToggleRow& row);

// A coded setting that a run of commands chooses from: command `first` + i
// sets values[i].
struct ChoiceRow {
    int32_t AppState::*field;
    uint16_t first;
    int32_t count;
    int32_t values[6];
    const wchar_t* switches[6];          // command-line option choosing values[i], or null
    // What the command does with the chosen value; null: store it, then `after`.
    void (*choose)(AppState&, int32_t value) = nullptr;
    void (*after)(AppState&) = nullptr;
};

// The toggles, those of the picture formats (exhibit/PictureFormats.h) made
// from the format table: "-<key>" and "-no<key>", the Formats item, a reload.
std::span<const ToggleRow> ToggleRows();
std::span<const ChoiceRow> ChoiceRows();

// The row behind a command, or null.
const ToggleRow* FindToggle(int command);
const ChoiceRow* FindChoice(int command);

// Applies the command-line switch `option` when a row names it; false when none does.
bool ApplySettingSwitch(AppState& s, const wchar_t* option);

// Carries out a row's command (the refusal, the change, what follows).
void RunToggle(AppState& s, const ToggleRow& row);
void RunChoice(AppState& s, const ChoiceRow& row, int command);
