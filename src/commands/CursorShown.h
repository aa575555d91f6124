// Raises the cursor display count for the life of a modal dialog or menu, so
// the cursor is visible even where the viewer hides it.
#pragma once

#include <windows.h>

class CursorShown {
public:
    CursorShown() { ShowCursor(TRUE); }
    ~CursorShown() { ShowCursor(FALSE); }
    CursorShown(const CursorShown&) = delete;
    CursorShown& operator=(const CursorShown&) = delete;
};
