#include "platform/Paths.h"

#include <cstdio>
#include <cwchar>

void CopyPath(wchar_t* to, const wchar_t* from) {
    wcsncpy(to, from ? from : L"", kPathSize - 1);
    to[kPathSize - 1] = L'\0';
}

void JoinPath(wchar_t* out, const wchar_t* folder, const wchar_t* name) {
    _snwprintf(out, kPathSize, L"%ls\\%ls", folder, name);
    out[kPathSize - 1] = L'\0';
}

bool CutAtLastBackslash(wchar_t* path) {
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash) return false;
    *slash = L'\0';
    return true;
}

void FolderOf(const wchar_t* path, wchar_t* out) {
    CopyPath(out, path);
    CutAtLastBackslash(out);
}

void Quote(const wchar_t* text, wchar_t* out) {
    _snwprintf(out, kPathSize + 2, L"\"%ls\"", text);
    out[kPathSize + 1] = L'\0';
}

std::wstring AsFolder(std::wstring folder) {
    if (!folder.empty() && folder.back() == L':') folder += L'\\';
    return folder;
}

std::wstring FolderPart(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : AsFolder(path.substr(0, slash));
}
