// Views of other folders and the saved copy of the home exhibit: what View
// Exhibit brings back after the home exhibit was rebuilt, and saving while a
// build still runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "support/TestFiles.h"

namespace {

using List = std::vector<std::wstring>;

List Names(const AppState& state) {
    List names;
    for (const ImageEntry& e : state.exhibit->Snapshot()) names.push_back(e.path.substr(e.path.rfind(L'\\') + 1));
    std::sort(names.begin(), names.end());
    return names;
}

// A viewer at home in `home` that keeps every entry and needs no decoder to move between views.
void MakeQuiet(AppState& state, const std::wstring& home) {
    state.slide = state.autorefresh = state.logerrors = state.removefail = false;
    wcscpy(state.exhibitFolder, home.c_str());
}

}  // namespace

TEST(FolderViews, ViewExhibitNeverBringsBackTheHomeListFromBeforeARebuild) {
    TempFolder tree(L"views");
    tree.File(L"home\\a.png");
    tree.File(L"home\\b.jpg");
    tree.File(L"other\\c.jpg");
    const std::wstring home = tree.Path(L"home"), other = tree.Path(L"other");
    AppState state;
    MakeQuiet(state, home);
    state.BuildExhibit(state.exhibitFolder, false, nullptr);
    ASSERT_TRUE(state.exhibit->WaitIdle(10000));
    // Away and back: the home list comes back without a scan.
    state.OpenFolderView(other.c_str(), false);
    EXPECT_EQ(Names(state), (List{L"c.jpg"}));
    tree.File(L"home\\late.jpg");
    state.OpenFolderView(state.exhibitFolder, true);
    EXPECT_EQ(Names(state), (List{L"a.png", L"b.jpg"}));
    // At home, a format switch rebuilds the home exhibit itself, and that list is the one kept.
    state.formats.on[PictureFormatByKey(L"png")] = false;
    state.OpenFolderView(state.exhibit->ViewedFolder().c_str(), false);
    state.OpenFolderView(state.exhibitFolder, true);
    EXPECT_EQ(Names(state), (List{L"b.jpg", L"late.jpg"}));
}

// The build lets this thread go after its first folder with pictures; the
// view waits for the rest before it saves the home exhibit.
TEST(FolderViews, LeavingHomeDuringABuildSavesTheWholeList) {
    TempFolder tree(L"viewbuild");
    for (int i = 0; i < 90; ++i) tree.File(L"home\\" + std::to_wstring(i / 3) + L"\\" + std::to_wstring(i) + L".jpg");
    tree.File(L"other\\c.jpg");
    AppState state;
    MakeQuiet(state, tree.Path(L"home"));
    state.BuildExhibit(state.exhibitFolder, false, nullptr);
    state.OpenFolderView(tree.Path(L"other").c_str(), false);
    EXPECT_EQ(Names(state), (List{L"c.jpg"}));
    state.OpenFolderView(state.exhibitFolder, true);
    EXPECT_EQ(state.exhibit->Size(), 30u * 3u);
}
