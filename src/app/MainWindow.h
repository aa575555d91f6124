// Window procedures of the hidden owner window and the main viewer dialog.
#pragma once

#include <windows.h>

LRESULT CALLBACK OwnerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Releases the application state once the message loop has ended: nothing
// can reach it any more, and a build worker still scanning is asked to stop.
void ReleaseAppState();
