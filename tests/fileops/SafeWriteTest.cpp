// The safe-write module with every step made to fail in turn: writing a file,
// copying, moving within a volume and across volumes, and saving the settings.
// Whatever fails, the old file or the new one is whole where the user finds it
// (byte for byte), never neither; the result says which; no temporary file is
// left, except the one that holds the only whole copy and is said to.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "config/Language.h"
#include "fileops/FileSteps.h"
#include "fileops/FileTransfer.h"
#include "platform/Paths.h"
#include "support/StepFaults.h"
#include "support/TestFiles.h"

namespace {

const std::string kOld = "the old target, whole";
const std::string kWritten = "the new content a writer made";

// A block and a half: a copy of it takes two Copy steps, so a full disk can
// stop it half-way.
const std::string& SourceBytes() {
    static const std::string bytes = [] {
        std::string s(1536 * 1024, 'p');
        for (size_t i = 0; i < s.size(); i += 997) s[i] = char(i / 997);
        return s;
    }();
    return bytes;
}

// /dev/shm is a file system of its own: a move there crosses volumes.
const wchar_t kOtherVolume[] = L"Z:\\dev\\shm";
bool HaveOtherVolume() { return GetFileAttributesW(kOtherVolume) != INVALID_FILE_ATTRIBUTES; }

std::string Describe(Transfer t) {
    static const char* const kNames[] = {"Done", "SourceGone", "TargetUnusable", "Failed", "SourceKept", "KeptAside"};
    return size_t(t) < std::size(kNames) ? kNames[size_t(t)] : "?";
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring NameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

enum class Op { Write, Copy, Move };

// `otherVolume`: the target on another volume than the source; `clean`: the
// steps of a run where nothing fails, in order.
struct Scenario { const char* name; Op op; bool targetExists, otherVolume; const wchar_t* clean; };

const Scenario kScenarios[] = {
    {"write a new file", Op::Write, false, false, L"CreateTemp Write Flush Place"},
    {"write over a file", Op::Write, true, false, L"CreateTemp Write Flush Place"},
    {"copy to a new name", Op::Copy, false, false, L"CreateTemp Copy Copy Write Flush Verify Place"},
    {"copy over a file", Op::Copy, true, false, L"CreateTemp Copy Copy Write Flush Verify Place"},
    {"move to a new name", Op::Move, false, false, L"Rename"},
    {"move over a file", Op::Move, true, false, L"Rename"},
    {"move to another volume", Op::Move, false, true,
     L"Rename CreateTemp Copy Copy Write Flush Verify Place DeleteSource"},
    {"move over a file on another volume", Op::Move, true, true,
     L"Rename CreateTemp Copy Copy Write Flush Verify Place DeleteSource"},
};

// The folders and files of one run: a source, and a target beside it or on
// the other volume, holding kOld when the scenario has one.
struct Trial {
    explicit Trial(const Scenario& s) : scenario(s) {
        source = here.Path(L"source.jpg");
        WriteBytes(source, SourceBytes());
        targetFolder = here.Root();
        if (s.otherVolume) {
            static int counter = 0;
            targetFolder = std::wstring(kOtherVolume) + L"\\ox-safe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                           std::to_wstring(++counter);
            RemoveTree(targetFolder);
            CreateDirectoryW(targetFolder.c_str(), nullptr);
        }
        target = targetFolder + L"\\target.jpg";
        if (s.targetExists) WriteBytes(target, kOld);
    }
    ~Trial() { if (scenario.otherVolume) RemoveTree(targetFolder); }

    Transfer Go() {
        switch (scenario.op) {
        case Op::Write:
            return WriteFileSafely(target.c_str(), true,
                                   [](const wchar_t* temporary) { return WriteBytes(temporary, kWritten); }, &kept);
        case Op::Copy: return CopyFileSafely(source.c_str(), target.c_str(), true, &kept);
        case Op::Move: return MoveFileSafely(source.c_str(), target.c_str(), true, &kept);
        }
        return Transfer::Failed;
    }

    const std::string& NewBytes() const { return scenario.op == Op::Write ? kWritten : SourceBytes(); }

    // What `result` says must be true of the files, byte for byte; and no
    // temporary file beside them but the one a KeptAside result names.
    // `aside` is a name another program (or a replace half done) left.
    void Check(Transfer result, const std::wstring& aside = std::wstring()) const {
        const bool moving = scenario.op == Op::Move;
        const bool sourceWhole = ReadBytes(source) == SourceBytes();
        switch (result) {
        case Transfer::Done:
            EXPECT_EQ(ReadBytes(target), NewBytes()) << "the new file in place";
            EXPECT_TRUE(moving ? !FileExists(source) : scenario.op == Op::Write || sourceWhole)
                << "a move leaves no source, a copy the source whole";
            break;
        case Transfer::Failed:
            EXPECT_EQ(FileExists(target) ? ReadBytes(target) : "(none)", scenario.targetExists ? kOld : "(none)")
                << "the old file as it was, or no file made";
            EXPECT_TRUE(scenario.op == Op::Write || sourceWhole) << "the source as it was";
            break;
        case Transfer::SourceKept:
            EXPECT_TRUE(moving);
            EXPECT_EQ(ReadBytes(target), NewBytes());
            EXPECT_TRUE(sourceWhole);
            break;
        case Transfer::KeptAside:
            ASSERT_FALSE(kept.empty()) << "a file kept aside is named";
            EXPECT_EQ(ReadBytes(kept), NewBytes()) << "the only whole copy is kept";
            EXPECT_EQ(FolderPart(kept), targetFolder);
            EXPECT_TRUE(scenario.op == Op::Write || sourceWhole);
            break;
        default: ADD_FAILURE() << Describe(result); break;
        }
        EXPECT_TRUE(result == Transfer::KeptAside || kept.empty());
        // Nothing but the files the user knows (and what the run says it kept).
        std::vector<std::wstring> folders{here.Root()};
        if (targetFolder != here.Root()) folders.push_back(targetFolder);
        for (const std::wstring& folder : folders) {
            std::vector<std::wstring> expected;
            for (const std::wstring& path : {source, target, targetFolder + L"\\" + aside, kept})
                if (!path.empty() && FolderPart(path) == folder && NameOf(path) != L"" && FileExists(path))
                    expected.push_back(NameOf(path));
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(ListFolder(folder), expected) << "no temporary file left";
        }
    }

    const Scenario& scenario;
    TempFolder here{L"safe"};
    std::wstring source, target, targetFolder, kept;
};

std::vector<FileStep> StepsOf(const std::wstring& sequence) {
    std::vector<FileStep> steps;
    std::wistringstream words(sequence);
    for (std::wstring name; words >> name;)
        for (int s = 0; s < int(FileStep::Count); ++s)
            if (name == StepName(FileStep(s))) steps.push_back(FileStep(s));
    return steps;
}

// What a run whose `step` fails (once, with an error that is not worth a
// second try) must give.
// Before that step nothing is in place yet: the old stays.
Transfer WhenStepFails(const Scenario& s, FileStep step) {
    return step == FileStep::DeleteSource && s.targetExists ? Transfer::SourceKept : Transfer::Failed;
}

bool Skipped(const Scenario& s) { return s.otherVolume && !HaveOtherVolume(); }

}  // namespace

// A run with nothing failing takes the steps in this order: written, flushed,
// (checked,) and only then renamed; a move's source goes last. Then each step
// of each scenario fails in turn, as a full disk fails it.
TEST(SafeWrite, EveryStepThatFailsLeavesTheOldFileOrTheNewOneWhole) {
    for (const Scenario& s : kScenarios) {
        if (Skipped(s)) continue;
        const std::vector<FileStep> steps = StepsOf(s.clean);
        for (size_t i = 0; i <= steps.size(); ++i) {
            const bool clean = i == steps.size();   // the last run, with nothing failing
            const FileStep step = clean ? FileStep::Count : steps[i];
            const int nth = int(std::count(steps.begin(), steps.begin() + std::ptrdiff_t(i) + !clean, step));
            SCOPED_TRACE(std::string(s.name) + ": " +
                         (clean ? "nothing fails" : Narrow(StepName(step)) + " #" + std::to_string(nth) + " fails"));
            Trial run(s);
            StepFaults faults;
            if (!clean) faults.Fail(step, nth, ERROR_DISK_FULL);
            const Transfer result = run.Go();
            EXPECT_EQ(Describe(result), Describe(clean ? Transfer::Done : WhenStepFails(s, step)))
                << Narrow(faults.Taken());
            EXPECT_EQ(clean ? faults.Taken() : s.clean, s.clean);
            run.Check(result);
        }
    }
}

namespace {

void Delete(const wchar_t* path, const wchar_t*) { DeleteFileW(path); }
void DeleteOther(const wchar_t*, const wchar_t* other) { DeleteFileW(other); }
void MoveOtherAside(const wchar_t*, const wchar_t* other) {
    MoveFileW(other, (std::wstring(other) + L".aside").c_str());
}
// Another program (or a driver) cuts the finished copy short.
void Truncate(const wchar_t* path, const wchar_t*) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER half{};
    half.QuadPart = 1000;
    SetFilePointerEx(file, half, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
}

struct Fault { FileStep step; int nth; DWORD error; StepFaults::Effect effect = {}; int times = 1; };

}  // namespace

// Steps that fail half-way, or more than once, or only for a moment.
TEST(SafeWrite, StepsThatFailHalfWayOrTwice) {
    const struct { const char* what; std::vector<int> scenarios; std::vector<Fault> faults; Transfer expected;
                   const wchar_t* aside; } cases[] = {
        // The old file deleted (or renamed) by another program just before the
        // rename: the new one takes the name...
        {"target deleted meanwhile", {1, 7}, {{FileStep::Place, 1, 0, DeleteOther}}, Transfer::Done, L""},
        {"target renamed meanwhile", {3}, {{FileStep::Place, 1, 0, MoveOtherAside}}, Transfer::Done, L"target.jpg.aside"},
        // ...and when the rename is refused, the new file, now the only one, is
        // kept under its temporary name, and the result names it.
        {"target deleted meanwhile, rename refused", {1, 3, 7},
         {{FileStep::Place, 1, ERROR_DISK_FULL, DeleteOther, -1}}, Transfer::KeptAside, L""},
        // A copy that came out short never counts.
        {"short copy", {2, 3, 6}, {{FileStep::Verify, 1, 0, Truncate}}, Transfer::Failed, L""},
        // A file held for a moment is tried again.
        {"target held a moment", {2, 3}, {{FileStep::Place, 1, ERROR_SHARING_VIOLATION, {}, 3}}, Transfer::Done, L""},
        {"source held a moment", {4}, {{FileStep::Rename, 1, ERROR_SHARING_VIOLATION, {}, 3}}, Transfer::Done, L""},
        {"source held a moment", {6}, {{FileStep::DeleteSource, 1, ERROR_SHARING_VIOLATION, {}, 3}}, Transfer::Done, L""},
        // A source that stays held: the copy is taken back, or, when it
        // replaced a file or cannot be taken back, both are said to be there.
        {"source held", {6}, {{FileStep::DeleteSource, 1, ERROR_SHARING_VIOLATION, {}, -1}}, Transfer::Failed, L""},
        {"source held", {7}, {{FileStep::DeleteSource, 1, ERROR_SHARING_VIOLATION, {}, -1}}, Transfer::SourceKept, L""},
        {"source held, copy held", {6},
         {{FileStep::DeleteSource, 1, ERROR_ACCESS_DENIED, {}, -1}, {FileStep::RemoveCopy, 1, ERROR_ACCESS_DENIED}},
         Transfer::SourceKept, L""},
        // A source deleted by another program meanwhile: the move is whole.
        {"source gone meanwhile", {6}, {{FileStep::DeleteSource, 1, ERROR_FILE_NOT_FOUND, Delete}}, Transfer::Done, L""},
    };
    for (const auto& c : cases)
        for (const int index : c.scenarios) {
            const Scenario& s = kScenarios[index];
            if (Skipped(s)) continue;
            SCOPED_TRACE(std::string(c.what) + ": " + s.name);
            Trial run(s);
            StepFaults faults;
            for (const Fault& f : c.faults) faults.Fail(f.step, f.nth, f.error, f.effect, f.times);
            const Transfer result = run.Go();
            EXPECT_EQ(Describe(result), Describe(c.expected)) << Narrow(faults.Taken());
            run.Check(result, c.aside);
        }
}

// Refusals: nothing is written and nothing changes.
TEST(SafeWrite, WhatIsRefusedChangesNothing) {
    TempFolder tree(L"refused");
    tree.File(L"a.jpg", "picture bytes");
    tree.File(L"b.jpg", "other bytes");
    tree.File(L"ro.jpg", "read-only bytes");
    for (const wchar_t* folder : {L"sub", L"folder.jpg"}) tree.Folder(folder);
    SetFileAttributesW(tree.Path(L"ro.jpg").c_str(), FILE_ATTRIBUTE_READONLY);
    const std::wstring a = tree.Path(L"a.jpg"), b = tree.Path(L"b.jpg"), ro = tree.Path(L"ro.jpg");
    const std::vector<std::wstring> before = ListFolder(tree.Root());
    auto unchanged = [&](const char* what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(ListFolder(tree.Root()), before);
        EXPECT_EQ(ReadBytes(a), "picture bytes");
        EXPECT_EQ(ReadBytes(b), "other bytes");
        EXPECT_EQ(ReadBytes(ro), "read-only bytes");
        EXPECT_TRUE(ListFolder(tree.Path(L"sub")).empty());
    };
    auto writer = [](const wchar_t* temporary) { return WriteBytes(temporary, "new"); };

    // No replacing unless asked; a missing source or folder, or a path too long.
    EXPECT_EQ(CopyFileSafely(a.c_str(), b.c_str(), false), Transfer::Failed);
    EXPECT_EQ(MoveFileSafely(a.c_str(), b.c_str(), false), Transfer::Failed);
    EXPECT_EQ(WriteFileSafely(b.c_str(), false, writer), Transfer::Failed);
    EXPECT_EQ(CopyFileSafely(tree.Path(L"none.jpg").c_str(), tree.Path(L"c.jpg").c_str(), true), Transfer::SourceGone);
    EXPECT_EQ(MoveFileSafely(tree.Path(L"none.jpg").c_str(), tree.Path(L"c.jpg").c_str(), true), Transfer::SourceGone);
    EXPECT_EQ(MoveFileSafely(a.c_str(), tree.Path(L"missing\\a.jpg").c_str(), true), Transfer::TargetUnusable);
    EXPECT_EQ(CopyFileSafely(a.c_str(), tree.Path(L"a.jpg\\x.jpg").c_str(), true), Transfer::TargetUnusable);
    EXPECT_EQ(CopyFileSafely(a.c_str(), (tree.Path(L"") + std::wstring(300, L'n')).c_str(), true),
              Transfer::TargetUnusable);
    EXPECT_EQ(WriteFileSafely(tree.Path(L"missing\\w.jpg").c_str(), true, writer), Transfer::TargetUnusable);
    unchanged("refusals");

    // A writer that fails, halfway through its file.
    EXPECT_EQ(WriteFileSafely(b.c_str(), true, [](const wchar_t* temporary) {
                  WriteBytes(temporary, "half");
                  return false;
              }),
              Transfer::Failed);
    unchanged("a writer that fails");

    // A read-only target, or a folder in its place, is not replaced.
    EXPECT_EQ(CopyFileSafely(a.c_str(), ro.c_str(), true), Transfer::Failed);
    EXPECT_EQ(MoveFileSafely(a.c_str(), ro.c_str(), true), Transfer::Failed);
    EXPECT_EQ(WriteFileSafely(ro.c_str(), true, writer), Transfer::Failed);
    EXPECT_EQ(WriteFileSafely(tree.Path(L"folder.jpg").c_str(), true, writer), Transfer::Failed);
    EXPECT_EQ(CopyFileSafely(a.c_str(), tree.Path(L"folder.jpg").c_str(), true), Transfer::Failed);
    unchanged("read-only target");

    // A target another program holds shut (share mode 0) for the whole call.
    {
        HeldFile lock(b, 0);
        ASSERT_NE(lock.file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(CopyFileSafely(a.c_str(), b.c_str(), true), Transfer::Failed);
        EXPECT_EQ(WriteFileSafely(b.c_str(), true, writer), Transfer::Failed);
        EXPECT_EQ(MoveFileSafely(a.c_str(), b.c_str(), true), Transfer::Failed);
    }
    unchanged("locked target");
    // A source another program holds shut.
    {
        HeldFile lock(a, 0);
        ASSERT_NE(lock.file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(CopyFileSafely(a.c_str(), tree.Path(L"sub\\a.jpg").c_str(), true), Transfer::Failed);
        EXPECT_EQ(MoveFileSafely(a.c_str(), tree.Path(L"sub\\a.jpg").c_str(), true), Transfer::Failed);
    }
    unchanged("locked source");

    // A copy to itself is no copy; the same name in another case is the same file.
    EXPECT_EQ(CopyFileSafely(a.c_str(), tree.Path(L"sub\\..\\A.JPG").c_str(), false), Transfer::Done);
    EXPECT_TRUE(SamePath(b.c_str(), tree.Path(L"sub\\..\\B.JPG").c_str()));
    unchanged("a copy to itself");
    SetFileAttributesW(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Across volumes: a read-only or held source is refused before anything is
// written; a copy keeps the picture's dates.
TEST(SafeWrite, AMoveAcrossVolumesRefusesASourceItCannotDelete) {
    if (!HaveOtherVolume()) GTEST_SKIP() << "no second volume";
    TempFolder tree(L"volumes");
    const std::wstring other = std::wstring(kOtherVolume) + L"\\oxbrill-move-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(other);
    CreateDirectoryW(other.c_str(), nullptr);
    tree.File(L"a.jpg", std::string(100000, 'x'));
    tree.File(L"ro.jpg", "kept");
    tree.File(L"held.jpg", "held");
    SetFileAttributesW(tree.Path(L"ro.jpg").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(MoveFileSafely(tree.Path(L"ro.jpg").c_str(), (other + L"\\ro.jpg").c_str(), false), Transfer::Failed);
    {
        HeldFile lock(tree.Path(L"held.jpg"), FILE_SHARE_READ);
        EXPECT_EQ(MoveFileSafely(tree.Path(L"held.jpg").c_str(), (other + L"\\held.jpg").c_str(), false),
                  Transfer::Failed);
    }
    EXPECT_TRUE(ListFolder(other).empty());
    SetFileAttributesW(tree.Path(L"ro.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);

    SetTimes(tree.Path(L"a.jpg"), 130000000000000000ull);
    ASSERT_EQ(MoveFileSafely(tree.Path(L"a.jpg").c_str(), (other + L"\\a.jpg").c_str(), false), Transfer::Done);
    EXPECT_EQ(ReadBytes(other + L"\\a.jpg"), std::string(100000, 'x'));
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW((other + L"\\a.jpg").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ((ULONGLONG(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime,
              130000000000000000ull);
    EXPECT_EQ(ListFolder(tree.Root()), (std::vector<std::wstring>{L"held.jpg", L"ro.jpg"}));
    EXPECT_EQ(ListFolder(other), std::vector<std::wstring>{L"a.jpg"});
    RemoveTree(other);
}

// Saving the settings goes through the same steps: whatever fails, the old
// oxbrill.ini or the new one is whole, and nothing is written in its place.
TEST(SafeWrite, ASettingsSaveThatFailsKeepsTheOldFileWhole) {
    TempFolder dir(L"cfgsave");
    const std::wstring path = dir.Path(L"oxbrill.ini");
    const std::string old = Utf16(L"[Oxbrill]\r\nversion=0.9\r\n[Slideshow]\r\ntimer=7000\r\n");
    auto state = std::make_unique<AppState>();
    wcscpy(state->settingsPath, path.c_str());
    auto save = [&] {
        WriteBytes(path, old);
        state->TransferSettings(1);
    };

    std::string saved;
    std::vector<FileStep> steps;
    {
        StepFaults faults;
        state->TransferSettings(1);   // no settings file yet; then over the old one, by the same steps
        const std::string first = ReadBytes(path);
        save();
        EXPECT_EQ(faults.Taken(), L"CreateTemp Write Flush Place CreateTemp Write Flush Place");
        steps = faults.Steps();
        steps.resize(steps.size() / 2);
        saved = ReadBytes(path);
        ASSERT_TRUE(saved == first && saved != old);
        ASSERT_EQ(saved.compare(0, 2, "\xFF\xFE"), 0);
    }
    for (const FileStep step : steps) {
        SCOPED_TRACE(Narrow(StepName(step)) + " fails");
        StepFaults faults;
        faults.Fail(step, 1, ERROR_DISK_FULL);
        save();
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(ListFolder(dir.Root()), std::vector<std::wstring>{L"oxbrill.ini"});
    }
    {
        SCOPED_TRACE("the old file deleted by another program, and the rename refused: the new one is kept");
        StepFaults faults;
        faults.Fail(FileStep::Place, 1, ERROR_DISK_FULL, DeleteOther, -1);
        save();
        const std::vector<std::wstring> names = ListFolder(dir.Root());
        ASSERT_EQ(names.size(), 1u);
        EXPECT_TRUE(names[0].size() > 7 && names[0].starts_with(L"oxb") && names[0].ends_with(L".tmp")) << "temporary";
        EXPECT_EQ(ReadBytes(dir.Path(names[0])), saved);
        DeleteFileW(dir.Path(names[0]).c_str());
    }
    // A hidden settings file stays hidden; a read-only one, or one another
    // program holds shut, is not replaced.
    const struct { const char* what; DWORD attributes; bool held; } kept[] = {
        {"hidden", FILE_ATTRIBUTE_HIDDEN, false}, {"read-only", FILE_ATTRIBUTE_READONLY, false}, {"held", 0, true}};
    for (const auto& k : kept) {
        SCOPED_TRACE(k.what);
        WriteBytes(path, old);
        if (k.attributes) SetFileAttributesW(path.c_str(), k.attributes);
        {
            std::unique_ptr<HeldFile> lock(k.held ? new HeldFile(path, 0) : nullptr);
            state->TransferSettings(1);
        }
        EXPECT_EQ(ReadBytes(path), k.attributes == FILE_ATTRIBUTE_HIDDEN ? saved : old);
        EXPECT_EQ(GetFileAttributesW(path.c_str()) & k.attributes, k.attributes);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ListFolder(dir.Root()), std::vector<std::wstring>{L"oxbrill.ini"});
    }
}

// A translation template is written over the user's language file only once
// that file is copied whole to its .bak, and through the same steps.
TEST(SafeWrite, ATranslationTemplateKeepsTheUsersFile) {
    TempFolder dir(L"langsave");
    const std::wstring path = dir.Path(L"oxbrill.lang.ini"), backup = path + L".bak";
    const std::string mine = Utf16(L"[Language]\r\n;=my own translation\r\n");
    auto reset = [&] {
        WriteBytes(path, mine);
        DeleteFileW(backup.c_str());
    };
    reset();
    ASSERT_TRUE(WriteTranslationTemplate(path.c_str()));
    EXPECT_EQ(ReadBytes(backup), mine);
    const std::string made = ReadBytes(path);
    EXPECT_NE(made, mine);
    EXPECT_EQ(made.compare(0, 2, "\xFF\xFE"), 0);
    const std::vector<std::wstring> both{L"oxbrill.lang.ini", L"oxbrill.lang.ini.bak"};
    EXPECT_EQ(ListFolder(dir.Root()), both);
    {
        SCOPED_TRACE("the .bak cannot be made: the file stays as it was");
        reset();
        StepFaults faults;
        faults.Fail(FileStep::Place, 1, ERROR_DISK_FULL);
        EXPECT_FALSE(WriteTranslationTemplate(path.c_str()));
        EXPECT_EQ(ReadBytes(path), mine);
        EXPECT_EQ(ListFolder(dir.Root()), std::vector<std::wstring>{L"oxbrill.lang.ini"});
    }
    {
        SCOPED_TRACE("the template cannot be put in place: the file stays as it was, and its .bak");
        reset();
        StepFaults faults;
        faults.Fail(FileStep::Flush, 2, ERROR_DISK_FULL);
        EXPECT_FALSE(WriteTranslationTemplate(path.c_str()));
        EXPECT_EQ(faults.Taken(), L"CreateTemp Copy Write Flush Verify Place CreateTemp Write Flush");
        EXPECT_EQ(ReadBytes(path), mine);
        EXPECT_EQ(ReadBytes(backup), mine);
        EXPECT_EQ(ListFolder(dir.Root()), both);
    }
}
