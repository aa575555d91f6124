// The settings file: its layout, every key read into and written from its own
// field, what a save stores instead of running values, and damaged or hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "config/SettingLimits.h"
#include "imaging/TransitionPlan.h"
#include "support/TestFiles.h"

namespace {

std::unique_ptr<AppState> StateFor(const std::wstring& settings) {
    auto state = std::make_unique<AppState>();
    wcscpy(state->settingsPath, settings.c_str());
    return state;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; start < text.size(); start = end + 2) {
        end = std::min(text.find(L"\r\n", start), text.size());
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// A settings file in a folder of its own.
struct SettingsFile : testing::Test {
    std::wstring Saved() const { return ReadUtf16File(path); }
    // The default file with each value replaced by change(key, value).
    template <class Change> std::wstring Defaults(Change change) {
        StateFor(path)->TransferSettings(1);
        std::wstring text;
        for (const std::wstring& line : Lines(Saved())) {
            const size_t equals = line.find(L'=');
            const bool row = equals != std::wstring::npos && line[0] != L';' && !line.starts_with(L"version=");
            text += (row ? line.substr(0, equals + 1) + change(line.substr(0, equals), line.substr(equals + 1)) : line)
                + L"\r\n";
        }
        return text;
    }
    static bool Number(const std::wstring& value) { return !value.empty() && (iswdigit(value[0]) || value[0] == L'-'); }
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
};

}  // namespace

// Keys as a user writes them, one or two of each section and type.
TEST_F(SettingsFile, AHandWrittenFileReadsIntoItsFields) {
    WriteUtf16File(path, L"[Oxbrill]\r\nversion=1.234567890123\r\n[Portable]\r\n;=changed remark\r\nfolder=\\pics\r\n"
                         L"file manager=C:\\Tools\\x y.exe\r\n[Tweak]\r\nautorefresh latency=9000\r\n"
                         L"[Tweak Transitions]\r\ncrossfade latency=35\r\n[Slideshow]\r\ntimer=90000\r\nloop=1\r\n"
                         L"[Folder]\r\nautofindtype=3\r\n[Formats]\r\ntif=tRUE\r\n[Errors]\r\nloglnkfail=TRUE\r\n"
                         L"[Catalog]\r\nhide viewer=FALSE\r\n[Catalog Position]\r\nleft=-40000\r\n"
                         L"[Image]\r\nrotation=270\r\n[Transitions]\r\n15=FALSE\r\n[Window]\r\nbgcolor=16711935\r\n"
                         L"[Shell]\r\nbb wallpaper style=2\r\n[Settings]\r\nbookmark=70000\r\n"
                         L"[Menu]\r\nat cursor=FALSE\r\n[Hotkeys]\r\nhidekey=120\r\n");
    auto s = StateFor(path);
    s->TransferSettings(0);
    EXPECT_STREQ(s->version, L"1.234567890");
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(s->exhibitFolder), std::wstring(current, 2) + L"\\pics") << "the folder is resolved";
    EXPECT_STREQ(s->fileManager, L"C:\\Tools\\x y.exe");
    const int32_t numbers[] = {s->autorefreshLatency, s->crossfadeLatency, s->timer,    s->loop,
                               s->autofindtype,       s->catalogPosition.left, s->rotation, s->bgcolor,
                               s->bbWallpaperStyle,   s->bookmark,         s->hidekey};
    EXPECT_EQ(std::vector<int32_t>(std::begin(numbers), std::end(numbers)),
              (std::vector<int32_t>{9000, 35, 90000, 1, 3, -40000, 270, 0xFF00FF, 2, 70000, 120}));
    EXPECT_TRUE(s->formats.on[PictureFormatByKey(L"tif")] && s->loglnkfail && !s->hideViewer && !s->atCursor
                && s->transitionList.size() == 14u);
    s->TransferSettings(1);
    EXPECT_TRUE(Contains(Saved(), L"\r\n;=for portability set savefolder=FALSE and use relative paths, eg. \\pics\r\n"))
        << "the remark row is the program's own";
}

// Every value of a default file changed, read into a fresh state and saved
// again: the saved file must be the changed one, character for character.
TEST_F(SettingsFile, EveryKeyRoundTripsThroughItsOwnField) {
    const std::wstring changed = Defaults([](const std::wstring& key, const std::wstring& value) -> std::wstring {
        if (value == L"TRUE" || value == L"FALSE") return value == L"TRUE" ? L"FALSE" : L"TRUE";
        if (!Number(value)) return L"C:\\v\\" + key;
        // Changed numbers stay valid: a quarter turn further, rectangles keep a size on screen.
        const bool farEdge = key.ends_with(L"right") || key.ends_with(L"bottom");
        return std::to_wstring(std::stol(value) + (key == L"rotation" ? 90 : farEdge ? 300 : 1));
    });
    WriteUtf16File(path, changed);
    auto state = StateFor(path);
    state->TransferSettings(0);
    EXPECT_TRUE(state->timer == 5001 && state->presets[4].bottom == 300 && state->hidekey == 28);
    EXPECT_TRUE(state->transitionList.empty());
    // What a save recomputes on purpose, set so that it writes back the file's values.
    state->desktopGiven = true;
    state->exhibit->Assign(std::vector<ImageEntry>(size_t(state->bookmark) + 1));
    state->exhibit->MoveTo(state->bookmark);
    state->windowedLayout = state->layout;   // layer=1 reads as full screen
    const std::wstring again = dir.Path(L"again.ini");
    wcscpy(state->settingsPath, again.c_str());
    state->TransferSettings(1);
    EXPECT_EQ(ReadUtf16File(again), changed);
}

// What a save stores in place of the running values, and that the run keeps
// them; hand-made lines are replaced by exactly the bytes of a fresh save.
TEST_F(SettingsFile, ASaveStoresTheWindowedStateAndReplacesTheFile) {
    auto state = StateFor(path);
    state->layer = kLayerFullScreen;
    state->layout = 5;
    state->windowedLayout = 2;
    state->markexit = true;   // the shown picture is the bookmark
    state->exhibit->Assign(std::vector<ImageEntry>(50));
    state->exhibit->MoveTo(42);
    wcscpy(state->desktop, L"C:\\Users\\me\\Desktop");   // looked up, not given: not stored
    state->TransferSettings(1);
    for (const wchar_t* line : {L"layout=2", L"bookmark=42", L"desktop="})
        EXPECT_TRUE(Contains(Saved(), L"\r\n" + std::wstring(line) + L"\r\n")) << testing::PrintToString(line);
    EXPECT_EQ(state->layout, 5);
    const std::string fresh = ReadBytes(path);
    WriteUtf16File(path, L"# my notes\r\n[Slideshow]\r\ntimer=1\r\nextra=1\r\n");
    state->TransferSettings(1);
    EXPECT_EQ(ReadBytes(path), fresh);
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"oxbrill.ini"}) << "a temporary file was left";
}

// A file saved by an editor as UTF-8 is read, and kept as "oxbrill.ini.bak"
// when the program writes its own form over it; a file another program held
// when the run began is never written over, not even when it is free later.
TEST_F(SettingsFile, NoSaveLosesTheUsersFile) {
    const std::string utf8 = "\xEF\xBB\xBF[Portable]\r\nsavefolder=FALSE\r\nfolder=C:\\Bilder\\\xC3\x89t\xC3\xA9\r\n"
                             "[Slideshow]\r\ntimer=4321\r\n";
    ASSERT_TRUE(WriteBytes(path, utf8));
    auto state = StateFor(path);
    state->TransferSettings(0);
    EXPECT_STREQ(state->exhibitFolder, L"C:\\Bilder\\\u00C9t\u00E9");
    EXPECT_EQ(state->timer, 4321);
    state->TransferSettings(1);
    EXPECT_EQ(ReadBytes(path + L".bak"), utf8);
    EXPECT_TRUE(Contains(Saved(), L"\r\nfolder=C:\\Bilder\\\u00C9t\u00E9\r\n") && Contains(Saved(), L"timer=4321"));
    // The program's own form is replaced without a copy.
    DeleteFileW((path + L".bak").c_str());
    state->TransferSettings(1);
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"oxbrill.ini"});

    // Held without sharing at start-up: defaults, and the file stays as it is.
    const std::string own = ReadBytes(path);
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    auto held = StateFor(path);
    held->TransferSettings(0);
    EXPECT_EQ(held->timer, 5000);
    held->TransferSettings(1);
    CloseHandle(lock);
    held->TransferSettings(1);
    EXPECT_EQ(ReadBytes(path), own);
    // Read at start-up, held at the save: left alone as well.
    lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    state->timer = 1;
    state->TransferSettings(1);
    CloseHandle(lock);
    EXPECT_EQ(ReadBytes(path), own);
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"oxbrill.ini"}) << "a temporary file was left";
    // Saved under another name, the held run's settings are written there.
    const std::wstring other = dir.Path(L"other.ini");
    wcscpy(held->settingsPath, other.c_str());
    held->TransferSettings(1);
    EXPECT_TRUE(Contains(ReadUtf16File(other), L"\r\ntimer=5000\r\n"));
}

// Damaged files keep the defaults where nothing could be read and take what
// could, without lingering over them.
TEST_F(SettingsFile, DamagedFilesAreReadQuickly) {
    std::mt19937 random(12345);
    std::string garbage(10u << 20, '\0');
    for (char& byte : garbage) byte = static_cast<char>(random());
    const struct { const char* name; std::string bytes; int32_t timer; } cases[] = {
        {"no mark", Utf16(L"[Slideshow]\r\ntimer=1\r\n\r\n[Slideshow]\r\ntimer=2\r\n", false), 1},
        {"10 MB of UTF-16 garbage", "\xFF\xFE" + garbage + Utf16(L"\n[Slideshow]\r\ntimer=1234\r\n", false), 1234},
        {"10 MB of other garbage", garbage + "\n[Slideshow]\r\ntimer=1234\r\n", 1234},
    };
    for (const auto& test : cases) {
        ASSERT_TRUE(WriteBytes(path, test.bytes)) << test.name;
        auto state = StateFor(path);
        const auto start = std::chrono::steady_clock::now();
        state->TransferSettings(0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3)) << test.name;
        EXPECT_TRUE(state->timer == test.timer && state->transitionList.size() == 15u) << test.name;
    }
}

namespace {

struct SameDraw final : transition::RandomSource {
    int Next() override { return value; }
    int value = 0;
};

// The longest pause total of any effect on a screen-sized frame, either way
// up, at the latencies of `s`, before a plan is cut to its budget.
uint64_t LongestUncutTransitionMs(const AppState& s) {
    using namespace transition;
    const Latencies latency{s.shutterLatency,      s.wipeLatency,     s.slideLatency,    s.quadrantSlideLatency,
                            s.quadrantWipeLatency, s.dissolveLatency, s.crossfadeLatency};
    uint64_t longest = 0;
    for (int effect = 0; effect < kEffectCount; ++effect)
        for (const SIZE frame : {SIZE{3840, 2160}, SIZE{2160, 3840}, SIZE{640, 480}})
            for (SameDraw draw; draw.value <= 32767; draw.value += 32767) {
                const Plan plan = BuildPlan(effect, 0, 0, frame.cx, frame.cy, latency, draw, UINT32_MAX);
                longest = std::max(longest, plan.TotalPauseMs());
            }
    return longest;
}

}  // namespace

// Hostile numbers: every field lands in its range, the windows on a monitor,
// no transition stalls the viewer, and a save writes none of them back.
TEST_F(SettingsFile, HostileNumbersAreReadIntoRange) {
    for (const std::wstring hostile : {L"-2147483648", L"2147483647", L"-1", L"99999999999"}) {
        const std::wstring text =
            Defaults([&](const std::wstring&, const std::wstring& value) { return Number(value) ? hostile : value; });
        const std::string name = testing::PrintToString(hostile);
        WriteUtf16File(path, text);
        auto state = StateFor(path);
        state->TransferSettings(0);
        for (const SettingLimit& limit : SettingLimits())
            EXPECT_TRUE((*state).*limit.field >= limit.lowest && (*state).*limit.field <= limit.highest) << name;
        EXPECT_EQ(state->rotation % 90, 0) << name;
        // At the highest latencies kept, every effect is near its budget before
        // the cut that brings it within (TransitionPlan.NoEffectPausesPastItsBudget).
        if (hostile[0] != L'-') {
            EXPECT_LT(LongestUncutTransitionMs(*state), 3 * transition::kLongestEffectMs) << name;
        }
        std::vector<Rect32> windows(std::begin(state->presets), std::end(state->presets));
        windows.push_back(state->position);
        for (const Rect32& r : windows) {
            const RECT rect{r.left, r.top, r.right, r.bottom};
            EXPECT_TRUE(r.left < r.right && r.top < r.bottom && MonitorFromRect(&rect, MONITOR_DEFAULTTONULL)) << name;
        }
        // The Catalog rectangle is kept as read; a bookmark past the end is harmless.
        state->TransferSettings(1);
        std::wstring section;
        for (const std::wstring& line : Lines(Saved())) {
            if (!line.empty() && line[0] == L'[') section = line;
            const size_t equals = line.find(L'=');
            if (equals == std::wstring::npos || section == L"[Catalog Position]"
                || line.starts_with(L"bookmark=")) continue;
            EXPECT_NE(line.substr(equals + 1), hostile) << name << ": " << testing::PrintToString(line);
        }
    }
}

// The format keys after the first seven: a file from before them shows those
// formats; each reads and saves as the others do.
TEST_F(SettingsFile, FormatKeysMissingAreShownAndEachRoundTrips) {
    const std::wstring old = L"bmp=FALSE\r\nemf=FALSE\r\ngif=TRUE\r\nico=TRUE\r\njpg=TRUE\r\npng=TRUE\r\ntif=TRUE\r\n";
    const struct { std::wstring file, saved; } cases[] = {
        {old, old + L"webp=TRUE\r\navif=TRUE\r\nheic=TRUE\r\njxl=TRUE\r\n"},
        {L"webp=FALSE\r\navif=FALSE\r\nheic=FALSE\r\njxl=FALSE\r\n",
         L"bmp=TRUE\r\nemf=FALSE\r\ngif=TRUE\r\nico=FALSE\r\njpg=TRUE\r\npng=TRUE\r\ntif=FALSE\r\n"
         L"webp=FALSE\r\navif=FALSE\r\nheic=FALSE\r\njxl=FALSE\r\n"},
        {old + L"jxl=FALSE\r\navif=FALSE\r\n", old + L"webp=TRUE\r\navif=FALSE\r\nheic=TRUE\r\njxl=FALSE\r\n"},
    };
    for (const auto& [file, saved] : cases) {
        WriteUtf16File(path, L"[Formats]\r\n" + file);
        auto state = StateFor(path);
        state->TransferSettings(0);
        state->TransferSettings(1);
        EXPECT_TRUE(Contains(Saved(), L"\r\n[Formats]\r\n" + saved + L"\r\n[Errors]\r\n"))
            << testing::PrintToString(file);
        for (const wchar_t* key : {L"webp", L"avif", L"heic", L"jxl"})
            EXPECT_EQ(state->formats.on[PictureFormatByKey(key)], Contains(saved, key + std::wstring(L"=TRUE")))
                << testing::PrintToString(key);
    }
}

// The file a first run writes, as the program wrote it when this was
// committed: a key renamed, moved to another section or given another type
// would leave users' files unread, so it must stay the same.
TEST_F(SettingsFile, AFirstRunWritesTheFileUsersAlreadyHave) {
    StateFor(path)->TransferSettings(1);
    EXPECT_EQ(Saved(), ReadUtf16File(DataPath(L"settings\\first-run.ini")));
}
