// The two command-line gates in front of every command: "-noshell" shuts out
// the Shell menu and the Catalog, "-nomenu" everything below About except Menu.
#pragma once

bool IsCommandGated(int id, bool noShell, bool noMenu);
