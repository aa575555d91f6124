// A folder of 200,000 empty .png files and one good picture that sorts last:
// from the start of the exhibit build to the good picture loaded, every empty
// file tried, dropped and logged on the way; against the floor of one plain
// FindFirstFileW walk of the same folder.
//
//   bench_failures.exe [folder] [runs]
// The folder (bench-failures beside the executable by default) is made by
// scripts/bench.sh on the host side: Wine creates files in a folder that
// large far too slowly.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "app/AppState.h"

namespace {

constexpr int kEmpty = 200000;

size_t PlainWalk(const std::wstring& root) {
    WIN32_FIND_DATAW data;
    size_t files = 0;
    HANDLE find = FindFirstFileW((root + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring root = self;
    root = root.substr(0, root.rfind(L'\\') + 1) + L"bench-failures";
    if (argc > 1) root.assign(argv[1], argv[1] + std::strlen(argv[1]));
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (PlainWalk(root) < 2) {
        std::printf("bench_failures: no folder of empty files at %ls (scripts/bench.sh makes it)\n", root.c_str());
        return 2;
    }
    std::vector<double> walk, ours;
    bool shown = true;
    for (int run = 0; run < runs; ++run) {
        double t = bench::Now();
        PlainWalk(root);
        walk.push_back(bench::Now() - t);

        AppState state;
        state.sort = 0;
        state.sortby = kSortName;
        state.removefail = state.logerrors = true;
        const std::wstring log = root + L"-errors.log";
        DeleteFileW(log.c_str());
        wcscpy(state.errorsLogPath, log.c_str());
        t = bench::Now();
        state.BuildExhibit(root.c_str(), false, nullptr);
        while (state.Building()) Sleep(1);
        state.exhibit->MoveTo(0);
        // One search gives the interface thread back after a bounded number of
        // tries and goes on at a message; here it simply goes on.
        for (int turn = 0; turn < kEmpty && !state.picture.IsLoaded() && state.ExhibitSize() > 0; ++turn)
            state.ShowPicture(true);
        ours.push_back(bench::Now() - t);
        shown = shown && state.picture.IsLoaded() && state.exhibit->Size() == 1;
        DeleteFileW(log.c_str());
    }
    const double w = bench::Median(walk), o = bench::Median(ours);
    std::printf("%d empty files and one picture: build and show %.0f ms, plain walk %.0f ms, ratio %.2f (goal <= 2)%s\n",
                kEmpty, o, w, w > 0 ? o / w : 0.0, shown ? "" : "  THE PICTURE WAS NOT SHOWN");
    return shown ? 0 : 1;
}
