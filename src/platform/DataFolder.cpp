#include "platform/DataFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/Paths.h"

namespace {

bool Writable(const std::wstring& folder) {
    const std::wstring probe = folder + L"\\~oxbrill-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

}  // namespace

bool ChooseDataFolder(const wchar_t* programFolder, wchar_t* out) {
    CopyPath(out, programFolder);
    const std::wstring marker = std::wstring(programFolder) + L"\\Oxbrill.installed";
    if (GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES && Writable(programFolder)) return false;
    wchar_t roaming[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, roaming)))
        return false;
    const std::wstring folder = std::wstring(roaming) + L"\\Oxbrill";
    if (folder.size() >= size_t(kPathSize) - 16) return false;
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    CopyPath(out, folder.c_str());
    return true;
}
