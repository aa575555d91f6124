// The change watcher on the 100,000-file tree of bench_exhibit:
//   (a) the floor: one plain FindFirstFileW walk of the tree,
//   (b) the time from a new picture appearing in the tree to its being in the
//       exhibit (the watcher's quiet period, its latency setting, the rescan
//       and the hand-over on the interface thread), against 1.5 x (a) plus
//       the latency setting,
//   (c) the longest the interface thread went without answering a message
//       while that happened (a heartbeat is posted to it every 5 ms).
//
//   bench_watch.exe [runs]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "BenchTree.h"
#include "app/AppState.h"
#include "imaging/GdiplusApi.h"

namespace {

constexpr UINT kHeartbeat = WM_APP + 50;
AppState* g_bench = nullptr;
std::wstring g_awaited;          // the new picture waited for
double g_arrived = 0;            // when it was first in the exhibit
double g_lastBeat = 0, g_longestGap = 0;
bool g_measuring = false;

LRESULT CALLBACK BenchWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kHeartbeat || message == WM_APP_REFRESHED) {
        const double now = bench::Now();
        if (g_measuring && g_lastBeat > 0) g_longestGap = std::max(g_longestGap, now - g_lastBeat);
        g_lastBeat = now;
    }
    if (message == WM_APP_REFRESHED) {
        g_bench->AutoFind();
        if (g_arrived == 0 && !g_awaited.empty() && g_bench->exhibit->IndexOfPath(g_awaited) >= 0)
            g_arrived = bench::Now();
        g_lastBeat = bench::Now();   // the hand-over itself counts in the next gap
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace bench;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::wstring root = TreeRoot();
    MakeTree(root);
    // One real picture that sorts first, so a picture is on show as in use.
    const std::wstring first = root + L"\\!first.bmp";
    {
        std::string bmp = "BM";
        const unsigned char header[] = {246, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 0,
                                        1, 0, 24, 0, 0, 0, 0, 0, 192, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        bmp.append(reinterpret_cast<const char*>(header), sizeof header);
        bmp.append(192, '\x40');
        HANDLE file = CreateFileW(first.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, bmp.data(), DWORD(bmp.size()), &written, nullptr);
        CloseHandle(file);
    }

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = BenchWindow;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"OxbrillBenchWatch";
    RegisterClassW(&windowClass);

    std::vector<double> walks, arrivals, gaps;
    size_t entries = 0;
    {
        AppState state;
        g_bench = &state;
        state.hwnd = CreateWindowW(L"OxbrillBenchWatch", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                                   nullptr, windowClass.hInstance, nullptr);
        state.logerrors = false;
        state.BuildExhibit(root.c_str(), false, nullptr);
        while (state.Building()) Pump(), Sleep(1);
        state.exhibit->MoveTo(state.exhibit->IndexOfPath(first));
        state.ShowPicture(true);
        state.StartWatcher();
        Sleep(300);

        std::atomic<bool> beating{true};
        std::thread heart([&] {
            while (beating) PostMessageW(state.hwnd, kHeartbeat, 0, 0), Sleep(5);
        });
        for (int run = 0; run < runs; ++run) {
            double t0 = Now();
            PlainWalk(root);
            walks.push_back(Now() - t0);

            g_awaited = root + L"\\album07\\set21\\NEW_" + std::to_wstring(run) + L".jpg";
            g_arrived = 0;
            g_longestGap = 0;
            g_lastBeat = 0;
            Pump();
            g_measuring = true;
            t0 = Now();
            CloseHandle(CreateFileW(g_awaited.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
            while (g_arrived == 0 && Now() - t0 < 30000) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
                Pump();
            }
            const double end = Now() + 200;   // and a moment after
            while (Now() < end) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT), Pump();
            g_measuring = false;
            arrivals.push_back(g_arrived ? g_arrived - t0 : 99999);
            gaps.push_back(g_longestGap);
            DeleteFileW(g_awaited.c_str());
            // The deletion's own rescan passes before the next run.
            Sleep(1500);
            Pump();
        }
        beating = false;
        heart.join();
        entries = state.ExhibitSize();
        state.StopWatcher();
        DestroyWindow(state.hwnd);
    }
    DeleteFileW(first.c_str());

    const double a = Median(walks), b = Median(arrivals), c = *std::max_element(gaps.begin(), gaps.end());
    const double latency = 200;
    std::printf("tree: %d folders, %d files; exhibit %zu entries\n", kTop * kSub + kTop, kTop * kSub * kFiles, entries);
    std::printf("medians of %d runs:\n", runs);
    std::printf("  (a) plain FindFirstFileW walk            %8.1f ms\n", a);
    std::printf("  (b) new picture to in the exhibit         %8.1f ms   goal <= 1.5 x (a) + %.0f = %.1f ms"
                "   ratio (b - %.0f) / (a) %.2f\n",
                b, latency, 1.5 * a + latency, latency, (b - latency) / a);
    std::printf("  (c) longest unanswered gap, worst run    %8.1f ms   goal <= 50 ms\n", c);
    const bool ok = b <= 1.5 * a + latency && c <= 50.0;
    std::printf("%s\n", ok ? "all goals met" : "GOALS MISSED");
    return ok ? 0 : 1;
}
