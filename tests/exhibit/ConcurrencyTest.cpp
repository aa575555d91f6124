#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "support/TestFiles.h"
#include "app/AppState.h"

namespace {

constexpr int kFolders = 30;
constexpr int kPerFolder = 20;
constexpr size_t kPictures = size_t(kFolders) * kPerFolder;

// kFolders folders of kPerFolder small pictures, landscape and portrait in
// turn, made once for the suite: g<f>\f<nnn>\p<nnn>.bmp.
class ExhibitThreads : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tree_ = new TempFolder(L"threads");
        const std::string wide = BmpBytes(6, 4), tall = BmpBytes(4, 6);
        for (int f = 0; f < kFolders; ++f) {
            for (int n = 0; n < kPerFolder; ++n) {
                wchar_t name[64];
                swprintf(name, 64, L"g%d\\f%03d\\p%03d.bmp", f % 3, f, n);
                tree_->File(name, (n % 2) ? tall : wide);
            }
        }
    }
    static void TearDownTestSuite() {
        delete tree_;
        tree_ = nullptr;
    }

    // Every path the exhibit hands out is one of the tree's, whole.
    static bool WellFormed(const std::wstring& path) {
        const std::wstring prefix = tree_->Root() + L"\\g";
        return path.rfind(prefix, 0) == 0 && path.size() == prefix.size() + 15 &&
               path.compare(path.size() - 4, 4, L".bmp") == 0;
    }

    static TempFolder* tree_;
};

TempFolder* ExhibitThreads::tree_ = nullptr;

}  // namespace

// The interface side shows, steps, re-sorts and filters by shape while builds
// append and sort on the worker and another thread keeps sorting: no path is
// ever torn, the picture shown never changes but by a step, and after every
// step the current index names the picture on screen.
TEST_F(ExhibitThreads, StepsStayOnTheShownPictureWhileBuildsAppendAndSort) {
    AppState state;
    state.slide = false;
    state.logerrors = false;
    std::atomic<bool> stop{false};
    std::atomic<long> sorts{0}, torn{0};
    std::thread sorter([&] {
        std::mt19937 random(5);
        while (!stop) {
            state.exhibit->Sort();
            ++sorts;
            const size_t n = state.exhibit->Size();
            if (n > 0) {
                const std::optional<ImageEntry> entry = state.exhibit->EntryAt(random() % n);
                if (entry && !WellFormed(entry->path)) ++torn;
            }
            const std::wstring current = state.exhibit->CurrentPath();
            if (!current.empty() && !WellFormed(current)) ++torn;
            Sleep(random() % 3);
        }
    });

    std::mt19937 random(11);
    long steps = 0, builds = 0, mismatches = 0, moved = 0;
    const DWORD start = GetTickCount();
    DWORD lastBuild = start - 1000;
    while (GetTickCount() - start < 3000) {
        // A new build a while after the last one has ended.
        if (!state.Building() && GetTickCount() - lastBuild > 250) {
            lastBuild = GetTickCount();
            state.sort = int32_t(random() % 3);
            state.sortby = int32_t(random() % 6);
            ASSERT_TRUE(state.BuildExhibit(tree_->Root().c_str(), false, nullptr));
            ++builds;
            state.ShowPicture(true);
        }
        switch (random() % 7) {
        case 0: state.exhibit->Step(int32_t(1 + random() % 10), true); state.ShowPicture(true); break;
        case 1: state.exhibit->Step(int32_t(1 + random() % 10), false); state.ShowPicture(false); break;
        case 2: state.exhibit->MoveTo(int64_t(random() % kPictures)); state.ShowPicture(true); break;
        case 3:
            state.sort = int32_t(random() % 3);
            state.sortby = int32_t(random() % 6);
            state.SortExhibit();
            break;
        case 4:
            state.landscapeOnly = random() % 2 == 0;
            state.portraitOnly = !state.landscapeOnly && random() % 2 == 0;
            state.ShowPicture(true);
            break;
        case 5: state.exhibit->StepFolder(random() % 2 == 0); state.ShowPicture(true); break;
        default: Sleep(1); break;
        }
        ++steps;
        if (!state.picture.IsLoaded()) continue;
        const std::wstring shown = state.shownFile;
        if (!state.exhibit->IsShowing(shown)) ++mismatches;
        // Left alone, the picture stays current whatever the worker sorts.
        Sleep(random() % 2);
        if (state.exhibit->CurrentPath() != shown || !state.exhibit->IsShowing(shown)) ++moved;
    }
    stop = true;
    sorter.join();
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));

    // Enough of each happened for the checks to mean something.
    EXPECT_GE(builds, 3);
    EXPECT_GE(steps, 50);
    EXPECT_GE(sorts.load(), 50);
    EXPECT_EQ(0, torn.load());
    EXPECT_EQ(0, mismatches);
    EXPECT_EQ(0, moved);
    const std::vector<ImageEntry> entries = state.exhibit->Snapshot();
    std::set<std::wstring> unique;
    for (const ImageEntry& e : entries) unique.insert(e.path);
    EXPECT_EQ(kPictures, entries.size());
    EXPECT_EQ(kPictures, unique.size());
    state.picture.Release();
}
