// Window placement arithmetic, free of any window: centring, roaming and
// keeping a window on its monitor. Only KeepOnMonitor asks the system (for
// the monitors); everything else is plain arithmetic.
#pragma once

#include <windows.h>

#include "window/Rect32.h"

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

// A saved window rectangle brought onto `workArea`. One that fits the area and
// overlaps it comes back unchanged. Otherwise it is cut to the area's size
// where it is larger and moved the least distance that puts it wholly inside.
// An empty or inverted one becomes half the area each way, centred. Any
// 32-bit edges are safe: the arithmetic is 64-bit.
Rect32 BringOntoArea(const Rect32& saved, const RECT& workArea);

// `saved` unchanged when it meets a monitor and is no larger than the work
// area of the monitor nearest to it; otherwise brought onto that work area
// (cut to its size and moved inside). An empty or inverted rectangle, or one
// whose width or height does not fit 32 bits, counts as meeting none.
Rect32 KeepOnMonitor(const Rect32& saved);
