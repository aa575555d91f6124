// A scratch folder tree for the exhibit tests: files, folders and shortcuts
// made under the temp folder and removed again, long paths included.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class TempTree {
public:
    explicit TempTree(const wchar_t* tag);
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The root, without a final backslash.
    const std::wstring& Root() const { return root_; }
    std::wstring Path(const std::wstring& relative) const { return root_ + L"\\" + relative; }

    // Relative paths; missing parent folders are made. Files hold `bytes`.
    void Folder(const std::wstring& relative);
    void File(const std::wstring& relative, const std::string& bytes = std::string());
    // A shortcut at `relative` to the absolute `target`; false when the shell refused.
    bool Link(const std::wstring& relative, const std::wstring& target);
    // A symbolic link to a folder at `relative`, pointing to `target` relative
    // to the link's own folder ("." or ".."); false when none can be made.
    bool FolderLink(const std::wstring& relative, const std::wstring& target);

private:
    std::wstring root_;
};

// The bytes of a w x h 24-bit bitmap file of one grey.
std::string BmpBytes(int w, int h);

// Deletes a folder and everything in it (paths of any length).
void RemoveTree(const std::wstring& folder);

// Sets all three times of a file or folder to `value` (100-ns units since 1601).
void SetTimes(const std::wstring& path, unsigned long long value);
