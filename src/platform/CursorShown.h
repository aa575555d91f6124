// Raises the cursor display count for the life of a modal dialog or menu, so
// the cursor is visible even where the viewer hides it.
#pragma once

#include <windows.h>

class CursorShown {
public:
    CursorShown() { ShowCursor(TRUE); }
    ~CursorShown() { Hide(); }
    CursorShown(const CursorShown&) = delete;
    CursorShown& operator=(const CursorShown&) = delete;

    // Gives the count back early; the destructor then does nothing more.
    void Hide() {
        if (shown_) ShowCursor(FALSE);
        shown_ = false;
    }

private:
    bool shown_ = true;
};
