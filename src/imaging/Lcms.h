// Little CMS's header as the library here is built. Its own build compiles it
// as for a DLL on Windows, linked statically or not, so its functions are
// __stdcall, which on 32-bit x86 is another calling convention with other
// names: the header is told so (CMS_DLL), without the DLL import that comes
// with it (dllimport made empty while it is read).
#pragma once

#define CMS_DLL
#define dllimport
#include <lcms2.h>
#undef dllimport
