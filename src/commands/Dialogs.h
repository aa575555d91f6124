// The small modal dialogs: a number, a program path, the about box and the
// background colour. Every text comes from the language table.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstdint>

#include "exhibit/FindRules.h"

struct NumericRequest {
    int titleIndex;   // dialog string of the title; the prompt is the next one
    uint32_t value;
};

struct PathRequest {
    int titleIndex;   // 18 image viewer, 19 file manager
    wchar_t* path;    // 260 characters, edited in place
};

// The system's save-file dialog: `path` (260 characters) holds the offered
// name and receives the chosen one, `filterIndex` (from 1) the filter chosen.
struct SaveRequest {
    const wchar_t* title = nullptr;          // null: the system's own
    const wchar_t* filter = nullptr;         // name\0pattern\0 pairs
    const wchar_t* initialFolder = nullptr;
    const wchar_t* defaultExtension = nullptr;
    DWORD flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    wchar_t* path = nullptr;
    DWORD filterIndex = 1;
};

// Each returns true when the user confirmed (OK), false when cancelled.
bool SaveFileDialog(HWND owner, SaveRequest& request);
bool NumericDialog(HWND owner, NumericRequest& request);
bool PathDialog(HWND owner, PathRequest& request);
void AboutDialog(HWND owner);
// The Find/Filter dialog on `find`: its text and options as left, and in
// `action` the button that ended it (kFindActionCancel for Cancel or Escape).
void FindFilterDialog(HWND owner, FindRecord& find);
// Opens the colour picker on `colour`; true with the new colour on OK.
bool PickColour(HWND owner, COLORREF& colour);

// Reads a number field as the numeric dialog does: unsigned decimal, anything
// that is not a number (or nothing) gives 0.
uint32_t ParseUnsignedField(const wchar_t* text);
