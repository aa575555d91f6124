#include "exhibit/PictureFormats.h"

#include <cwchar>

int PictureFormatByKey(const wchar_t* key) {
    if (!key) return -1;
    for (int i = 0; i < kPictureFormatCount; ++i)
        if (wcscmp(kPictureFormats[i].key, key) == 0) return i;
    return -1;
}

int PictureFormatOfName(const wchar_t* name) {
    const wchar_t* dot = name ? wcsrchr(name, L'.') : nullptr;
    if (!dot) return -1;
    for (int i = 0; i < kPictureFormatCount; ++i)
        for (const wchar_t* extension : kPictureFormats[i].extensions)
            if (extension && _wcsicmp(dot, extension) == 0) return i;
    return -1;
}
