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
#include "BenchTree.h"
#include "app/AppState.h"
#include "exhibit/SortRules.h"


int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    using namespace bench;
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
