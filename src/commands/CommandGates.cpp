#include "commands/CommandGates.h"

bool IsCommandGated(int id, bool noShell, bool noMenu) {
    if (noShell && ((id >= 1401 && id <= 1456) || id == 1171)) return true;
    if (noMenu && id < 1514 && id != 1511) return true;
    return false;
}
