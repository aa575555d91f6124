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
#include "fileops/FilingFrame.h"
#include "fileops/LogFile.h"
#include "fileops/RecycleBin.h"
#include "fileops/UniqueName.h"
#include "platform/CursorShown.h"

namespace {

std::wstring ArchiveLine(const std::wstring& source, const std::wstring& folder) { return source + L" -> " + folder; }

}  // namespace

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
    // Shown as it is now; a file that is gone fails to load and leaves or is
    // stepped over as the error settings say.
    ShowPicture(true);
    return false;
}

void AppState::ReleaseShownFile() {
    picture.Release();
    if (pictures) pictures->Clear();
    canvas.Free();
}

void AppState::RecordMade(UndoKind kind, const std::wstring& path, int32_t index, bool created, bool entryAdded) {
    UndoRecord record;
    record.kind = kind;
    record.now = path;
    record.index = index;
    record.created = created;
    record.entryAdded = entryAdded;
    FileStamp stamp;
    if (StampOf(path.c_str(), stamp)) {
        record.size = stamp.size;
        record.written = stamp.written;
    }
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
    wchar_t target[kPathSize];
    const bool fits = NameInFolder(folder, current.path.c_str(), L"", target);
    if (fits && !MakeUniqueName(target)) return;   // every numbered name taken: nothing to say
    if (!ShownFileIntact()) return;
    if (!fits || CopyFileSafely(current.path.c_str(), target, true) != Transfer::Done) {
        g_app.ShowMessage(MessageText(10), MB_ICONWARNING);
        ApplyDisplay();
        return;
    }
    RecordMade(UndoKind::Copy, target, current.index, true, false);
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
    if (toBin) {
        SendToRecycleBin({current.path}, hwnd, &aborted);
    } else {
        DeleteFileW(current.path.c_str());
    }
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
    if (archivelog) CreateLogIfMissing(archivedLogPath);
    wchar_t target[kPathSize];
    if (!NameInFolder(archive, current.path.c_str(), L"", target) || !MakeUniqueName(target)) {
        g_app.ShowMessage(MessageText(18), MB_ICONWARNING);
        ApplyDisplay();
        return;
    }
    if (!ShownFileIntact()) return;
    ReleaseShownFile();
    if (MoveFileSafely(current.path.c_str(), target, false) == Transfer::Done) {
        if (archivelog && !AppendLogLine(archivedLogPath, ArchiveLine(current.path, archive).c_str()))
            ReportLogFailure(archivedLogPath);
        UndoRecord record;
        record.kind = UndoKind::Archive;
        record.now = target;
        record.original = current.path;
        record.index = current.index;
        undo.Push(std::move(record));
        exhibit->RemoveEntry(current.index, current.path);
    } else {
        g_app.ShowMessage(MessageText(18), MB_ICONWARNING);
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
    // The file itself: a copy would be no copy; a move only changes the case of its name.
    if (SamePath(chosen, current.path.c_str()) && (!move || current.path == chosen)) return;
    if (!ShownFileIntact()) return;
    const bool existed = FileExists(chosen);

    if (move) {
        ReleaseShownFile();
        if (MoveFileSafely(current.path.c_str(), chosen, true) == Transfer::Done) {
            UndoRecord record;
            record.kind = UndoKind::MoveRename;
            record.now = chosen;
            record.original = current.path;
            record.index = current.index;
            undo.Push(std::move(record));
            exhibit->ReplaceAt(current.index, current.path, MakeImageEntry(chosen));
        } else if (!closing) {
            g_app.ShowMessage(MessageText(9), MB_ICONWARNING);
        }
    } else {
        if (CopyFileSafely(current.path.c_str(), chosen, true) != Transfer::Done) {
            g_app.ShowMessage(MessageText(10), MB_ICONWARNING);
            return;
        }
        const bool add = exhibit->IndexOfPath(chosen) < 0;
        if (add) exhibit->InsertAt(current.index, MakeImageEntry(chosen));
        RecordMade(UndoKind::Copy, chosen, current.index, !existed, add);
    }
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
    UndoFacts facts;
    facts.nowExists = FileExists(record.now.c_str());
    FileStamp stamp;
    facts.nowUnchanged = StampOf(record.now.c_str(), stamp) && stamp.size == record.size && stamp.written == record.written;
    facts.originalTaken = moved && IsNameTaken(record.original.c_str()) && !SamePath(record.original.c_str(), record.now.c_str());
    const UndoVerdict verdict = JudgeUndo(record, facts);
    if (!KeepsRecord(verdict)) undo.Pop();
    switch (verdict) {
    case UndoVerdict::Go: break;
    case UndoVerdict::RestoreFromBin: StatusNote(kMessageRestoreFromBin); return;
    case UndoVerdict::FileGone: ReportPath(record.now, kMessageNoLongerThere); return;
    case UndoVerdict::FileChanged: ReportPath(record.now, kMessageChangedElsewhere); return;
    case UndoVerdict::FileReplaced: ReportPath(record.now, kMessageFileReplaced); return;
    case UndoVerdict::OriginalTaken: ReportPath(record.original, kMessageNameTaken); return;
    }

    // The file may be on screen, or decoded ahead.
    ReleaseShownFile();
    const int32_t listed = exhibit->IndexOfPath(record.now);
    if (moved) {
        if (MoveFileSafely(record.now.c_str(), record.original.c_str(), false) != Transfer::Done) {
            g_app.ShowMessage(MessageText(record.kind == UndoKind::Archive ? 18 : 9), MB_ICONWARNING);
            ShowPicture(true);
            return;
        }
        // The log keeps its one rule, one line a move: the way back is a move too.
        if (record.kind == UndoKind::Archive && archivelog &&
            !AppendLogLine(archivedLogPath, ArchiveLine(record.now, FolderPart(record.original)).c_str()))
            ReportLogFailure(archivedLogPath);
        if (listed >= 0) exhibit->ReplaceAt(listed, record.now, MakeImageEntry(record.original.c_str()));
        else exhibit->InsertAt(record.index, MakeImageEntry(record.original.c_str()));
    } else {
        if (!DeleteFileW(record.now.c_str())) {
            ReportPath(record.now, kMessageUndoFailed);
            ShowPicture(true);
            return;
        }
        if (listed >= 0) exhibit->RemoveEntry(listed, record.now);
    }
    ShowPicture(true);
}
