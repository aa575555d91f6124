#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/TestFiles.h"
#include "config/SettingLimits.h"
#include "imaging/TransitionPlan.h"


namespace {

std::unique_ptr<AppState> StateFor(const std::wstring& settings) {
    auto state = std::make_unique<AppState>();
    wcscpy(state->settingsPath, settings.c_str());
    return state;
}

std::wstring SavedText(const std::wstring& path) {
    return Units(ReadBytes(path));
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

const wchar_t* const kHeaders[] = {
    L"[Oxbrill]", L"[Portable]", L"[Tweak]", L"[Tweak Transitions]", L"[Slideshow]", L"[Folder]",
    L"[Formats]", L"[Errors]", L"[Catalog]", L"[Catalog Position]", L"[Image]", L"[Transitions]",
    L"[Window]", L"[Position]", L"[Presets]", L"[Shell]", L"[Settings]", L"[Menu]", L"[Hotkeys]",
};

}  // namespace

TEST(SettingsFile, DefaultsSaveTheKnownLayout) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
    auto state = StateFor(path);
    state->TransferSettings(1);
    const std::wstring text = SavedText(path);

    EXPECT_EQ(text.rfind(L"\xFEFF[Oxbrill]\r\nversion=1.00\r\n\r\n[Portable]\r\n"
                         L";=for portability set savefolder=FALSE and use relative paths, eg. \\pics\r\n"
                         L"savefolder=TRUE\r\nfolder=\r\nfavorites=\r\narchive=\r\nimage viewer=\r\n"
                         L"file manager=explorer.exe\r\n\r\n[Tweak]\r\n",
                         0),
              0u);
    EXPECT_TRUE(Contains(text, L"\r\n\r\n[Tweak Transitions]\r\nshutter latency=500\r\nwipe latency=2\r\n"
                               L"slide latency=5\r\nquadrant slide latency=10\r\nquadrant wipe latency=12\r\n"
                               L"dissolve latency=2\r\ncrossfade latency=30\r\n\r\n[Slideshow]\r\n"));
    EXPECT_TRUE(Contains(text, L"[Transitions]\r\ntransitions=TRUE\r\n1=TRUE\r\n2=TRUE\r\n"));
    EXPECT_TRUE(Contains(text, L"14=TRUE\r\n15=TRUE\r\noverlap=TRUE\r\n"));
    const std::wstring ending = L"[Hotkeys]\r\nhidemod=1\r\nhidekey=27\r\n";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);

    // All 19 headers, in order, each after an empty line but the first.
    std::vector<std::wstring> headers;
    const std::vector<std::wstring> lines = Lines(text.substr(1));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i][0] == L'[') {
            headers.push_back(lines[i]);
            if (i > 0) {
                EXPECT_TRUE(lines[i - 1].empty()) << "before " << i;
            }
        }
    }
    EXPECT_EQ(headers, std::vector<std::wstring>(std::begin(kHeaders), std::end(kHeaders)));

    // The save leaves nothing but the settings file behind.
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"oxbrill.ini"});
}

// Each key must land in its own field: every value of a default file is
// changed, read into a fresh state and saved again; the saved file must be
// the changed one, character for character.
TEST(SettingsFile, EveryKeyRoundTripsThroughItsOwnField) {
    TempFolder dir{L"cfg"};
    const std::wstring first = dir.Path(L"first.ini");
    auto defaults = StateFor(first);
    defaults->TransferSettings(1);

    std::wstring changed = L"\xFEFF";
    for (const std::wstring& line : Lines(SavedText(first).substr(1))) {
        const size_t equals = line.find(L'=');
        if (line.empty() || line[0] == L'[' || equals == std::wstring::npos) {
            changed += line + L"\r\n";
            continue;
        }
        const std::wstring key = line.substr(0, equals), value = line.substr(equals + 1);
        std::wstring next = value;
        if (key == L"version" || key == L";") {
            next = value;
        } else if (value == L"TRUE") {
            next = L"FALSE";
        } else if (value == L"FALSE") {
            next = L"TRUE";
        } else if (!value.empty() && (iswdigit(value[0]) || value[0] == L'-')) {
            // Changed numbers stay valid: the rotation turns a quarter further,
            // rectangles keep a size on screen.
            const bool farEdge = key.ends_with(L"right") || key.ends_with(L"bottom");
            next = std::to_wstring(std::stol(value) + (key == L"rotation" ? 90 : farEdge ? 300 : 1));
        } else {
            next = L"C:\\v\\" + key;
        }
        changed += key + L"=" + next + L"\r\n";
    }
    const std::wstring second = dir.Path(L"second.ini");
    ASSERT_TRUE(WriteBytes(second, Utf16(changed.substr(1))));

    auto state = StateFor(second);
    state->TransferSettings(0);
    EXPECT_EQ(state->timer, 5001);
    EXPECT_EQ(state->presets[4].bottom, 300);
    EXPECT_EQ(state->rotation, 90);
    EXPECT_EQ(state->hidekey, 28);
    EXPECT_FALSE(state->hideViewer);
    EXPECT_FALSE(state->atCursor);
    EXPECT_TRUE(state->bbWallpaperScale);
    EXPECT_STREQ(state->imageViewer, L"C:\\v\\image viewer");
    EXPECT_STREQ(state->exhibitFolder, L"C:\\v\\folder");
    EXPECT_TRUE(state->transitionList.empty());

    // Things a save recomputes on purpose, set so they write back the file's values.
    state->desktopGiven = true;
    state->exhibit->Assign(std::vector<ImageEntry>(size_t(state->bookmark) + 1));
    state->exhibit->MoveTo(state->bookmark);
    state->windowedLayout = state->layout;   // layer=1 reads as full screen
    const std::wstring third = dir.Path(L"third.ini");
    wcscpy(state->settingsPath, third.c_str());
    state->TransferSettings(1);
    EXPECT_EQ(SavedText(third), changed);
}

TEST(SettingsFile, TransitionListIsAscendingAfterRead) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
    auto writer = StateFor(path);
    writer->transitionList = {14, 2, 9, 2};
    writer->TransferSettings(1);
    const std::wstring text = SavedText(path);
    EXPECT_TRUE(Contains(text, L"\r\n1=FALSE\r\n2=FALSE\r\n3=TRUE\r\n"));
    EXPECT_TRUE(Contains(text, L"\r\n15=TRUE\r\n"));

    auto reader = StateFor(path);
    reader->TransferSettings(0);
    EXPECT_EQ(reader->transitionList, (std::vector<int32_t>{2, 9, 14}));

    // Keys that are absent keep the current membership; the order is rebuilt anyway.
    ASSERT_TRUE(WriteBytes(path, Utf16(L"[Transitions]\r\n5=FALSE\r\n1=TRUE\r\n")));
    reader->transitionList = {9, 14, 4, 2};
    reader->TransferSettings(0);
    EXPECT_EQ(reader->transitionList, (std::vector<int32_t>{0, 2, 9, 14}));

    auto missing = StateFor(dir.Path(L"none.ini"));
    missing->transitionList = {5, 1};
    missing->TransferSettings(0);
    EXPECT_EQ(missing->transitionList, (std::vector<int32_t>{1, 5}));
}

// What a save stores in place of the running values, and that the run keeps them.
TEST(SettingsFile, SavingStoresTheWindowedState) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
    auto state = StateFor(path);
    state->layer = 1;
    state->layout = 5;
    state->windowedLayout = 2;
    state->markexit = true;
    state->exhibit->Assign(std::vector<ImageEntry>(50));
    state->exhibit->MoveTo(42);
    wcscpy(state->exhibitFolder, L"D:\\Pictures");
    wcscpy(state->desktop, L"C:\\Users\\me\\Desktop");
    wcscpy(state->version, L"0.5");
    state->TransferSettings(1);

    std::wstring text = SavedText(path);
    EXPECT_TRUE(Contains(text, L"\r\nversion=1.00\r\n"));
    EXPECT_TRUE(Contains(text, L"\r\nlayout=2\r\n"));
    EXPECT_TRUE(Contains(text, L"\r\nbookmark=42\r\n"));
    EXPECT_TRUE(Contains(text, L"\r\nfolder=D:\\Pictures\r\n"));
    EXPECT_TRUE(Contains(text, L"\r\ndesktop=\r\n"));
    EXPECT_EQ(state->layout, 5);
    EXPECT_STREQ(state->desktop, L"C:\\Users\\me\\Desktop");

    // A desktop folder the user gave is stored; with savefolder off `folder` stays as written.
    state->desktopGiven = true;
    state->savefolder = false;
    state->layer = 0;
    wcscpy(state->folder, L"\\pics");
    state->TransferSettings(1);
    text = SavedText(path);
    EXPECT_TRUE(Contains(text, L"\r\ndesktop=C:\\Users\\me\\Desktop\r\n"));
    EXPECT_TRUE(Contains(text, L"\r\nfolder=\\pics\r\n"));
    EXPECT_TRUE(Contains(text, L"\r\nlayout=5\r\n"));
}

TEST(SettingsFile, MaximisedWindowSavesItsRestoredRectangle) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
    HWND window = CreateWindowExW(0, L"STATIC", L"placement", WS_OVERLAPPEDWINDOW, 100, 120, 300, 200, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window));

    auto state = StateFor(path);
    state->hwnd = window;
    state->position = {0, 0, 1280, 1024};
    state->TransferSettings(1);
    DestroyWindow(window);

    EXPECT_TRUE(Contains(SavedText(path), L"[Position]\r\nleft=100\r\ntop=120\r\nright=400\r\nbottom=320\r\n"));
    EXPECT_EQ(state->position.right, 400);
}

TEST(SettingsFile, ReadResolvesTheFolderAndCutsTheVersion) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
    ASSERT_TRUE(WriteBytes(path, Utf16(L"[Oxbrill]\r\nversion=1.234567890123\r\n\r\n"
                                       L"[Portable]\r\n;=changed remark\r\nfolder=\\pics\r\n")));
    auto state = StateFor(path);
    state->TransferSettings(0);
    EXPECT_STREQ(state->version, L"1.234567890");
    EXPECT_STREQ(state->folder, L"\\pics");
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(state->exhibitFolder), std::wstring(current, 2) + L"\\pics");

    // The remark row changes nothing, and writing restores its text.
    state->TransferSettings(1);
    EXPECT_TRUE(Contains(SavedText(path), L";=for portability set savefolder=FALSE"));

    ASSERT_TRUE(WriteBytes(path, Utf16(L"[Portable]\r\nfolder=\r\n")));
    auto empty = StateFor(path);
    wcscpy(empty->exhibitFolder, L"C:\\start");
    empty->TransferSettings(0);
    EXPECT_STREQ(empty->exhibitFolder, L"C:\\start");
}

// Damaged settings files: each read must finish quickly, keep the defaults
// where nothing could be read, and take what could.
TEST(SettingsFile, DamagedFilesAreReadQuickly) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
    std::mt19937 random(12345);
    auto garbage = [&random](size_t size) {
        std::string bytes(size, '\0');
        for (char& byte : bytes) byte = static_cast<char>(random());
        return bytes;
    };
    const std::string tail = Utf16(L"\n[Slideshow]\r\ntimer=1234\r\n", false);

    struct Case {
        const char* name;
        std::string bytes;
        int32_t timer;   // expected afterwards
    };
    std::vector<Case> cases = {
        {"empty", "", 5000},
        {"one byte", "\xFF", 5000},
        {"mark only", "\xFF\xFE", 5000},
        {"no mark", Utf16(L"[Slideshow]\r\ntimer=1\r\n\r\n[Slideshow]\r\ntimer=2\r\n", false), 2},
        {"random 64 KB", garbage(65536), 5000},
        {"long lines", Utf16(L"[Slideshow]\r\n" + std::wstring(100000, L'a') + L"\r\ntimer=3\r\n" +
                             std::wstring(100000, L'=') + L"\r\n" + std::wstring(100000, L'[') +
                             L"\r\ntimer=4\r\n"),
         3},
        {"10 MB of garbage", garbage(10u << 20) + tail, 1234},
    };
    for (const Case& test : cases) {
        ASSERT_TRUE(WriteBytes(path, test.bytes)) << test.name;
        auto state = StateFor(path);
        const auto start = std::chrono::steady_clock::now();
        state->TransferSettings(0);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::milliseconds(2000)) << test.name;
        EXPECT_EQ(state->timer, test.timer) << test.name;
        EXPECT_EQ(state->transitionList.size(), 15u) << test.name;
    }

    // A folder where the file should be.
    DeleteFileW(path.c_str());
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    auto state = StateFor(path);
    state->TransferSettings(0);
    EXPECT_EQ(state->timer, 5000);
    EXPECT_TRUE(state->slide);
}

TEST(SettingsFile, SavingReplacesTheFileInOneStep) {
    TempFolder dir{L"cfg"};
    const std::wstring path = dir.Path(L"oxbrill.ini");
    auto state = StateFor(path);
    state->timer = 2500;

    // No file yet.
    state->TransferSettings(1);
    const std::string fresh = ReadBytes(path);
    EXPECT_TRUE(Contains(Units(fresh), L"\r\ntimer=2500\r\n"));

    // An existing file with hand-made lines is replaced by exactly the same bytes.
    ASSERT_TRUE(WriteBytes(path, Utf16(L"# my notes\r\n[Slideshow]\r\ntimer=1\r\nextra=1\r\n")));
    state->TransferSettings(1);
    EXPECT_EQ(ReadBytes(path), fresh);
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"oxbrill.ini"});

    // A read-only file is left alone.
    ASSERT_TRUE(WriteBytes(path, "old"));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    state->TransferSettings(1);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(path), "old");
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"oxbrill.ini"});

    // A folder in its place: nothing in it is lost, no temporary file remains.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(path + L"\\keep.txt", "keep"));
    state->TransferSettings(1);
    EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(ReadBytes(path + L"\\keep.txt"), "keep");
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"oxbrill.ini"});
}

namespace {

// Every field with a limit lies inside it.
void ExpectWithinLimits(const AppState& s, const std::string& context) {
    for (size_t row = 0; row < SettingLimits().size(); ++row) {
        const SettingLimit& limit = SettingLimits()[row];
        EXPECT_GE(s.*limit.field, limit.lowest) << context << ", row " << row;
        EXPECT_LE(s.*limit.field, limit.highest) << context << ", row " << row;
    }
}

struct SameDraw final : transition::RandomSource {
    explicit SameDraw(int value) : value(value) {}
    int Next() override { return value; }
    int value;
};

// The longest pause total of any effect on a full-HD frame, either way up.
uint64_t LongestTransitionMs(const AppState& s) {
    const transition::Latencies latency{s.shutterLatency,       s.wipeLatency,     s.slideLatency,
                                        s.quadrantSlideLatency, s.quadrantWipeLatency, s.dissolveLatency,
                                        s.crossfadeLatency};
    uint64_t longest = 0;
    for (int effect = 0; effect < transition::kEffectCount; ++effect) {
        for (const SIZE frame : {SIZE{1920, 1080}, SIZE{1080, 1920}}) {
            for (int draw : {0, 16383, 32767}) {
                SameDraw random(draw);
                const transition::Plan plan = transition::BuildPlan(effect, 0, 0, frame.cx, frame.cy, latency, random);
                longest = std::max(longest, plan.TotalPauseMs());
            }
        }
    }
    return longest;
}

}  // namespace

// Hostile numbers in a settings file: every field lands in its range, the
// window rectangles on a monitor, no transition stalls the viewer, and a save
// writes none of the hostile values back.
TEST(SettingsFile, HostileNumbersAreReadIntoRange) {
    TempFolder dir{L"cfg"};
    const std::wstring defaultsPath = dir.Path(L"defaults.ini");
    StateFor(defaultsPath)->TransferSettings(1);
    const std::wstring defaults = SavedText(defaultsPath).substr(1);

    // The defaults file with every number replaced by `hostile`.
    auto everyNumber = [&defaults](const std::wstring& hostile) {
        std::wstring text;
        for (const std::wstring& line : Lines(defaults)) {
            const size_t equals = line.find(L'=');
            const bool number = equals != std::wstring::npos && equals + 1 < line.size() &&
                                (iswdigit(line[equals + 1]) || line[equals + 1] == L'-');
            text += (number ? line.substr(0, equals + 1) + hostile : line) + L"\r\n";
        }
        return text;
    };
    const struct {
        const char* name;
        std::wstring hostile;
        std::wstring text;
    } cases[] = {
        {"lowest 32-bit", L"-2147483648", everyNumber(L"-2147483648")},
        {"highest 32-bit", L"2147483647", everyNumber(L"2147483647")},
        {"minus one", L"-1", everyNumber(L"-1")},
        {"past 32 bits", L"99999999999", everyNumber(L"99999999999")},
        {"the shutter latency alone", L"2147483647", L"[Tweak Transitions]\r\nshutter latency=2147483647\r\n"},
    };
    for (const auto& c : cases) {
        const std::wstring path = dir.Path(L"hostile.ini");
        ASSERT_TRUE(WriteBytes(path, Utf16(c.text))) << c.name;
        auto state = StateFor(path);
        state->TransferSettings(0);

        ExpectWithinLimits(*state, c.name);
        EXPECT_EQ(state->rotation % 90, 0) << c.name;
        EXPECT_LT(LongestTransitionMs(*state), 15000u) << c.name;
        std::vector<Rect32> windows(std::begin(state->presets), std::end(state->presets));
        windows.push_back(state->position);
        for (const Rect32& r : windows) {
            const RECT rect{r.left, r.top, r.right, r.bottom};
            EXPECT_TRUE(r.left < r.right && r.top < r.bottom) << c.name;
            EXPECT_NE(MonitorFromRect(&rect, MONITOR_DEFAULTTONULL), nullptr) << c.name;
        }

        // The Catalog rectangle is kept as read; any bookmark past the end is harmless.
        state->TransferSettings(1);
        std::wstring section;
        for (const std::wstring& line : Lines(SavedText(path).substr(1))) {
            if (!line.empty() && line[0] == L'[') section = line;
            const size_t equals = line.find(L'=');
            if (equals == std::wstring::npos || section == L"[Catalog Position]") continue;
            if (line.substr(0, equals) == L"bookmark") continue;
            EXPECT_NE(line.substr(equals + 1), c.hostile) << c.name << ": " << testing::PrintToString(line);
        }
    }
}
