#include "exhibit/ShellLink.h"

#include <objbase.h>
#include <shlguid.h>

#include <cwchar>
#include <vector>

#include "exhibit/ShortcutCheck.h"
#include "fileops/UniqueName.h"
#include "platform/Handles.h"

namespace {

// The shell believes the sizes a shortcut declares: a damaged one is refused first.
bool ShortcutFileLooksSound(const wchar_t* path) {
    UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > int64_t(kMaxShortcutBytes))
        return false;
    std::vector<uint8_t> bytes(size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data(), DWORD(bytes.size()), &got, nullptr)) return false;
    return ShortcutLooksSound(bytes.data(), got);
}

}  // namespace

bool IsShortcut(const wchar_t* name) {
    if (!name) return false;
    const wchar_t* dot = wcsrchr(name, L'.');
    return dot && _wcsicmp(dot, L".lnk") == 0;
}

ShellLink::ShellLink() {
    // S_FALSE (already initialised here) must be paired as well; a thread in
    // the multithreaded apartment (RPC_E_CHANGED_MODE) must not be.
    comStarted_ = SUCCEEDED(CoInitialize(nullptr));
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.Receive())))) {
        link.Reset();
        return;
    }
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Receive())))) file.Reset();
}

ShellLink::~ShellLink() {
    // The interfaces go before the component library is left.
    file.Reset();
    link.Reset();
    if (comStarted_) CoUninitialize();
}

bool ShellLink::Read(const wchar_t* path, wchar_t* target, bool resolve) {
    if (!file || !link || !path || !target) return false;
    target[0] = L'\0';
    if (!ShortcutFileLooksSound(path) || FAILED(file->Load(path, STGM_READ))) return false;
    if (resolve) {
        // No window, no search over the disks or the network, no link
        // tracking; with SLR_NO_UI the high word is the time-out in ms.
        constexpr DWORD kResolveTimeoutMs = 1500;
        const DWORD flags = SLR_NO_UI | SLR_ANY_MATCH | SLR_UPDATE | SLR_NOSEARCH | SLR_NOTRACK |
                            (kResolveTimeoutMs << 16);
        if (FAILED(link->Resolve(nullptr, flags))) return false;
    }
    findData = WIN32_FIND_DATAW{};
    if (link->GetPath(target, kLinkPathSize, &findData, 0) != S_OK) {
        target[0] = L'\0';
        return false;
    }
    target[kLinkPathSize - 1] = L'\0';
    return target[0] != L'\0';
}

bool ShellLink::CreateShortcut(const wchar_t* target, const wchar_t* linkPath) {
    if (!file || !link || !target || !linkPath) return false;
    if (FAILED(link->SetPath(target))) return false;
    return SUCCEEDED(file->Save(linkPath, TRUE));
}

bool CreateShortcutIn(const wchar_t* folder, const wchar_t* path, wchar_t* linkPath) {
    if (!NameInFolder(folder, path, L".lnk", linkPath)) return false;
    if (!MakeUniqueName(linkPath)) return false;
    ShellLink shortcut;
    return shortcut.CreateShortcut(path, linkPath);
}
