// Where the program keeps what it writes (settings, logs, the wallpaper file).
#pragma once

// Beside the program for a portable copy in a folder it may write to; in
// %APPDATA%\Oxbrill for an installed copy (the installer leaves the file
// "Oxbrill.installed" beside it) or one in a folder it cannot write to.
// `out` (260 characters) receives the folder; true when it is the per-user one.
// When the per-user folder cannot be made, the program folder is used.
bool ChooseDataFolder(const wchar_t* programFolder, wchar_t* out);
