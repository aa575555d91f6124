// The GDI+ flat interface as the program uses it: the types of <gdiplus.h>
// and its Gdip* functions, callable as gp::GdipLoadImageFromFile and so on.
#pragma once

#include <windows.h>
#include <objidl.h>  // PROPID and IStream, left out by WIN32_LEAN_AND_MEAN

#include <gdiplus.h>

namespace gp = Gdiplus::DllExports;
