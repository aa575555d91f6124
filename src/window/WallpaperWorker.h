// Making the wallpaper off the interface thread: one worker takes the newest
// request (an older one still waiting is dropped), encodes the picture from
// pixels of its own, writes the wallpaper file and hands it to the system or
// asks the Blackbox shell. It touches no window of the viewer: it only posts
// `message` to `notify` after a file was written (wParam 1) or could not be (0).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct WallpaperRequest {
    // The picture as it is shown, copied (32-bit ARGB rows); none when no file is written.
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    int outWidth = 0, outHeight = 0;   // the size the file is written at
    std::wstring file;                  // the wallpaper file
    bool setSystem = false;             // handed to the system as its wallpaper
    // Requests to the Blackbox shell, sent in order with `pauseMs` between them.
    HWND blackbox = nullptr;
    HWND sender = nullptr;              // named in the requests as their sender
    std::vector<std::string> commands;
    DWORD pauseMs = 0;
    HWND notify = nullptr;
    UINT message = 0;
};

class WallpaperWorker {
public:
    WallpaperWorker() = default;
    // Waits for a request under way about a second at most.
    ~WallpaperWorker();
    WallpaperWorker(const WallpaperWorker&) = delete;
    WallpaperWorker& operator=(const WallpaperWorker&) = delete;

    void Post(WallpaperRequest request);
    // Drops what waits and gives the request under way `ms` to end; true when it did.
    bool Finish(DWORD ms);

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

// The image's pixels at its own size, copied; false when they cannot be had.
bool CopyPixels(void* gdiplusImage, int width, int height, std::vector<uint32_t>& pixels);

// One request to the Blackbox shell's window `shell` on behalf of `sender`.
void SendBlackboxRequest(HWND shell, HWND sender, const char* command);
