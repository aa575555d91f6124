// The exhibit shared between the interface thread, the build worker and a
// thread that keeps sorting.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "app/AppState.h"
#include "support/TestFiles.h"

constexpr int kFolders = 30, kPerFolder = 20;
constexpr size_t kPictures = size_t(kFolders) * kPerFolder;

// The interface side shows, steps, re-sorts and filters by shape while builds
// append and sort on the worker and another thread keeps sorting: no path is
// ever torn, the picture shown never changes but by a step, and after every
// step the current index names the picture on screen.
TEST(ExhibitThreads, StepsStayOnTheShownPictureWhileBuildsAppendAndSort) {
    // g<f % 3>\f<nnn>\p<nnn>.bmp, landscape and portrait in turn.
    TempFolder tree(L"threads");
    const std::string wide = BmpBytes(6, 4), tall = BmpBytes(4, 6);
    wchar_t name[64];
    for (int i = 0; i < int(kPictures); ++i) {
        swprintf(name, 64, L"g%d\\f%03d\\p%03d.bmp", i / kPerFolder % 3, i / kPerFolder, i % kPerFolder);
        tree.File(name, i % 2 ? tall : wide);
    }
    const auto wellFormed = [&tree](const std::wstring& path) {
        return path.size() == tree.Root().size() + 17 && path.rfind(tree.Root() + L"\\g", 0) == 0
            && path.ends_with(L".bmp");
    };
    AppState state;
    state.slide = state.logerrors = false;
    std::atomic<bool> stop{false};
    std::atomic<long> sorts{0}, torn{0};
    std::thread sorter([&] {
        std::mt19937 random(5);
        for (; !stop; ++sorts, Sleep(random() % 3)) {
            state.exhibit->Sort();
            const size_t n = state.exhibit->Size();
            const std::optional<ImageEntry> entry = n ? state.exhibit->EntryAt(random() % n) : std::nullopt;
            const std::wstring current = state.exhibit->CurrentPath();
            torn += (entry && !wellFormed(entry->path)) + (!current.empty() && !wellFormed(current));
        }
    });
    std::mt19937 random(11);
    long steps = 0, builds = 0, mismatches = 0, moved = 0;
    const DWORD start = GetTickCount();
    // Three seconds, and longer on a loaded machine until enough of each has happened.
    const auto enough = [&] { return builds >= 3 && steps >= 50 && sorts >= 50; };
    for (DWORD lastBuild = start - 1000; GetTickCount() - start < (enough() ? 3000u : 30000u); ++steps) {
        if (!state.Building() && GetTickCount() - lastBuild > 250) {   // a new build a while after the last ended
            lastBuild = GetTickCount();
            state.sort = int32_t(random() % 3);
            state.sortby = int32_t(random() % 6);
            ASSERT_TRUE(state.BuildExhibit(tree.Root().c_str(), false, nullptr));
            ++builds;
            state.ShowPicture(true);
        }
        switch (random() % 7) {
        case 0: state.exhibit->Step(int32_t(1 + random() % 10), true); state.ShowPicture(true); break;
        case 1: state.exhibit->Step(int32_t(1 + random() % 10), false); state.ShowPicture(false); break;
        case 2: state.exhibit->MoveTo(int64_t(random() % kPictures)); state.ShowPicture(true); break;
        case 3: state.sort = int32_t(random() % 3), state.sortby = int32_t(random() % 6); state.SortExhibit(); break;
        case 4:
            state.landscapeOnly = random() % 2 == 0;
            state.portraitOnly = !state.landscapeOnly && random() % 2 == 0;
            state.ShowPicture(true);
            break;
        case 5: state.exhibit->StepFolder(random() % 2 == 0); state.ShowPicture(true); break;
        default: Sleep(1); break;
        }
        if (!state.picture.IsLoaded()) continue;
        const std::wstring shown = state.shownFile;
        mismatches += !state.exhibit->IsShowing(shown);
        Sleep(random() % 2);   // left alone, the picture stays current whatever the worker sorts
        moved += state.exhibit->CurrentPath() != shown || !state.exhibit->IsShowing(shown);
    }
    stop = true;
    sorter.join();
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    // Enough of each happened for the checks to mean something.
    EXPECT_TRUE(enough()) << builds << " " << steps << " " << sorts;
    EXPECT_EQ(torn + mismatches + moved, 0) << torn << " torn, " << mismatches << " mismatched, " << moved << " moved";
    std::set<std::wstring> unique;
    for (const ImageEntry& e : state.exhibit->Snapshot()) unique.insert(e.path);
    EXPECT_TRUE(unique.size() == kPictures && state.exhibit->Size() == kPictures);
    state.picture.Release();
}

// A sort works on a copy of the list and puts it in place: entries appended
// one by one meanwhile are all kept, once each, and the current picture stays
// current through every sort.
TEST(ExhibitThreads, ASortOfACopyLosesNoAppendAndKeepsTheCurrentPicture) {
    Exhibit exhibit;
    const auto name = [](const wchar_t* folder, int i) {
        wchar_t path[64];
        swprintf(path, 64, L"C:\\%ls\\p%05d.jpg", folder, i);
        return std::wstring(path);
    };
    std::vector<ImageEntry> first;
    for (int i = 0; i < 3000; ++i) first.push_back(ImageEntry{name(L"a", i * 7919 % 3000)});
    exhibit.Assign(std::move(first));
    exhibit.MoveTo(1234);
    const std::wstring current = exhibit.CurrentPath();
    std::atomic<bool> done{false};
    std::thread appender([&] {
        for (int i = 0; i < 3000; ++i) {
            std::vector<ImageEntry> one{ImageEntry{name(i % 2 ? L"b" : L"0", i)}};
            exhibit.Append(std::move(one));
            if (i % 64 == 0) Sleep(1);
        }
        done = true;
    });
    int sorts = 0, lost = 0;
    for (; !done || sorts < 10; ++sorts) {
        exhibit.Sort(SortOrder{sorts % 2 ? kSortReverse : kSortForward, kSortTreeStrict, false});
        lost += !exhibit.IsShowing(current);
    }
    appender.join();
    EXPECT_EQ(lost, 0) << sorts;
    std::set<std::wstring> unique;
    for (const ImageEntry& e : exhibit.Snapshot()) unique.insert(e.path);
    EXPECT_TRUE(unique.size() == 6000u && exhibit.Size() == 6000u) << unique.size() << " " << exhibit.Size();
}
