// The file Save As writes, from the name the save dialog returned and the
// filter chosen in it. Free of windows, so the rule is tested on its own.
#pragma once

#include <string>

struct SaveAsName {
    std::wstring path;   // the file to write
    int format = 1;      // 0 BMP, 1 JPEG (the SaveScaled formats)
    // True when `path` is the very name the dialog returned: the dialog's own
    // overwrite prompt has asked about it. A name with an extension appended
    // after the dialog may name another file that exists: ask first.
    bool confirmedByDialog = true;
};

// Filter 2 is BMP, any other JPEG. The name keeps its own extension only when
// it is the format's (any case); otherwise ".jpg" or ".bmp" is appended, so
// "x.jpeg" saved as JPEG becomes "x.jpeg.jpg".
SaveAsName SaveAsNameFor(const std::wstring& chosen, unsigned filterIndex);
