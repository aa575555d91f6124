// The Catalog's thumbnails: the box rule, the camera's embedded thumbnail
// read from its EXIF block, and the cache that keeps them.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <string>
#include <vector>

#include "catalog/CatalogDrag.h"
#include "catalog/CatalogShell.h"
#include "catalog/Selection.h"
#include "catalog/ThumbnailCache.h"
#include "catalog/ThumbnailRules.h"
#include "imaging/ExifOrientation.h"
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
// recently used go when the budget is full.
TEST(ThumbnailCacheRules, KeyedByFileStateAndEvictedLeastRecentlyUsed) {
    std::atomic<int> made{0};
    ThumbnailCache cache(
        [&](const ThumbnailKey& key) {
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
}

// Files dragged onto the Catalog land, by the shell's own drop target, in the
// folder under the cursor; dropped on the folder they are in, nothing happens.
TEST(CatalogDrop, TheShellPutsDroppedFilesIntoTheFolderUnderTheCursor) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    TempFolder from(L"dragfrom"), to(L"dragto");
    from.File(L"a.jpg", "picture a");
    from.File(L"b.jpg", "picture b");
    ComPtr<IDataObject> data;
    ASSERT_TRUE(GetShellObject({from.Path(L"a.jpg"), from.Path(L"b.jpg")}, IID_IDataObject,
                               reinterpret_cast<void**>(data.Receive())));
    for (const TempFolder* under : {&from, &to}) {
        FolderDropTarget target([&](POINT) { return under->Root(); });
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        ASSERT_EQ(target.DragEnter(data.Get(), MK_LBUTTON, POINTL{5, 5}, &effect), S_OK);
        effect = DROPEFFECT_COPY;
        target.DragOver(MK_LBUTTON, POINTL{5, 5}, &effect);
        EXPECT_EQ(effect == DROPEFFECT_NONE, under == &from) << "onto the folder the files are in: no drop";
        effect = DROPEFFECT_COPY;
        target.Drop(data.Get(), 0, POINTL{5, 5}, &effect);
    }
    EXPECT_EQ(from.List(), (std::vector<std::wstring>{L"a.jpg", L"b.jpg"}));
    EXPECT_TRUE(ReadBytes(to.Path(L"a.jpg")) == "picture a" && ReadBytes(to.Path(L"b.jpg")) == "picture b");
    data.Reset();
    OleUninitialize();
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
