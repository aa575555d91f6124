// Files for the tests: throw-away folders, raw bytes, UTF-16 text, small
// bitmaps, shortcuts and the committed test data.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A folder under %TEMP%, removed with everything in it (links not followed).
class TempFolder {
public:
    explicit TempFolder(const wchar_t* tag);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder itself, without a final backslash.
    const std::wstring& Root() const { return root_; }
    std::wstring Path(const std::wstring& relative) const { return root_ + L"\\" + relative; }

    // Relative paths; missing parent folders are made (paths of any length).
    void Folder(const std::wstring& relative) const;
    void File(const std::wstring& relative, const std::string& bytes = std::string()) const;
    // A symbolic link to a folder, pointing to `target` relative to the link's
    // own folder ("." or ".."); false when none can be made.
    bool FolderLink(const std::wstring& relative, const std::wstring& target) const;
    // The names directly inside the folder, sorted.
    std::vector<std::wstring> List() const;

private:
    std::wstring root_;
};

// Another program's handle on a file for the length of a scope (share 0
// holds it shut).
struct HeldFile {
    HeldFile(const std::wstring& path, DWORD share, DWORD access = GENERIC_READ)
        : file(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;
    void Release() {
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    HANDLE file;
};

void RemoveTree(const std::wstring& folder);
// The names directly inside `folder`, sorted.
std::vector<std::wstring> ListFolder(const std::wstring& folder);
bool FileExists(const std::wstring& path);
std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);

// UTF-16LE bytes of `text`, the byte-order mark first when `mark` is set.
std::string Utf16(const std::wstring& text, bool mark = true);
// A UTF-16LE text file with its byte-order mark; reading one without the
// mark gives an empty text.
void WriteUtf16File(const std::wstring& path, const std::wstring& text);
std::wstring ReadUtf16File(const std::wstring& path);

// The bytes of a w x h 24-bit bitmap file of one colour.
std::string BmpBytes(int w, int h, COLORREF colour = RGB(64, 64, 64));

// Sets all three times of a file or folder (100-ns units since 1601).
void SetTimes(const std::wstring& path, unsigned long long value);

// A shortcut at `path` (parent folders made) to the absolute `target`, made
// with the program's own shell-link object; false when the shell refused.
bool MakeShortcut(const std::wstring& path, const std::wstring& target);

// tests/data/<relative>, found from this file's own place in the sources (a
// Unix path is reached through drive Z: under Wine).
std::wstring DataPath(const std::wstring& relative);
