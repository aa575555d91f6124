// The texts that tell the user what is shown: the window caption (and tray
// tip), the five information fields of the status bar, and the picture's bit
// depth. Pure formatting: the AppState methods gather the inputs and push the
// results to the windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct CaptionInput {
    bool title = true;            // show the picture's name at all
    bool fullname = true;         // the whole path rather than the bare name
    bool exhibitEmpty = false;
    bool isLink = false;          // currentPath names a shortcut
    bool isPasted = false;        // a pasted picture is shown
    bool collage = false;
    const wchar_t* viewedFolder = L"";
    const wchar_t* currentPath = L"";
    const wchar_t* productName = L"Oxbrill";
    int32_t currentZoom = 0;
    int32_t displayWidth = 0;
    int32_t displayHeight = 0;
    const wchar_t* note = nullptr;   // said in place of the zoom: why no picture shows
};

std::wstring FormatCaption(const CaptionInput& in);

// The caption cut to what a tray icon tip holds (127 characters).
std::wstring TrayTipText(const std::wstring& caption);

struct StatusInput {
    bool pictureShown = false;    // a picture is loaded and the exhibit is not empty
    bool isPasted = false;
    bool sizeKnown = false;       // fileSize could be read
    uint32_t fileSize = 0;        // bytes
    const wchar_t* kbText = L"KB";
    const wchar_t* notAFileText = L"Not a file";
    const wchar_t* collageText = L"Collage";
    uint32_t naturalWidth = 0;
    uint32_t naturalHeight = 0;
    int bitsPerPixel = 0;
    bool collage = false;
    int32_t collagesize = 0;
    int32_t zoom = 0;             // the zoom lock
    int32_t currentZoom = 0;
    bool zoomHeld = false;
    bool squeeze = false;
    int32_t excessWidth = 0;
    int32_t excessHeight = 0;
    int32_t scrollStep = 100;
    uint32_t index = 0;           // currentIndex
    uint32_t count = 0;           // exhibit length
};

// Parts 0..4: file size, format, zoom, scroll steps, position. Every field
// starts with a tab, which centres it in its part.
std::array<std::wstring, 5> FormatStatusParts(const StatusInput& in);

// Bits per pixel of a GDI+ pixel format; 0 for formats the viewer does not name.
int BitsForPixelFormat(uint32_t format);

// The name drawn over a full-screen picture.
std::wstring OverlayText(bool exhibitEmpty, const wchar_t* viewedFolder, const wchar_t* currentPath, bool isLink);
