// Animated pictures playing in the viewer: the frames in order, each for its
// delay as the screen shows it, the setting turning it off, memory flat over a
// thousand frames, and little CPU while playing and none while minimised.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "e2e/ViewerDriver.h"

using namespace e2e;

namespace {

const std::wstring kStill = L"-noslide -notransitions";

double Seconds() {
    static LARGE_INTEGER frequency{};
    if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

// One colour on screen and for how long (seconds).
struct ColourRun {
    int colour;
    double from, to;
};

// Samples the screen at (x, y) for `seconds`: the runs of the colours named
// in `palette` (index), -1 for any other.
std::vector<ColourRun> Sample(int x, int y, const std::vector<COLORREF>& palette, double seconds) {
    std::vector<ColourRun> runs;
    HDC screen = GetDC(nullptr);
    for (const double start = Seconds(), end = start + seconds;;) {
        const double now = Seconds();
        if (now >= end) break;
        const COLORREF c = GetPixel(screen, x, y);
        int index = -1;
        for (size_t i = 0; i < palette.size(); ++i)
            if (NearColour(c, palette[i], 40)) index = int(i);
        if (runs.empty() || runs.back().colour != index) runs.push_back({index, now, now});
        runs.back().to = now;
    }
    ReleaseDC(nullptr, screen);
    return runs;
}

// The processor time (kernel and user) each thread of the process has had,
// in seconds. Asked thread by thread: Wine does not keep another process's
// own total up to date.
std::map<DWORD, double> ThreadSeconds(DWORD processId) {
    std::map<DWORD, double> times;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return times;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        FILETIME created, exited, kernel, user;
        auto s = [](const FILETIME& t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7; };
        if (thread && GetThreadTimes(thread, &created, &exited, &kernel, &user))
            times[entry.th32ThreadID] = s(kernel) + s(user);
        if (thread) CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return times;
}

// The share of one core the process takes over `seconds` (its threads that
// end meanwhile not counted).
double CpuShare(DWORD processId, double seconds) {
    const std::map<DWORD, double> before = ThreadSeconds(processId);
    const double start = Seconds();
    Sleep(DWORD(seconds * 1000));
    double spent = 0;
    for (const auto& [id, time] : ThreadSeconds(processId)) {
        const auto was = before.find(id);
        spent += time - (was == before.end() ? 0 : was->second);
    }
    return spent / (Seconds() - start);
}

double PrivateMegabytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        return -1;
    // Wine leaves the private bytes at 0 but counts them as the page file's share, as Windows does.
    return double(std::max(counters.PrivateUsage, counters.PagefileUsage)) / (1 << 20);
}

// Whether both colours show at (x, y) within `seconds`: the animation plays.
bool Alternates(int x, int y, COLORREF a, COLORREF b, double seconds) {
    bool seen[2] = {};
    for (const ColourRun& run : Sample(x, y, {a, b}, seconds))
        if (run.colour >= 0) seen[run.colour] = true;
    return seen[0] && seen[1];
}

void LaunchWith(Viewer& viewer, const std::wstring& name, const std::wstring& arguments = kStill) {
    ASSERT_TRUE(CopyFileW(DataPath(L"e2e\\" + name).c_str(), viewer.Picture(name).c_str(), FALSE));
    ASSERT_TRUE(viewer.Launch(arguments));
    ASSERT_TRUE(viewer.WaitForShown(name));
}

const COLORREF kRed = RGB(255, 0, 0), kLime = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

}  // namespace

TEST(Animation, GifAndWebpShowTheirFramesInOrderEachForItsDelayUntilAnimateIsOff) {
    const std::vector<COLORREF> palette{kRed, kLime, kBlue, kWhite};
    const double delays[] = {0.2, 0.3, 0.1, 0.4};
    for (const wchar_t* name : {L"steps.gif", L"steps.webp"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        Viewer viewer;
        LaunchWith(viewer, name);
        const RECT view = viewer.ViewOnScreen();
        const int x = view.left + Width(view) / 2, y = view.top + Height(view) / 2;
        Sleep(300);   // the start-up's own work done
        const std::vector<ColourRun> runs = Sample(x, y, palette, 2.6);
        // The first run and the last are cut by the start and the end of the sampling.
        ASSERT_GE(runs.size(), 7u);
        int whole = 0;
        for (size_t i = 1; i + 1 < runs.size(); ++i) {
            const ColourRun& run = runs[i];
            ASSERT_GE(run.colour, 0) << "run " << i << " is of another colour";
            EXPECT_EQ(run.colour, (runs[i - 1].colour + 1) % 4) << "run " << i;
            const double shown = runs[i + 1].from - run.from, wanted = delays[run.colour];
            EXPECT_NEAR(shown, wanted, wanted / 10) << "run " << i << " (colour " << run.colour << ")";
            ++whole;
        }
        EXPECT_GE(whole, 6);

        // Animate off: the frame on screen stays, and is the one Copy Image
        // takes; on again: playing goes on. Stopped on lime, not the first frame.
        ASSERT_TRUE(WaitForPixel(x, y, kLime, 40));
        viewer.PostCommand(kCmdAnimate);
        Sleep(100);
        const std::vector<ColourRun> still = Sample(x, y, palette, 1.0);
        ASSERT_EQ(still.size(), 1u);
        EXPECT_EQ(still[0].colour, 1);
        EXPECT_EQ(CopiedBitmap(viewer, kCmdCopyImage).cx, 200);
        ASSERT_TRUE(OpenClipboard(nullptr));
        HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, GetClipboardData(CF_BITMAP));
        EXPECT_TRUE(NearColour(GetPixel(dc, 100, 75), palette[still[0].colour], 40)) << Hex(GetPixel(dc, 100, 75));
        SelectObject(dc, old);
        DeleteDC(dc);
        CloseClipboard();
        viewer.PostCommand(kCmdAnimate);
        EXPECT_GE(Sample(x, y, palette, 1.2).size(), 3u);
    }
}

TEST(Animation, AThousandFramesPlayInTheMemoryOfAFew) {
    Viewer viewer;
    LaunchWith(viewer, L"thousand.gif");
    const RECT view = viewer.ViewOnScreen();
    const int x = view.left + Width(view) / 2, y = view.top + Height(view) / 2;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, viewer.ProcessId());
    ASSERT_TRUE(process);
    EXPECT_TRUE(Alternates(x, y, kRed, kBlue, 1.0));
    const double early = PrivateMegabytes(process);
    Sleep(8000);   // 400 frames on: held whole, they would take 190 MB
    EXPECT_TRUE(Alternates(x, y, kRed, kBlue, 0.5));
    const double late = PrivateMegabytes(process);
    printf("private bytes: %.1f MB, then %.1f MB\n", early, late);
    EXPECT_GT(early, 0);
    // Flat to the page, but the checked heap the tests run the viewer with
    // grows by about 1.5 MB a second as frames are drawn.
    EXPECT_LT(late - early, 40.0);
    CloseHandle(process);
}

TEST(Animation, TenFramesASecondTakeLittleProcessorTimeAndNoneMinimised) {
    Viewer viewer;
    LaunchWith(viewer, L"tenfps.gif");
    const RECT view = viewer.ViewOnScreen();
    const int x = view.left + Width(view) / 2, y = view.top + Height(view) / 2;
    EXPECT_TRUE(Alternates(x, y, kRed, kBlue, 0.5));
    const double playing = CpuShare(viewer.ProcessId(), 3.0);
    ShowWindow(viewer.Main(), SW_MINIMIZE);
    Sleep(500);
    ASSERT_TRUE(IsIconic(viewer.Main()));
    const double minimised = CpuShare(viewer.ProcessId(), 3.0);
    printf("a core's share: %.3f playing, %.3f minimised\n", playing, minimised);
    EXPECT_LT(playing, 0.1);
    EXPECT_LT(minimised, 0.01);
    ShowWindow(viewer.Main(), SW_RESTORE);
    Sleep(300);
    EXPECT_TRUE(Alternates(x, y, kRed, kBlue, 0.8));
}
