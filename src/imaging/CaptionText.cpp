#include "imaging/CaptionText.h"

#include <cwchar>

namespace {

template <typename... Args>
std::wstring Format(const wchar_t* format, Args... args) {
    wchar_t buffer[128];
    const int n = std::swprintf(buffer, sizeof buffer / sizeof buffer[0], format, args...);
    return n < 0 ? std::wstring() : std::wstring(buffer, static_cast<size_t>(n));
}

// The bare name shown when the full path is not wanted: the text after the
// last backslash (a shortcut keeps its leading '*'), without its extension.
std::wstring BareName(const std::wstring& text, bool isLink) {
    std::wstring name;
    const size_t slash = text.rfind(L'\\');
    if (slash == std::wstring::npos) name = text;
    else name = (isLink ? L"*" : L"") + text.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

}  // namespace

std::wstring FormatCaption(const CaptionInput& in) {
    const std::wstring product = in.productName ? in.productName : L"";
    if (!in.title) return product;
    if (in.exhibitEmpty) return std::wstring(in.viewedFolder ? in.viewedFolder : L"") + L" - " + product;

    std::wstring text = in.currentPath ? in.currentPath : L"";
    if (in.isLink) text.insert(0, L"*");
    std::wstring caption = (in.fullname || in.isPasted) ? text : BareName(text, in.isLink);
    caption += L" - ";
    caption += product;
    if (in.note)
        caption += std::wstring(L" (") + in.note + L")";
    else if (in.currentZoom != 100 && !in.collage)
        caption += Format(L" (Zoom: %d x %d)", int(in.displayWidth), int(in.displayHeight));
    return caption;
}

std::wstring TrayTipText(const std::wstring& caption) { return caption.substr(0, 127); }

std::array<std::wstring, 5> FormatStatusParts(const StatusInput& in) {
    std::array<std::wstring, 5> parts;
    if (!in.pictureShown) return parts;

    if (in.isPasted) {
        parts[0] = std::wstring(L"\t") + in.notAFileText;
    } else {
        parts[0] = in.sizeKnown ? Format(L"\t%2.2f", double(in.fileSize) / 1024.0) : std::wstring(L"\t!");
        parts[0] += in.kbText;
    }

    parts[1] = Format(L"\t%ux%ux%d", unsigned(in.naturalWidth), unsigned(in.naturalHeight), in.bitsPerPixel);

    if (in.collage) {
        const unsigned percent = in.naturalWidth ? unsigned(in.collagesize) * 100u / in.naturalWidth : 0u;
        parts[2] = Format(L"\t%d%%", int(percent));
        parts[3] = std::wstring(L"\t") + in.collageText;
    } else {
        parts[2] = Format((in.zoom != 0 && !in.zoomHeld) ? L"\t!%d%%" : L"\t%d%%", int(in.currentZoom));
        if (!(in.squeeze && !in.zoomHeld)) {
            const int32_t step = in.scrollStep > 0 ? in.scrollStep : 100;
            const int h = in.excessWidth > 0 ? int(in.excessWidth / step + 1) : 0;
            const int v = in.excessHeight > 0 ? int(in.excessHeight / step + 1) : 0;
            parts[3] = Format(L"\t H:%d V:%d", h, v);
        }
    }

    parts[4] = in.isPasted ? Format(L"\t?/%u", unsigned(in.count))
                           : Format(L"\t%u/%u", unsigned(in.index + 1), unsigned(in.count));
    return parts;
}

int BitsForPixelFormat(uint32_t format) {
    switch (format) {
        case 0x30101: return 1;
        case 0x30402: return 4;
        case 0x30803: return 8;
        case 0x101004: case 0x21005: case 0x21006: case 0x61007: return 16;
        case 0x21808: return 24;
        case 0x22009: case 0x26200A: case 0xE200B: return 32;
        case 0x10300C: return 48;
        case 0x34400D: case 0x1C400E: return 64;
        default: return 0;
    }
}

std::wstring OverlayText(bool exhibitEmpty, const wchar_t* viewedFolder, const wchar_t* currentPath, bool isLink) {
    if (exhibitEmpty) return viewedFolder ? viewedFolder : L"";
    std::wstring text = currentPath ? currentPath : L"";
    if (isLink) text.insert(0, L"*");
    return text;
}
