// The user's pictures under a seeded random run of the filing operations
// (the code the viewer and the Catalog run, without their windows), mixed
// with another program deleting, renaming, replacing and locking files,
// across two volumes and a drive without a recycle bin. After every step
// every picture's bytes are where the user can find them (a folder or the
// recycle bin) unless the user agreed to lose them, archived.log only grows,
// and no temporary file is left.
//
// OXBRILL_MODEL_STEPS sets the number of steps (scripts/soak.sh runs many);
// OXBRILL_MODEL_SEED replays a run whose seed a failure printed.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "fileops/FileTransfer.h"
#include "fileops/Filing.h"
#include "fileops/RecycleBin.h"
#include "platform/Handles.h"
#include "support/TestFiles.h"

namespace {

using Hash = size_t;
Hash HashOf(const std::string& bytes) { return std::hash<std::string>{}(bytes); }

unsigned long EnvNumber(const wchar_t* name, unsigned long fallback) {
    wchar_t value[64] = {};
    return GetEnvironmentVariableW(name, value, 64) ? wcstoul(value, nullptr, 10) : fallback;
}

// The folder where Wine's shell puts recycled files (the freedesktop trash of
// the user), as a Windows path; empty when there is none.
std::wstring TrashFolder() {
    wchar_t value[MAX_PATH] = {};
    std::wstring data;
    if (GetEnvironmentVariableW(L"XDG_DATA_HOME", value, MAX_PATH) && value[0] == L'/') {
        data = std::wstring(L"Z:") + value;
        for (wchar_t& c : data) c = c == L'/' ? L'\\' : c;
    } else if (GetEnvironmentVariableW(L"WINEHOMEDIR", value, MAX_PATH)) {
        data = value;
        if (data.rfind(L"\\??\\", 0) == 0) data = data.substr(4);
        data += L"\\.local\\share";
    }
    const std::wstring files = data + L"\\Trash\\files";
    const DWORD attributes = data.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(files.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? files : std::wstring();
}

struct Listed { std::wstring path, name; uint64_t size = 0, written = 0; };

std::vector<Listed> ListFiles(const std::wstring& folder) {
    std::vector<Listed> files;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return files;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        files.push_back({folder + L"\\" + data.cFileName, data.cFileName,
                         (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                         (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime});
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return files;
}

}  // namespace

TEST(FilingModel, NoPictureIsEverLost) {
    const std::wstring trash = TrashFolder();
    if (trash.empty()) GTEST_SKIP() << "no freedesktop trash reachable: the recycle bin cannot be looked into";
    const unsigned long seed = EnvNumber(L"OXBRILL_MODEL_SEED", GetTickCount() ^ GetCurrentProcessId());
    const unsigned long steps = EnvNumber(L"OXBRILL_MODEL_STEPS", 2500);
    SCOPED_TRACE("OXBRILL_MODEL_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    const auto chance = [&](int percent) { return int(random() % 100) < percent; };

    // Folders on C:, on the tmpfs behind Z:\dev\shm (another volume), and on
    // drive N:, which has no recycle bin, when the test prefix has it.
    TempFolder home(L"model");
    const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(seed);
    std::vector<std::wstring> roots = {home.Root()};
    if (GetFileAttributesW(L"Z:\\dev\\shm") != INVALID_FILE_ATTRIBUTES) roots.push_back(L"Z:\\dev\\shm\\oxbrill-model-" + tag);
    else ADD_FAILURE() << "Z:\\dev\\shm is missing: one volume only";
    if (GetDriveTypeW(L"N:\\") == DRIVE_REMOTE) roots.push_back(L"N:\\oxbrill-model-" + tag);
    else std::printf("note: no drive N: (made by ox_start_wine): the drive without a recycle bin is left out\n");
    std::vector<std::wstring> folders;
    for (const std::wstring& root : roots) {
        CreateDirectoryW(root.c_str(), nullptr);
        for (const wchar_t* sub : {L"\\pics", L"\\target"}) {
            folders.push_back(root + sub);
            CreateDirectoryW(folders.back().c_str(), nullptr);
        }
    }
    const std::wstring log = home.Path(L"archived.log");

    // Every picture ever made (unique bytes) and those the user still has.
    std::set<Hash> known, wanted;
    std::map<std::wstring, Hash> lockedFiles;
    std::map<std::wstring, UniqueHandle> locks;
    int made = 0;
    const auto newPicture = [&] {
        std::string bytes = "picture " + std::to_string(++made) + " of run " + std::to_string(seed) + "\n";
        bytes.resize(bytes.size() + 64 + random() % 8000, char('a' + made % 26));
        known.insert(HashOf(bytes));
        return bytes;
    };
    for (const std::wstring& folder : folders)
        for (int i = 0; i < 3; ++i) {
            const std::string bytes = newPicture();
            WriteBytes(folder + L"\\p" + std::to_wstring(made) + L".jpg", bytes);
            wanted.insert(HashOf(bytes));
        }
    std::set<std::wstring> trashBefore;
    for (const Listed& file : ListFiles(trash)) trashBefore.insert(file.name);
    const std::wstring trashInfo = trash.substr(0, trash.size() - 5) + L"info\\";
    // Only what this run put there: the bin as the user empties it.
    const auto emptyBin = [&] {
        for (const Listed& file : ListFiles(trash))
            if (!trashBefore.count(file.name) && known.count(HashOf(ReadBytes(file.path)))) {
                DeleteFileW(file.path.c_str());
                DeleteFileW((trashInfo + file.name + L".trashinfo").c_str());
            }
    };

    // What is where now: a hash for every file of the folders and of what
    // the run put in the trash (remembered by name, size and write time).
    std::map<std::wstring, std::pair<std::pair<uint64_t, uint64_t>, Hash>> seen;
    std::vector<std::string> problems;
    std::vector<std::wstring> files;   // in the folders, as the last look found them
    const auto present = [&] {
        files.clear();
        std::multiset<Hash> found;
        std::vector<std::wstring> places = folders;
        places.push_back(trash);
        for (const std::wstring& place : places)
            for (const Listed& file : ListFiles(place)) {
                // Other programs recycle too: only the folders are the run's alone.
                const bool inBin = place == trash;
                if (inBin && trashBefore.count(file.name)) continue;
                const auto locked = lockedFiles.find(file.path);
                auto& entry = seen[file.path];
                if (locked != lockedFiles.end()) {
                    entry = {{file.size, file.written}, locked->second};
                } else if (entry.first != std::make_pair(file.size, file.written) || !entry.second) {
                    UniqueHandle probe(CreateFileW(file.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
                    if (!probe) {
                        if (!inBin) problems.push_back("unreadable: " + testing::PrintToString(file.path));
                        continue;
                    }
                    probe.Reset();
                    entry = {{file.size, file.written}, HashOf(ReadBytes(file.path))};
                }
                found.insert(entry.second);
                if (inBin) continue;
                files.push_back(file.path);
                const bool picture = file.name.size() > 4 && file.name.compare(file.name.size() - 4, 4, L".jpg") == 0;
                if (!picture) problems.push_back("left behind: " + testing::PrintToString(file.path));
                else if (!known.count(entry.second)) problems.push_back("bytes of no picture: " + testing::PrintToString(file.path));
            }
        return found;
    };
    const auto hashAt = [&](const std::wstring& path) -> Hash {
        const auto locked = lockedFiles.find(path);
        return locked != lockedFiles.end() ? locked->second : FileExists(path) ? HashOf(ReadBytes(path)) : 0;
    };

    // A file of the folders, or none.
    const auto anyFile = [&]() -> std::wstring { return files.empty() ? std::wstring() : files[random() % files.size()]; };
    const auto anyFolder = [&] { return folders[random() % folders.size()]; };
    // A path the user might choose in a save dialog: an existing file, a new
    // name, or a new name with a trailing dot or blank the file system drops.
    const auto chosenPath = [&] {
        if (chance(25)) {
            const std::wstring existing = anyFile();
            if (!existing.empty()) return existing;
        }
        const wchar_t* tails[] = {L"", L"", L".", L" "};
        return anyFolder() + L"\\n" + std::to_wstring(random() % 50) + L".jpg" + tails[random() % 4];
    };

    UndoStack undo;
    std::set<Hash> mayGo;   // what the user agreed to lose in this step
    std::wstring did;       // what this step did, for the report
    const auto filed = [&](const FilingOutcome& outcome) {
        did += outcome.result == Filed::Done ? L" -> " + outcome.target : L" (not done)";
        if (outcome.result == Filed::Done) undo.Push(outcome.record);
    };
    const auto replacing = [&](const std::wstring& source, const std::wstring& target) {
        // The dialog asked before replacing: the user agreed.
        if (FileExists(NameOnDisk(target)) && !SamePath(source.c_str(), NameOnDisk(target).c_str()))
            mayGo.insert(hashAt(NameOnDisk(target)));
    };

    // An action on a file runs only when there is one.
    const auto onFile = [&did](std::function<void(const std::wstring&)> run) {
        return [&did, run](const std::wstring& file) {
            if (file.empty()) return;
            did += L" " + file;
            run(file);
        };
    };
    // Copy or move/rename through the dialog, to a path the user chose.
    const auto copyOrMove = [&](bool move) {
        return [&, move](const std::wstring& file) {
            const std::wstring target = chosenPath();
            if (SamePath(NameOnDisk(target).c_str(), file.c_str())) return;
            replacing(file, target);
            filed(CopyOrMoveTo(file, target, move));
        };
    };
    const struct {
        const wchar_t* name;
        int weight;
        bool outside;   // another program's doing
        std::function<void(const std::wstring& file)> run;
    } actions[] = {
        {L"archive", 10, false, onFile([&](const std::wstring& file) {
             // One line for a file that moved, none for one that did not.
             const size_t logged = ReadBytes(log).size();
             const FilingOutcome outcome = ArchiveInto(file, anyFolder(), log.c_str());
             if ((ReadBytes(log).size() > logged) != (outcome.result == Filed::Done)) problems.push_back("archived.log and the move differ");
             filed(outcome);
         })},
        {L"copy to folder", 10, false, onFile([&](const std::wstring& file) { filed(CopyIntoFolder(file, anyFolder())); })},
        {L"copy", 6, false, onFile(copyOrMove(false))},
        {L"move/rename", 8, false, onFile(copyOrMove(true))},
        {L"recycle", 6, false, onFile([&](const std::wstring& file) {
             const bool toBin = HasRecycleBin(file.c_str());
             if (!toBin) {
                 if (chance(50)) return;   // "Delete for ever?" Cancel
                 mayGo.insert(hashAt(file));
             }
             const bool gone = RecycleOrDelete({file}, nullptr, true).empty();
             did += gone ? L" gone" : L" (not done)";
             if (gone && toBin) undo.Push(MadeRecord(UndoKind::Recycle, file, false));
         })},
        {L"save as", 6, false, [&](const std::wstring&) {
             const std::wstring target = NameOnDisk(chosenPath());
             replacing(L"", target);
             const bool created = !FileExists(target);
             const std::string bytes = newPicture();
             if (WriteFileSafely(target.c_str(), true, [&](const wchar_t* temporary) { return WriteBytes(temporary, bytes); }) ==
                 Transfer::Done) {
                 wanted.insert(HashOf(bytes));
                 undo.Push(MadeRecord(UndoKind::SaveAs, target, created));
                 did += L" -> " + target;
             }
         }},
        {L"undo", 14, false, [&](const std::wstring&) {
             const UndoRecord* top = undo.Top();
             if (!top) return;
             const UndoRecord record = *top;
             const Hash before = hashAt(record.now);
             const UndoOutcome outcome = TakeBack(record, log.c_str());
             if (!KeepsRecord(outcome.verdict)) undo.Pop();
             did += L" of " + record.now + L": verdict " + std::to_wstring(int(outcome.verdict)) + (outcome.done ? L" done" : L"");
             // A file it made, taken back where there is no bin: deleted, as asked.
             if (outcome.done && !outcome.toBin && record.kind != UndoKind::Archive && record.kind != UndoKind::MoveRename)
                 mayGo.insert(before);
         }},
        {L"other deletes", 9, true, onFile([&](const std::wstring& file) { DeleteFileW(file.c_str()); })},
        {L"other renames", 5, true, onFile([&](const std::wstring& file) {
             const std::wstring target = anyFolder() + L"\\o" + std::to_wstring(random() % 50) + L".jpg";
             did += L" -> " + target;
             MoveFileExW(file.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED);
         })},
        {L"other replaces", 5, true, onFile([&](const std::wstring& file) {
             if (lockedFiles.count(file)) return;
             const std::string bytes = newPicture();
             if (WriteBytes(file, bytes)) wanted.insert(HashOf(bytes));
         })},
        {L"other adds", 6, true, [&](const std::wstring&) {
             if (files.size() > 24) return;
             const std::string bytes = newPicture();
             if (WriteBytes(anyFolder() + L"\\p" + std::to_wstring(made) + L".jpg", bytes)) wanted.insert(HashOf(bytes));
         }},
        {L"user empties the bin", 1, true, [&](const std::wstring&) { emptyBin(); }},
        {L"other locks", 4, true, onFile([&](const std::wstring& file) {
             if (locks.count(file)) return;
             const Hash hash = HashOf(ReadBytes(file));
             UniqueHandle lock(CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
             if (!lock) return;
             lockedFiles[file] = hash;
             locks[file] = std::move(lock);
         })},
        {L"other unlocks", 4, true, [&](const std::wstring&) {
             if (locks.empty()) return;
             auto lock = std::next(locks.begin(), long(random() % locks.size()));
             did += L" " + lock->first;
             lockedFiles.erase(lock->first);
             locks.erase(lock);
         }},
    };
    std::vector<int> weights;
    for (const auto& action : actions) weights.push_back(action.weight);
    std::discrete_distribution<size_t> pick(weights.begin(), weights.end());

    // Answers "No" to any box the shell might raise in this process, and counts
    // them: the run asks the shell for nothing, so none is expected.
    std::atomic<int> boxes{0};
    const std::jthread refuser([&boxes](std::stop_token stop) {
        for (; !stop.stop_requested(); Sleep(100))
            EnumWindows([](HWND window, LPARAM count) {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                wchar_t kind[16] = {};
                GetClassNameW(window, kind, 16);
                if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(kind) == L"#32770") {
                    PostMessageW(window, WM_COMMAND, IDNO, 0);
                    PostMessageW(window, WM_CLOSE, 0, 0);
                    ++*reinterpret_cast<std::atomic<int>*>(count);
                }
                return TRUE;
            }, reinterpret_cast<LPARAM>(&boxes));
    });
    std::string logBefore;
    std::deque<std::wstring> history;
    present();
    for (unsigned long step = 0; step < steps; ++step) {
        const auto& action = actions[pick(random)];
        const std::wstring file = anyFile();
        mayGo.clear();
        did = std::to_wstring(step) + L" " + action.name;
        action.run(file);
        history.push_back(did);
        if (history.size() > 12) history.pop_front();

        const std::multiset<Hash> found = present();
        std::set<Hash> still;
        for (const Hash hash : wanted) {
            if (found.count(hash)) still.insert(hash);
            else if (!action.outside && !mayGo.count(hash)) problems.push_back("a picture's bytes are gone");
        }
        // What the other program took away the user no longer has.
        wanted = still;
        const std::string logNow = ReadBytes(log);
        if (logNow.compare(0, logBefore.size(), logBefore) != 0) problems.push_back("archived.log lost what it held");
        logBefore = logNow;
        if (!problems.empty()) {
            std::string report;
            for (const std::wstring& line : history) report += testing::PrintToString(line) + "\n";
            for (const std::string& problem : problems) report += problem + "\n";
            ADD_FAILURE() << "after step " << step << ":\n" << report;
            break;
        }
    }
    EXPECT_EQ(boxes, 0) << "the shell asked something";

    // The run's files go, in the folders and in the trash.
    locks.clear();
    for (size_t r = 1; r < roots.size(); ++r) RemoveTree(roots[r]);
    emptyBin();
}
