// The benchmark tree: 100,000 files in 2,000 folders (45 pictures and 5 text
// files in each), made once under the temp folder and reused, and the plain
// folder walk that is the floor of every scan of it.
#pragma once

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <deque>
#include <string>

#include "BenchSupport.h"

namespace bench {

constexpr int kTop = 40, kSub = 50, kFiles = 50;   // 40 x 50 folders, 50 files each
constexpr int kPicturesPerFolder = 45;             // the rest are .txt

inline std::wstring TreeRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"oxbrill-bench-exhibit";
}

inline void MakeTree(const std::wstring& root) {
    const std::wstring marker = root + L"\\complete.marker";
    if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    std::printf("making the tree under %ls ...\n", root.c_str());
    std::fflush(stdout);
    const double start = Now();
    CreateDirectoryW(root.c_str(), nullptr);
    wchar_t path[MAX_PATH];
    static const wchar_t* const kExtensions[] = {L"jpg", L"png", L"JPG", L"gif", L"bmp"};
    for (int t = 0; t < kTop; ++t) {
        swprintf(path, MAX_PATH, L"%ls\\album%02d", root.c_str(), t);
        CreateDirectoryW(path, nullptr);
        for (int s = 0; s < kSub; ++s) {
            swprintf(path, MAX_PATH, L"%ls\\album%02d\\set%02d", root.c_str(), t, s);
            CreateDirectoryW(path, nullptr);
            for (int f = 0; f < kFiles; ++f) {
                if (f < kPicturesPerFolder)
                    swprintf(path, MAX_PATH, L"%ls\\album%02d\\set%02d\\IMG_%04d.%ls", root.c_str(), t, s, f,
                             kExtensions[f % 5]);
                else
                    swprintf(path, MAX_PATH, L"%ls\\album%02d\\set%02d\\notes%02d.txt", root.c_str(), t, s, f);
                HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
                if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
            }
        }
    }
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    std::printf("made in %.0f ms\n", Now() - start);
}

inline bool IsPictureName(const wchar_t* name) {
    const wchar_t* dot = wcsrchr(name, L'.');
    if (!dot) return false;
    for (const wchar_t* e : {L".jpg", L".jpeg", L".gif", L".bmp", L".png"})
        if (_wcsicmp(dot, e) == 0) return true;
    return false;
}

// The floor: breadth-first FindFirstFileW walk, counting picture names.
inline size_t PlainWalk(const std::wstring& root) {
    std::deque<std::wstring> queue{root + L"\\"};
    size_t pictures = 0;
    WIN32_FIND_DATAW data;
    while (!queue.empty()) {
        const std::wstring folder = std::move(queue.front());
        queue.pop_front();
        HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0)
                    queue.push_back(folder + data.cFileName + L"\\");
            } else if (IsPictureName(data.cFileName)) {
                ++pictures;
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return pictures;
}

}  // namespace bench
