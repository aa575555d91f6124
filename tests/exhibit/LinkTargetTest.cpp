// View Link Target: the folder a shortcut points into becomes the exhibit and
// the shortcut's picture is shown there.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "support/Shortcuts.h"
#include "support/TestFiles.h"

namespace {

void WaitForBuild(AppState& state) { state.exhibit->WaitIdle(10000); }

}  // namespace

TEST(LinkTarget, OpensTheTargetsFolderAtThatPicture) {
    TempFolder tree(L"linktarget");
    tree.File(L"elsewhere\\a.bmp", BmpBytes(2, 2));
    tree.File(L"elsewhere\\b.bmp", BmpBytes(2, 2));
    tree.File(L"elsewhere\\c.bmp", BmpBytes(2, 2));
    tree.File(L"home\\own.bmp", BmpBytes(2, 2));
    ASSERT_TRUE(MakeShortcut(tree.Path(L"home\\z.bmp.lnk"), tree.Path(L"elsewhere\\b.bmp")));

    AppState state;
    state.autorefresh = false;
    state.logerrors = false;
    state.sortby = 2;
    wcscpy(state.exhibitFolder, tree.Path(L"home").c_str());
    ASSERT_TRUE(state.BuildExhibit(state.exhibitFolder, false, nullptr));
    WaitForBuild(state);
    ASSERT_EQ(state.ExhibitSize(), 2u);

    // On a plain picture nothing happens.
    state.exhibit->MoveTo(state.exhibit->Find(tree.Path(L"home\\own.bmp")));
    state.ViewLinkTarget();
    WaitForBuild(state);
    EXPECT_EQ(state.exhibit->ViewedFolder(), tree.Path(L"home"));

    state.exhibit->MoveTo(state.exhibit->Find(tree.Path(L"home\\z.bmp.lnk")));
    state.ViewLinkTarget();
    WaitForBuild(state);
    EXPECT_EQ(state.exhibit->ViewedFolder(), tree.Path(L"elsewhere"));
    EXPECT_EQ(state.ExhibitSize(), 3u);
    EXPECT_EQ(state.exhibit->CurrentIndex(), 1);
    EXPECT_EQ(state.exhibit->CurrentPath(), tree.Path(L"elsewhere\\b.bmp"));
    EXPECT_TRUE(state.picture.IsLoaded());
    // The exhibit root chosen by the user is untouched.
    EXPECT_EQ(std::wstring(state.exhibitFolder), tree.Path(L"home"));
    state.picture.Release();
}
