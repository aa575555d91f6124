// Process entry: the hidden owner window, the main viewer dialog and the message loop.
#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <new>

#include "app/AppInfo.h"
#include "app/MainWindow.h"
#include "../resources/resource.h"

namespace {

void OutOfMemory() {
    g_app.ShowMessage(L"Out Of Memory", MB_ICONINFORMATION);
    ExitProcess(1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::set_new_handler(OutOfMemory);
    setlocale(LC_ALL, "");
    g_app.instance = instance;

    WNDCLASSW ownerClass{};
    ownerClass.lpfnWndProc = OwnerWindowProc;
    ownerClass.hInstance = instance;
    ownerClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_OXBRILL));
    ownerClass.lpszClassName = L"Oxbrill";
    RegisterClassW(&ownerClass);
    HWND owner = CreateWindowExW(0, L"Oxbrill", L"", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);

    g_app.mainWindow = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), owner, MainDialogProc, 0);
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_ACCEL));

    MSG msg{};
    // A close that arrived while the window was being made (start-up waits
    // for the first pictures answering one) has ended it already, and the
    // quit it asked for does not always survive the window's making: there
    // is no loop to run then.
    while (IsWindow(g_app.mainWindow) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(g_app.mainWindow, accelerators, &msg)) continue;
        if (IsDialogMessageW(g_app.mainWindow, &msg)) continue;
        DispatchMessageW(&msg);
    }
    ReleaseAppState();
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}
