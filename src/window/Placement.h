// Window placement arithmetic, free of any window: centring, roaming and
// keeping a window on its monitor.
#pragma once

#include <windows.h>

#include "app/AppState.h"

// Top-left corner that centres a window of size (w, h) in `area`.
POINT CenteredOrigin(const RECT& area, int w, int h);

// Top-left corner for a roaming window: on each axis where the area is larger
// than the window the coordinate is origin + r mod (extent - window extent),
// with r from the two random draws; otherwise the axis is centred.
POINT RoamingOrigin(const RECT& area, int w, int h, int randomX, int randomY);

// The rectangle a window keeps when corralled onto `monitor`: at least
// 100 x 100, pulled back inside the right and bottom edges (10 pixels of slack)
// and the screen origin (10 pixels of slack).
Rect32 CorralledRect(Rect32 r, const RECT& monitor);

// Centre point of a placement rectangle, halves truncated toward zero.
POINT RectCentre(const Rect32& r);
