#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "TempTree.h"
#include "app/AppState.h"

namespace {

// 120 folders of 50 pictures, two levels deep, made once for the suite.
class ExhibitThreads : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tree_ = new TempTree(L"threads");
        for (int f = 0; f < 120; ++f) {
            wchar_t folder[64];
            swprintf(folder, 64, L"g%02d\\f%03d", f % 12, f);
            for (int n = 0; n < 50; ++n) {
                wchar_t name[96];
                swprintf(name, 96, L"%ls\\p%03d.jpg", folder, n);
                tree_->File(name);
            }
        }
    }
    static void TearDownTestSuite() {
        delete tree_;
        tree_ = nullptr;
    }
    static constexpr size_t kPictures = 120 * 50;
    static TempTree* tree_;
};

TempTree* ExhibitThreads::tree_ = nullptr;

void WaitForBuild(AppState& state) {
    while (state.building) Sleep(1);
}

}  // namespace

// A reader on another thread copies entries out under the lock while the
// worker appends and sorts, and re-sorts and looks up as commands would.
TEST_F(ExhibitThreads, ReadersSeeWholeEntriesWhileABuildAppendsAndSorts) {
    const std::wstring prefix = tree_->Root() + L"\\g";
    AppState state;
    std::atomic<bool> stop{false};
    std::atomic<long> reads{0}, bad{0};
    std::thread reader([&] {
        std::mt19937 random(5);
        while (!stop) {
            std::wstring copy;
            int32_t index, size;
            {
                std::lock_guard<std::mutex> lock(state.exhibitLock);
                size = static_cast<int32_t>(state.exhibit.size());
                index = state.currentIndex;
                if (size > 0) copy = state.exhibit[random() % size].path;
            }
            ++reads;
            if (size > 0 && (index < 0 || index >= size)) ++bad;
            if (size > 0 && (copy.rfind(prefix, 0) != 0 || copy.size() != prefix.size() + 16 ||
                             copy.compare(copy.size() - 4, 4, L".jpg") != 0))
                ++bad;
            switch (random() % 64) {
            case 0: state.SortExhibit(); break;
            case 1: state.FindExhibitIndex(copy.c_str()); break;
            case 2: state.RandomIndex(size > 0 ? size : 1); break;
            default: break;
            }
        }
    });
    for (int round = 0; round < 8; ++round) {
        state.sort = round % 3;   // forward, reverse, random
        state.sortby = round % 6;
        ASSERT_TRUE(state.BuildExhibit(tree_->Root().c_str(), false, nullptr));
        WaitForBuild(state);
        std::lock_guard<std::mutex> lock(state.exhibitLock);
        ASSERT_EQ(kPictures, state.exhibit.size());
        std::set<std::wstring> unique;
        for (const ImageEntry& e : state.exhibit) unique.insert(e.path);
        EXPECT_EQ(kPictures, unique.size());
    }
    stop = true;
    reader.join();
    EXPECT_GT(reads.load(), 1000);
    EXPECT_EQ(0, bad.load());
}

// A second build asked for while one runs waits for it, then replaces it:
// the two never fill the list together.
TEST_F(ExhibitThreads, ABuildEnteredDuringABuildWaitsAndThenBuilds) {
    AppState state;
    for (int round = 0; round < 5; ++round) {
        std::thread other([&] { state.BuildExhibit(tree_->Path(L"g00").c_str(), false, nullptr); });
        state.BuildExhibit(tree_->Root().c_str(), false, nullptr);
        other.join();
        WaitForBuild(state);
        std::lock_guard<std::mutex> lock(state.exhibitLock);
        std::set<std::wstring> unique;
        for (const ImageEntry& e : state.exhibit) unique.insert(e.path);
        EXPECT_EQ(unique.size(), state.exhibit.size());
        const size_t n = state.exhibit.size();
        EXPECT_TRUE(n == 10 * 50 || n == kPictures) << n;   // whichever came last
    }
}
