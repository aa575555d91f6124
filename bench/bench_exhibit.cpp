// Exhibit build speed on a tree of 100,000 files in 2,000 folders:
//   (a) a plain FindFirstFileW breadth-first walk counting picture names (the floor),
//   (b) the time until BuildExhibit lets the calling thread go on,
//   (c) the whole build including its sort,
//   and sorting 100,000 entries by the tree rule.
// The tree is made once under the temp folder and reused.
//
//   bench_exhibit.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <deque>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/AppState.h"
#include "exhibit/SortRules.h"

namespace {

constexpr int kTop = 40, kSub = 50, kFiles = 50;   // 40 x 50 folders, 50 files each
constexpr int kPicturesPerFolder = 45;             // the rest are .txt

std::wstring TreeRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"oxbrill-bench-exhibit";
}

void MakeTree(const std::wstring& root) {
    const std::wstring marker = root + L"\\complete.marker";
    if (GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    std::printf("making the tree under %ls ...\n", root.c_str());
    std::fflush(stdout);
    const double start = bench::Now();
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
    std::printf("made in %.0f ms\n", bench::Now() - start);
}

bool IsPictureName(const wchar_t* name) {
    const wchar_t* dot = wcsrchr(name, L'.');
    if (!dot) return false;
    for (const wchar_t* e : {L".jpg", L".jpeg", L".gif", L".bmp", L".png"})
        if (_wcsicmp(dot, e) == 0) return true;
    return false;
}

// The floor: breadth-first FindFirstFileW walk, counting picture names.
size_t PlainWalk(const std::wstring& root) {
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

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::wstring root = TreeRoot();
    MakeTree(root);
    const size_t expected = static_cast<size_t>(kTop) * kSub * kPicturesPerFolder;

    std::vector<double> walk, release, build, sortTimes;
    size_t walked = 0, built = 0;
    for (int run = 0; run < runs; ++run) {
        double t0 = bench::Now();
        walked = PlainWalk(root);
        walk.push_back(bench::Now() - t0);

        AppState state;
        state.sort = 0;
        state.sortby = kSortTree;
        t0 = bench::Now();
        state.BuildExhibit(root.c_str(), false, nullptr);
        const double released = bench::Now();
        while (state.Building()) Sleep(0);
        const double done = bench::Now();
        release.push_back(released - t0);
        build.push_back(done - t0);
        const std::vector<ImageEntry> found = state.exhibit->Snapshot();
        built = found.size();

        // Sorting the finished list again by the tree rule, from a shuffled order.
        // 100,000 entries: the exhibit and a second album beside it.
        std::vector<ImageEntry> entries = found;
        for (size_t i = 0; entries.size() < 100000; ++i) {
            ImageEntry extra = found[i];
            extra.path.replace(extra.path.find(L"IMG_"), 4, L"IMH_");
            entries.push_back(std::move(extra));
        }
        std::mt19937 engine(static_cast<unsigned>(run));
        ShuffleEntries(entries, engine);
        t0 = bench::Now();
        SortEntries(entries, kSortTree, false, false);
        sortTimes.push_back(bench::Now() - t0);
    }

    const double a = bench::Median(walk), b = bench::Median(release), c = bench::Median(build), s = bench::Median(sortTimes);
    std::printf("tree: %d folders, %d files, %zu pictures (walk found %zu, build found %zu)\n", kTop * kSub + kTop,
                kTop * kSub * kFiles, expected, walked, built);
    std::printf("medians of %d runs:\n", runs);
    std::printf("  (a) plain FindFirstFileW walk         %8.1f ms\n", a);
    std::printf("  (b) BuildExhibit releases the caller  %8.1f ms   goal < 50 ms\n", b);
    std::printf("  (c) whole build including the sort   %8.1f ms   ratio c/a %.2f (goal <= 1.5)\n", c, c / a);
    std::printf("      sort of 100000 entries by tree    %8.1f ms   goal < 200 ms\n", s);
    const bool ok = walked == expected && built == expected && b < 50.0 && c <= 1.5 * a && s < 200.0;
    std::printf("%s\n", ok ? "all goals met" : "GOALS MISSED");
    return ok ? 0 : 1;
}
