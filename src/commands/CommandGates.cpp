#include "commands/CommandGates.h"
#include "commands/CommandIds.h"

bool IsCommandGated(int id, bool noShell, bool noMenu) {
    if (noShell && ((id >= kCmdShellView && id <= kCmdLengthenWindow) || id == kCmdCatalog)) return true;
    if (noMenu && id < kCmdAbout && id != kCmdMenu) return true;
    return false;
}
