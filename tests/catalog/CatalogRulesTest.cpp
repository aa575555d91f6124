// The Catalog's thumbnails: the box rule, the camera's embedded thumbnail
// read from its EXIF block, and the cache that keeps them.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "catalog/CatalogDrag.h"
#include "catalog/CatalogGrid.h"
#include "catalog/CatalogShell.h"
#include "catalog/DropRules.h"
#include "catalog/Selection.h"
#include "catalog/ThumbnailCache.h"
#include "catalog/ThumbnailRules.h"
#include "imaging/ExifOrientation.h"
#include "imaging/PictureDecode.h"
#include "support/Pictures.h"

using pictures::Bytes;
using pictures::GuardedBytes;

TEST(ThumbnailRules, SmallPicturesKeepTheirSizeLargeOnesFitTheBox) {
    const struct {
        uint32_t w, h;
        int32_t box;
        ThumbPlace place;
    } cases[] = {
        {50, 30, 100, {25, 35, 50, 30}},  {400, 200, 100, {0, 25, 100, 50}}, {200, 400, 100, {25, 0, 50, 100}},
        {100, 99, 100, {0, 0, 100, 99}},  {99, 99, 100, {0, 0, 99, 99}},     {3000, 1, 100, {0, 49, 100, 1}},
        {0, 10, 100, {0, 0, 0, 0}},       {10, 10, 0, {0, 0, 0, 0}},         {1, 1, 1, {0, 0, 1, 1}},
        {4000000, 3000000, 2000, {0, 250, 2000, 1500}},
    };
    for (const auto& c : cases) {
        const ThumbPlace p = FitThumbnail(c.w, c.h, c.box);
        EXPECT_TRUE(p.x == c.place.x && p.y == c.place.y && p.w == c.place.w && p.h == c.place.h)
            << c.w << "x" << c.h << " in " << c.box << ": " << p.x << "," << p.y << " " << p.w << "x" << p.h;
    }
}

// A camera's thumbnail stands for the picture only when it fills the box and
// has the picture's shape (a camera rounds the shorter side to a pixel).
TEST(ThumbnailRules, TheCamerasThumbnailServesOnlyLargeEnoughAndOfThePicturesShape) {
    const struct { uint32_t tw, th, pw, ph; int32_t box; bool serves; } cases[] = {
        {160, 120, 4000, 3000, 100, true}, {160, 107, 6000, 4000, 100, true}, {160, 106, 6000, 4000, 100, true},
        {160, 105, 6000, 4000, 100, false}, {160, 120, 6000, 4000, 100, false}, {107, 160, 4000, 6000, 100, true},
        {120, 160, 4000, 6000, 100, false}, {160, 120, 3000, 4000, 100, false}, {99, 66, 300, 200, 100, false},
        {100, 67, 300, 200, 100, true}, {0, 0, 300, 200, 100, false}, {160, 120, 0, 0, 100, false},
        {160, 120, 4000, 3000, 0, false}, {65535, 65535, 4000000000u, 4000000000u, 100, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EmbeddedThumbnailServes(c.tw, c.th, c.pw, c.ph, c.box), c.serves)
            << c.tw << "x" << c.th << " for " << c.pw << "x" << c.ph << " in " << c.box;
}

TEST(ExifThumbnail, TheCamerasThumbnailAndDamagedBlocks) {
    const Bytes camera = pictures::ByteVector(DataPath(L"exif\\camera-thumbnail.jpg"));
    EmbeddedThumbnail found;
    ASSERT_TRUE(ExifThumbnailFromJpeg(camera.data(), camera.size(), &found));
    EXPECT_TRUE(found.width == 120 && found.height == 160 && found.data[0] == 0xFF && found.data[1] == 0xD8);
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(JpegFrameSize(camera.data(), camera.size(), &w, &h) && w == 320 && h == 640);
    const Bytes plain = pictures::ByteVector(DataPath(L"exif\\plain.jpg"));
    EXPECT_FALSE(ExifThumbnailFromJpeg(plain.data(), plain.size(), &found));

    // Every cut, and every byte of the EXIF block overwritten: never a read
    // outside the bytes, and a thumbnail found lies inside them.
    for (size_t cut = 0; cut < 2200 && cut < camera.size(); cut += 7) {
        GuardedBytes head(Bytes(camera.begin(), camera.begin() + ptrdiff_t(cut)));
        if (ExifThumbnailFromJpeg(head.data, head.size, &found)) {
            EXPECT_TRUE(found.data >= head.data && found.data + found.size <= head.data + head.size) << cut;
        }
    }
    for (size_t at = 4; at < 240; ++at)
        for (const uint8_t value : {0x00, 0x7F, 0xFF}) {
            Bytes damaged = camera;
            damaged[at] = value;
            GuardedBytes bytes(damaged);
            if (ExifThumbnailFromJpeg(bytes.data, bytes.size, &found)) {
                EXPECT_TRUE(found.data >= bytes.data && found.data + found.size <= bytes.data + bytes.size) << at;
            }
        }
}

// Made once a key, on a worker; a changed file is a new key; the least
// recently used go when the budget is full; the window is told when they are ready.
TEST(ThumbnailCacheRules, KeyedByFileStateAndEvictedLeastRecentlyUsed) {
    std::atomic<int> made{0};
    ThumbnailCache cache(
        [&](const ThumbnailKey& key, DecodeGate&) {
            ++made;
            Thumbnail t;
            t.w = t.h = key.box;
            t.pixels.assign(size_t(key.box) * key.box, 0);
            return t;
        },
        3 * (100 * 100 * 4 + 200), 1);
    const auto key = [](const wchar_t* path, uint64_t written) { return ThumbnailKey{path, 10, written, 100, true}; };
    const auto wait = [&](const ThumbnailKey& k) {
        for (int i = 0; i < 500; ++i, Sleep(5))
            if (cache.Get(k, false)) return true;
        return false;
    };
    EXPECT_EQ(cache.Get(key(L"a", 1), true), nullptr);
    ASSERT_TRUE(wait(key(L"a", 1)));
    EXPECT_EQ(made.load(), 1);
    ASSERT_TRUE(wait(key(L"a", 2)));   // the file was written since
    EXPECT_EQ(made.load(), 2);
    ASSERT_TRUE(wait(key(L"b", 1)));
    ASSERT_TRUE(cache.Get(key(L"a", 1), false));   // used again: now the newest
    ASSERT_TRUE(wait(key(L"c", 1)));
    EXPECT_EQ(cache.HeldCount(), 3u);
    EXPECT_TRUE(cache.Get(key(L"a", 1), false) && !cache.Get(key(L"a", 2), false)) << "the least recently used went";
    EXPECT_LE(cache.HeldBytes(), 3u * (100 * 100 * 4 + 200));

    // Ready is said once until taken; said to a Catalog that closed before it
    // took it, it is said again to the next one. Made means told.
    const HWND first = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0),
               second = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    const auto told = [&](HWND to, const wchar_t* path) {
        MSG m;
        int count = 0;
        for (wait(key(path, 1)); PeekMessageW(&m, to, WM_APP, WM_APP, PM_REMOVE);) ++count;
        return count;
    };
    cache.Notify(first, WM_APP);
    EXPECT_TRUE(told(first, L"d") == 1 && told(first, L"e") == 0);
    cache.Taken();
    wait(key(L"f", 1));
    DestroyWindow(first);
    cache.Notify(nullptr, 0);
    cache.Notify(second, WM_APP);
    EXPECT_EQ(told(second, L"g"), 1);
    DestroyWindow(second);
}

// A maker that hangs on files named stuck* until released, and counts what it made.
struct HangingMaker {
    struct State {
        UniqueHandle release{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<int> entered{0}, made{0};
    };
    std::shared_ptr<State> state = std::make_shared<State>();   // outlives a cache that left its workers
    ThumbnailCache::Maker Maker() const {
        return [s = state](const ThumbnailKey& key, DecodeGate&) {
            ++s->entered;
            if (key.path.starts_with(L"stuck")) WaitForSingleObject(s->release.Get(), INFINITE);
            ++s->made;
            Thumbnail t;
            t.w = t.h = 1;
            t.pixels = {0};
            return t;
        };
    }
};

ThumbnailKey Key(const std::wstring& path) { return ThumbnailKey{path, 10, 1, 100, true}; }

std::shared_ptr<const Thumbnail> WaitFor(ThumbnailCache& cache, const std::wstring& path, int ms = 5000) {
    cache.Get(Key(path), true);
    for (int waited = 0; waited < ms; waited += 10, Sleep(10))
        if (auto made = cache.Get(Key(path), false)) return made;
    return nullptr;
}

// A thumbnail past its deadline gets an empty frame and keeps it; a fresh
// worker carries on; four given-up workers are replaced, a fifth is not, and
// one that comes back carries on.
TEST(ThumbnailCacheRules, AStuckDecodeIsGivenUpAndItsWorkerReplaced) {
    HangingMaker maker;
    ThumbnailCache cache(maker.Maker(), 1 << 20, 1, 200);
    auto stuck = WaitFor(cache, L"stuck1");
    ASSERT_TRUE(stuck);
    EXPECT_EQ(stuck->w, 0);
    auto fresh = WaitFor(cache, L"a");
    EXPECT_TRUE(fresh && fresh->w == 1);
    for (const wchar_t* name : {L"stuck2", L"stuck3", L"stuck4", L"stuck5"}) {
        stuck = WaitFor(cache, name);
        EXPECT_TRUE(stuck && stuck->w == 0) << testing::PrintToString(std::wstring(name));
    }
    EXPECT_EQ(cache.GivenUp(), 5);
    const int entered = maker.state->entered;
    cache.Get(Key(L"b"), true);
    Sleep(300);
    EXPECT_FALSE(cache.Get(Key(L"b"), false)) << "no sixth thread";
    EXPECT_TRUE(cache.Get(Key(L"stuck1"), true) && maker.state->entered == entered) << "not tried again";
    SetEvent(maker.state->release.Get());
    fresh = WaitFor(cache, L"b");
    EXPECT_TRUE(fresh && fresh->w == 1);
    for (int i = 0; i < 500 && cache.GivenUp() > 0; ++i) Sleep(10);
    EXPECT_EQ(cache.GivenUp(), 0);
}

// Large pictures pass the gate one at a time, and waiting there is no decode
// time: five workers each hold it 200 ms against a deadline of 800 ms.
TEST(ThumbnailCacheRules, LargePicturesAreMadeOneAtATime) {
    auto inside = std::make_shared<std::atomic<int>>(0), most = std::make_shared<std::atomic<int>>(0);
    ThumbnailCache cache(
        [inside, most](const ThumbnailKey&, DecodeGate& gate) {
            Thumbnail t;
            if (!gate.Enter()) return t;
            *most = std::max(most->load(), ++*inside);
            Sleep(200);
            --*inside;
            gate.Leave();
            t.w = t.h = 1;
            t.pixels = {0};
            return t;
        },
        1 << 20, 5, 800);
    for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"e"}) cache.Get(Key(name), true);
    for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"e"}) {
        auto made = WaitFor(cache, name);
        EXPECT_TRUE(made && made->w == 1) << testing::PrintToString(std::wstring(name));
    }
    EXPECT_EQ(most->load(), 1);
    EXPECT_EQ(cache.GivenUp(), 0);
}

// Exit does not wait on a stuck decode for more than a moment, and the
// worker left behind ends cleanly once its decoder returns.
TEST(ThumbnailCacheRules, ExitDoesNotWaitForAStuckDecode) {
    HangingMaker maker;
    auto cache = std::make_unique<ThumbnailCache>(maker.Maker(), 1 << 20, 2, 60000);
    cache->Get(Key(L"stuck"), true);
    cache->Get(Key(L"a"), true);
    for (int i = 0; i < 500 && maker.state->entered < 2; ++i) Sleep(10);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(cache->Stop());
    cache.reset();
    EXPECT_LT(GetTickCount() - start, 2000u);
    SetEvent(maker.state->release.Get());
    for (int i = 0; i < 500 && maker.state->made < 2; ++i) Sleep(10);
    Sleep(100);
    EXPECT_EQ(maker.state->made.load(), 2);
}

namespace {
struct OpenGate final : DecodeGate {
    bool Enter() override { return true; }
    void Leave() override {}
};
}  // namespace

// Hostile pictures get an empty frame at once, without the memory a decoder
// would take for them; a camera thumbnail claiming 32750 x 65500 is refused
// for the picture itself. Ordinary ones come out turned and opaque.
TEST(Thumbnails, HugeClaimsGetAnEmptyFrameFastAndLittleMemoryOthersTurnedAndOpaque) {
    TempFolder tree(L"oxthumbs");
    const Bytes camera = pictures::ByteVector(DataPath(L"exif\\camera-thumbnail.jpg"));
    Bytes claims = camera;
    EmbeddedThumbnail embedded;
    ASSERT_TRUE(ExifThumbnailFromJpeg(claims.data(), claims.size(), &embedded));
    const size_t at = size_t(embedded.data - claims.data());
    for (size_t i = at; i + 9 < at + embedded.size; ++i)
        if (claims[i] == 0xFF && (claims[i + 1] == 0xC0 || claims[i + 1] == 0xC2)) {
            claims[i + 5] = 0xFF, claims[i + 6] = 0xDC;   // height 65500 and width 32750: the picture's shape
            claims[i + 7] = 0x7F, claims[i + 8] = 0xEE;
            break;
        }
    ASSERT_TRUE(ExifThumbnailFromJpeg(claims.data(), claims.size(), &embedded) && embedded.width == 32750);
    std::string tiff("MM\0*\0\0\0\x08\0\x02", 10);
    for (const char tag : {'\0', '\1'})   // LONG 70000 x 70000
        tiff += std::string{1, tag, 0, 4, 0, 0, 0, 1, 0, 1, char(0x11), char(0x70)};
    tiff += std::string(4000, '\0');
    const auto data = [](const wchar_t* name) { return ReadBytes(DataPath(name)); };
    constexpr COLORREF kList = RGB(10, 120, 230), kRed = RGB(255, 0, 0), kWhite = RGB(255, 255, 255),
                       kCyan = RGB(20, 200, 200), kBlue = RGB(40, 40, 220);
    const struct {
        const wchar_t* name;
        std::string bytes;
        int32_t w, h;
        COLORREF topLeft = 0, bottomRight = 0;   // 0: not looked at
    } files[] = {
        {L"claims-65500.jpg", pictures::AsString(claims), 100, 50},   // the picture, 320 x 640, turned
        // Turned whatever the file is called; the camera's own thumbnail when
        // it has the picture's shape (blue; the picture is red); opaque.
        {L"o6.png", data(L"exif\\o6-mm.jpg"), 32, 16, kRed, kWhite},
        {L"o8", data(L"exif\\o8-ii.jpg"), 32, 16, kRed, kWhite},
        {L"turned.jpg", data(L"e2e\\turned.tif"), 100, 66, kCyan, kBlue},
        {L"camera.tif", data(L"e2e\\camera.jpg"), 100, 66, kBlue, kBlue},
        {L"transparent.png", data(L"e2e\\transparent.png"), 100, 66, kList, kList},
        {L"20000.png", pictures::PngClaiming(20000, 20000) + std::string(64 * 1024, '\0'), 0, 0},
        {L"100000.png", pictures::PngClaiming(100000, 100000), 0, 0},
        {L"70000.tif", tiff, 0, 0},
        {L"no-frame.jpg", std::string("\xFF\xD8\xFF\xFE\x00\x04" "ab\xFF\xDA\x00\x02\xFF\xD9", 14), 0, 0},
    };
    OpenGate gate;
    for (const auto& f : files) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(f.name)));
        tree.File(f.name, f.bytes);
        PROCESS_MEMORY_COUNTERS_EX before{}, after{};
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&before), sizeof before);
        const DWORD start = GetTickCount();
        const Thumbnail made =
            MakeThumbnail(ThumbnailKey{tree.Path(f.name), f.bytes.size(), 1, 100, true, kList}, gate);
        EXPECT_LT(GetTickCount() - start, 3000u);
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&after), sizeof after);
        EXPECT_LE(after.PeakPagefileUsage, std::max<SIZE_T>(before.PeakPagefileUsage, before.PrivateUsage + (256u << 20)));
        ASSERT_TRUE(made.w == f.w && made.h == f.h) << made.w << " x " << made.h;
        for (const auto& [x, y, want] : {std::tuple{1, 1, f.topLeft}, std::tuple{f.w - 2, f.h - 2, f.bottomRight}}) {
            const uint32_t p = made.pixels.empty() ? 0 : made.pixels[size_t(y) * made.w + x];   // opaque BGRA
            const auto off = [&](int at) { return std::abs(int(p >> at & 0xFF) - int(want >> (16 - at) & 0xFF)); };
            EXPECT_TRUE(!want || (p >> 24 == 0xFF && off(0) < 24 && off(8) < 24 && off(16) < 24)) << std::hex << p;
        }
    }
}

// Files dragged onto the Catalog land, by the shell's own drop target, in the
// folder under the cursor: copied with Ctrl, moved with Shift (though the
// source allows both); dropped on the folder they are in, nothing happens.
TEST(CatalogDrop, TheShellPutsDroppedFilesIntoTheFolderUnderTheCursor) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    TempFolder from(L"dragfrom"), to(L"dragto"), moved(L"dragmoved");
    from.File(L"a.jpg", "picture a");
    from.File(L"b.jpg", "picture b");
    ComPtr<IDataObject> data;
    ASSERT_TRUE(GetShellObject({from.Path(L"a.jpg"), from.Path(L"b.jpg")}, IID_IDataObject,
                               reinterpret_cast<void**>(data.Receive())));
    const std::pair<const TempFolder*, DWORD> drops[] = {{&from, 0}, {&to, MK_CONTROL}, {&moved, MK_SHIFT}};
    for (const auto& [under, keys] : drops) {
        FolderDropTarget target([&](POINT) { return under->Root(); });
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(target.DragEnter(data.Get(), MK_LBUTTON | keys, POINTL{5, 5}, &effect), S_OK);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target.DragOver(MK_LBUTTON | keys, POINTL{5, 5}, &effect);
        EXPECT_EQ(effect == DROPEFFECT_NONE, under == &from) << "onto the folder the files are in: no drop";
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        target.Drop(data.Get(), keys, POINTL{5, 5}, &effect);
        EXPECT_TRUE(under != &to || from.List().size() == 2) << "a copy";
    }
    EXPECT_TRUE(from.List().empty());
    for (const TempFolder* folder : {&to, &moved})
        EXPECT_TRUE(ReadBytes(folder->Path(L"a.jpg")) == "picture a" && ReadBytes(folder->Path(L"b.jpg")) == "picture b")
            << folder->Root();
    data.Reset();
    OleUninitialize();
}

// The keys held at the drop name the effect; without them the target's
// choice, else a copy; never one the source does not allow.
TEST(CatalogDrop, TheEffectDoneIsTheOneChosenNotAllTheSourceAllows) {
    constexpr DWORD C = DROPEFFECT_COPY, M = DROPEFFECT_MOVE, L = DROPEFFECT_LINK, N = DROPEFFECT_NONE;
    const struct {
        DWORD allowed, keys, offered, done;
    } cases[] = {
        {C | M | L, 0, N, C},          {C | M | L, MK_SHIFT, C, M},   {C | M, MK_CONTROL, M, C},
        {C | M | L, MK_CONTROL | MK_SHIFT, C, L}, {C | M | L, MK_ALT, C, L}, {C | L, MK_SHIFT, C, N},
        {M, 0, N, M},                  {C | M, 0, M, M},              {C | M, 0, C | M, C},
        {C | M, 0, L, C},              {N, 0, C, N},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChosenDropEffect(c.allowed, c.keys, c.offered), c.done) << c.allowed << " " << c.keys << " " << c.offered;
}

// A selection stands for its entries' files in list order: those gone from
// the disk apart, indices the exhibit no longer has left out.
TEST(CatalogSelection, FilesPresentMissingAndTheShownOne) {
    TempFolder tree(L"selection");
    tree.File(L"a.jpg");
    tree.File(L"c.jpg");
    Exhibit exhibit;
    exhibit.Assign({ImageEntry{tree.Path(L"a.jpg")}, ImageEntry{tree.Path(L"b.jpg")}, ImageEntry{tree.Path(L"c.jpg")}});
    const SelectedFiles files = FilesOfSelection(exhibit, {2, 0, 1, 7, -1}, tree.Path(L"c.jpg"));
    EXPECT_EQ(files.present, (std::vector<std::wstring>{tree.Path(L"c.jpg"), tree.Path(L"a.jpg")}));
    EXPECT_EQ(files.missing, std::vector<std::wstring>{tree.Path(L"b.jpg")});
    EXPECT_TRUE(files.holdsShown);
    EXPECT_FALSE(FilesOfSelection(exhibit, {0}, tree.Path(L"c.jpg")).holdsShown);
}

// Where each arrow key (Left, Up, Right, Down: their key codes' order) lands, in rows of a given width.
TEST(CatalogGrid, ArrowsStepThroughTheListAndByRows) {
    const struct { int32_t from, perRow, count, to[4]; } cases[] = {
        {0, 4, 10, {-1, -1, 1, 4}}, {3, 4, 10, {2, -1, 4, 7}}, {6, 4, 10, {5, 2, 7, 9}}, {9, 4, 10, {8, 5, -1, -1}},
        {5, 4, 8, {4, 1, 6, -1}}, {2, 0, 3, {1, 1, -1, -1}}, {1, 9, 3, {0, -1, 2, -1}}, {0, 4, 1, {-1, -1, -1, -1}},
        {-1, 4, 10, {-1, -1, -1, -1}}, {10, 4, 10, {-1, -1, -1, -1}},
        {(1 << 30) + 50, (1 << 30) + 100, INT32_MAX, {(1 << 30) + 49, -1, (1 << 30) + 51, INT32_MAX - 1}},
    };
    for (const auto& c : cases)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(GridNeighbour(c.from, uint16_t(VK_LEFT + k), c.perRow, c.count), c.to[k]) << c.from << " " << k;
}
