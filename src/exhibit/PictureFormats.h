// The picture formats the exhibit may show, one row each. The row is all a
// format needs outside its decoder: the scan's extensions, the [Formats] key
// and its default, the command-line switches, the Formats menu item and its
// text in the language file all come from it.
#pragma once

#include <cstdint>
#include <iterator>

struct PictureFormatRow {
    const wchar_t* key;              // [Formats] key; the switches are "-<key>" and "-no<key>"
    const wchar_t* extensions[2];    // with the dot, any case; the second may be null
    bool shownByDefault;
    const wchar_t* label;            // the Formats menu item
};

// In the order of the settings file, the menu and the language file. The
// first seven are the original formats; new ones go at the end.
inline constexpr PictureFormatRow kPictureFormats[] = {
    {L"bmp", {L".bmp"}, true, L"BMP"},
    {L"emf", {L".emf"}, false, L"EMF"},
    {L"gif", {L".gif"}, true, L"GIF"},
    {L"ico", {L".ico"}, false, L"ICO"},
    {L"jpg", {L".jpg", L".jpeg"}, true, L"JPG"},
    {L"png", {L".png"}, true, L"PNG"},
    {L"tif", {L".tif", L".tiff"}, false, L"TIF"},
    {L"webp", {L".webp"}, true, L"WEBP"},
    {L"avif", {L".avif"}, true, L"AVIF"},
    {L"heic", {L".heic", L".heif"}, true, L"HEIC"},
    {L"jxl", {L".jxl"}, true, L"JXL"},
};
constexpr int kPictureFormatCount = static_cast<int>(std::size(kPictureFormats));

// Which formats are shown, by row of kPictureFormats; each starts at its default.
struct ShownFormats {
    bool on[kPictureFormatCount];
    constexpr ShownFormats() : on{} {
        for (int i = 0; i < kPictureFormatCount; ++i) on[i] = kPictureFormats[i].shownByDefault;
    }
    bool operator==(const ShownFormats&) const = default;
};

// The row with that key (exact case), or -1.
int PictureFormatByKey(const wchar_t* key);

// The row whose extension `name` (a file name or a path) ends in: the text
// from its last "." compared in any case; -1 for none, and for no ".".
int PictureFormatOfName(const wchar_t* name);
