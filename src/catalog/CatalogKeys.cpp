#include "catalog/CatalogKeys.h"

#include <windows.h>

#include "commands/CommandIds.h"

namespace {

enum Mods : uint8_t { kNone = 0, kShift = 1, kCtrl = 2, kAlt = 4 };

struct KeyRow {
    uint16_t key;
    uint8_t mods;
    int command;
};

constexpr KeyRow kKeys[] = {
    {VK_BACK, kNone, kCmdPrevFolder},       {VK_PAUSE, kNone, kCmdAutoRefresh},
    {VK_SPACE, kNone, kCmdNextFolder},      {VK_INSERT, kNone, kCmdExhibitFolder},
    {VK_DELETE, kNone, kCmdRecycle},        {'A', kShift, kCmdViewExhibit},
    {'A', kCtrl, kCatalogSelectAll},        {'B', kShift, kCmdSubfolders},
    {'C', kCtrl, kCmdCopyFile},             {'D', kShift, kCmdViewDesktop},
    {'F', kShift, kCmdViewFavorites},       {'F', kAlt, kCmdSortForward},
    {'F', kCtrl, kCmdFindFilter},           {'G', kShift, kCmdViewArchive},
    {'K', kCtrl, kCmdSortTree},             {'K', kAlt, kCmdSortTreeStrict},
    {'L', kShift, kCmdViewLinkTarget},      {'R', kCtrl, kCmdRefresh},
    {'R', kAlt, kCmdSortRandom},            {'V', kCtrl, kCmdPaste},
    {'V', kAlt, kCmdSortReverse},           {'X', kCtrl, kCmdMoveRename},
    {'W', kCtrl, kCatalogWallpaper},
    {VK_APPS, kNone, kCatalogContextMenu}, {VK_F1, kNone, kCatalogMenu},
    {VK_F3, kNone, kCmdFindNext},           {VK_F4, kAlt, kCmdExit},
    {VK_F5, kNone, kCmdCurrent},            {VK_F5, kShift, kCmdViewImageFolder},
    {VK_F7, kShift, kCmdViewExhibit},       {VK_F8, kNone, kCmdSendShortcut},
    {VK_F8, kShift, kCmdViewFavorites},     {VK_F9, kNone, kCmdMoveToArchive},
    {VK_F9, kShift, kCmdViewArchive},       {VK_F11, kNone, kCatalogMaximize},
};

}  // namespace

int CatalogKeyCommand(uint16_t key, bool shift, bool control, bool alt) {
    const uint8_t mods = uint8_t((shift ? kShift : 0) | (control ? kCtrl : 0) | (alt ? kAlt : 0));
    for (const KeyRow& row : kKeys)
        if (row.key == key && row.mods == mods) return row.command;
    return 0;
}
