// Filing the shown picture away: recycle, archive, copy to a folder, copy or
// move/rename through a dialog, and taking the last of them back. The shown
// picture is checked to be the file on disk before anything is done to it,
// and released before its file is moved or deleted.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "commands/Dialogs.h"
#include "commands/ModalFrame.h"
#include "config/Language.h"
#include "exhibit/ExhibitFiles.h"
#include "exhibit/ShellLink.h"
#include "fileops/FileTransfer.h"
#include "fileops/Filing.h"
#include "fileops/FilingFrame.h"
#include "fileops/RecycleBin.h"
#include "platform/CursorShown.h"

FilingFrame::FilingFrame(AppState& state) : state_(state) {
    state_.StopSlideTimer(true);
    state_.StopWatcherIfOn();
}

FilingFrame::~FilingFrame() {
    if (state_.closing) return;
    state_.RestartWatcherIfOn();
    state_.ResumeSlideTimer();
}

bool AppState::ConfirmFileAction(int verb, const std::wstring& path) {
    if (closing) return false;
    CursorShown cursor;
    const std::wstring text = std::wstring(MessageText(verb)) + L" " + path + L" " + MessageText(14);
    return g_app.ShowMessage(text.c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK && !closing;
}

bool AppState::ShownFileIntact() {
    const CurrentEntry current = exhibit->Current();
    const bool exists = FileExists(current.path.c_str());
    FileStamp now;
    // A shortcut's target may change as it likes: the shortcut is what is filed.
    const bool sameBytes = !picture.IsLoaded() || IsShortcut(current.path.c_str()) ||
                           (StampOf(current.path.c_str(), now) && now == shownStamp);
    if (exists && sameBytes) return true;
    ReportPath(current.path, exists ? kMessageChangedElsewhere : kMessageNoLongerThere);
    if (closing) return false;
    // A changed file is shown as it is now. A file that is gone leaves the
    // slideshow (the user has just been told), and the next one is shown;
    // the watcher looks at the folder again.
    if (!exists) {
        exhibit->RemoveEntry(current.index, current.path);
        if (watcher) watcher->RescanNow();
    }
    ShowPicture(true);
    return false;
}

void AppState::ReleaseShownFile() {
    picture.Release();
    if (pictures) pictures->Clear();
    canvas.Free();
}

void AppState::RecordMade(UndoKind kind, const std::wstring& path, int32_t index, bool created, bool entryAdded) {
    UndoRecord record = MadeRecord(kind, path, created);
    record.index = index;
    record.entryAdded = entryAdded;
    undo.Push(std::move(record));
}

void AppState::StatusNote(int message) {
    if (statusBar && !closing) SendMessageW(statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(MessageText(message)));
}

void AppState::SendShortcut(const wchar_t* folder, const wchar_t* path) {
    wchar_t linkPath[kPathSize];
    if (CreateShortcutIn(folder, path, linkPath)) {
        RecordMade(UndoKind::Shortcut, linkPath, exhibit->CurrentIndex(), true, false);
        return;
    }
    g_app.ShowMessage(MessageText(16), MB_ICONWARNING);
    ApplyDisplay();
}

void AppState::CopyToFolder(const wchar_t* folder) {
    const CurrentEntry current = exhibit->Current();
    if (!ShownFileIntact()) return;
    FilingOutcome copied = CopyIntoFolder(current.path, folder);
    if (copied.result == Filed::NoName) return;   // every numbered name taken: nothing to say
    if (copied.result != Filed::Done) {
        g_app.ShowMessage(MessageText(10), MB_ICONWARNING);
        ApplyDisplay();
        return;
    }
    copied.record.index = current.index;
    undo.Push(std::move(copied.record));
}

void AppState::ReportFilingFailure(const FilingOutcome& outcome, const std::wstring& source, int message) {
    // A move that left the file in both places, or new content kept under a
    // temporary name, is said as it is: the plain failure message would hide a copy.
    if (outcome.transfer == Transfer::SourceKept) ReportPath(source, kMessageSourceKept);
    else if (outcome.transfer == Transfer::KeptAside) ReportPath(outcome.target, kMessageSourceKept);
    else g_app.ShowMessage(MessageText(message), MB_ICONWARNING);
}

void AppState::RecycleCurrent() {
    const CurrentEntry current = exhibit->Current();
    if (confirmdelete && !ConfirmFileAction(13, current.path)) return;
    if (!ShownFileIntact()) return;
    const bool toBin = HasRecycleBin(current.path.c_str());
    if (!toBin) {
        // The shell would delete it for ever without a word: the user decides.
        CursorShown cursor;
        const std::wstring text = current.path + L"\n" + MessageText(kMessageNoRecycleBin);
        if (g_app.ShowMessage(text.c_str(), MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) != IDOK || closing) return;
    }
    ReleaseShownFile();
    bool aborted = false;
    RecycleOrDelete({current.path}, hwnd, false, &aborted);
    if (closing) return;
    if (!FileExists(current.path.c_str())) {
        if (toBin) RecordMade(UndoKind::Recycle, current.path, current.index, false, false);
        exhibit->RemoveEntry(current.index, current.path);
    } else if (!aborted) {
        g_app.ShowMessage(MessageText(15), MB_ICONWARNING);
    }
    ShowPicture(true);
}

void AppState::MoveToArchive() {
    const CurrentEntry current = exhibit->Current();
    if (confirmarchive && !ConfirmFileAction(17, current.path)) return;
    if (!archive[0]) PickFolder(1);
    if (closing || !archive[0]) return;
    if (!ShownFileIntact()) return;
    ReleaseShownFile();
    FilingOutcome moved = ArchiveInto(current.path, archive, archivelog ? archivedLogPath : nullptr);
    if (moved.logFailed) ReportLogFailure(archivedLogPath);
    if (moved.result == Filed::Done) {
        moved.record.index = current.index;
        undo.Push(std::move(moved.record));
        exhibit->RemoveEntry(current.index, current.path);
    } else if (!closing) {
        ReportFilingFailure(moved, current.path, 18);
    }
    ShowPicture(true);
}

void AppState::CopyOrMoveDialog(bool move) {
    const CurrentEntry current = exhibit->Current();
    wchar_t chosen[kPathSize] = {};
    wchar_t initialFolder[kPathSize] = {};
    const size_t slash = current.path.rfind(L'\\');
    const std::wstring name = slash == std::wstring::npos ? current.path : current.path.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
    CopyPath(chosen, name.c_str());
    CopyPath(initialFolder, FolderPart(current.path).c_str());

    SaveRequest dialog{MessageText(move ? 4 : 3), L"Source format\0\0", initialFolder,
                       extension.empty() ? nullptr : extension.c_str(),
                       OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS, chosen};
    {
        ModalFrame frame(*this);
        if (!SaveFileDialog(hwnd, dialog) || closing) return;
    }
    // The name the file will really have (a trailing dot or blank is dropped
    // by the file system). The file itself: a copy would be no copy; a move
    // only changes the case of its name.
    const std::wstring target = NameOnDisk(chosen);
    if (SamePath(target.c_str(), current.path.c_str()) && (!move || current.path == target)) return;
    if (!ShownFileIntact()) return;

    if (move) ReleaseShownFile();
    FilingOutcome done = CopyOrMoveTo(current.path, target, move);
    if (done.result != Filed::Done) {
        if (!closing) ReportFilingFailure(done, current.path, move ? 9 : 10);
        if (move) ShowPicture(true);
        return;
    }
    done.record.index = current.index;
    if (move) {
        exhibit->ReplaceAt(current.index, current.path, MakeImageEntry(done.target.c_str()));
    } else {
        done.record.entryAdded = exhibit->IndexOfPath(done.target) < 0;
        if (done.record.entryAdded) exhibit->InsertAt(current.index, MakeImageEntry(done.target.c_str()));
    }
    undo.Push(std::move(done.record));
    ShowPicture(true);
}

bool AppState::SaveSettingsAsDialog() {
    wchar_t chosen[kPathSize] = {};
    wchar_t initialFolder[kPathSize] = {};
    const std::wstring current = settingsPath;
    CopyPath(initialFolder, FolderPart(current).c_str());
    CopyPath(chosen, current.substr(current.rfind(L'\\') + 1).c_str());
    SaveRequest dialog{MessageText(5), L"INI File (*.ini)\0*.ini\0", initialFolder, L"ini",
                       OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, chosen};
    ModalFrame frame(*this);
    if (!SaveFileDialog(hwnd, dialog) || closing) return false;
    CopyPath(settingsPath, chosen);
    return true;
}

void AppState::UndoLast() {
    const UndoRecord* top = undo.Top();
    if (!top) {
        StatusNote(kMessageNothingToUndo);
        return;
    }
    const UndoRecord record = *top;
    const bool moved = record.kind == UndoKind::Archive || record.kind == UndoKind::MoveRename;
    // The file may be on screen, or decoded ahead.
    if (JudgeUndo(record, FactsOf(record)) == UndoVerdict::Go) ReleaseShownFile();
    const UndoOutcome outcome = TakeBack(record, archivelog ? archivedLogPath : nullptr);
    if (!KeepsRecord(outcome.verdict)) undo.Pop();
    switch (outcome.verdict) {
    case UndoVerdict::Go: break;
    case UndoVerdict::RestoreFromBin: ReportPath(record.now, kMessageRestoreFromBin, MB_ICONINFORMATION); return;
    case UndoVerdict::FileGone: ReportPath(record.now, kMessageNoLongerThere); return;
    case UndoVerdict::FileChanged: ReportPath(record.now, kMessageChangedElsewhere); return;
    case UndoVerdict::FileReplaced: ReportPath(record.now, kMessageFileReplaced); return;
    case UndoVerdict::OriginalTaken: ReportPath(record.original, kMessageNameTaken); return;
    }
    if (outcome.logFailed) ReportLogFailure(archivedLogPath);
    if (closing) return;
    if (!outcome.done) {
        if (moved) g_app.ShowMessage(MessageText(record.kind == UndoKind::Archive ? 18 : 9), MB_ICONWARNING);
        else ReportPath(record.now, kMessageUndoFailed);
        ShowPicture(true);
        return;
    }
    const int32_t listed = exhibit->IndexOfPath(record.now);
    if (moved) {
        if (listed >= 0) exhibit->ReplaceAt(listed, record.now, MakeImageEntry(record.original.c_str()));
        else exhibit->InsertAt(record.index, MakeImageEntry(record.original.c_str()));
    } else if (listed >= 0) {
        exhibit->RemoveEntry(listed, record.now);
    }
    ShowPicture(true);
}
