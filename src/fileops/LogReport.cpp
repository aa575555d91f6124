// Telling the user, once a run for each log, that a log could not be written.
#include <algorithm>
#include <string>

#include "app/AppState.h"
#include "commands/ModalFrame.h"
#include "config/Language.h"

void AppState::ReportLogFailure(const wchar_t* logPath) {
    if (!logPath || !*logPath || closing || !hwnd) return;
    const std::wstring path = logPath;
    if (std::find(logFailuresShown.begin(), logFailuresShown.end(), path) != logFailuresShown.end()) return;
    logFailuresShown.push_back(path);
    ModalFrame frame(*this);   // the slideshow waits while the box is up
    ReportPath(path, kMessageLogNotWritten);
}
