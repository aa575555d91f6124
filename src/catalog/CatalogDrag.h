// Drag and drop for the Catalog. As a drop target it hands each drag to the
// shell's own drop target of the folder under the cursor (a thumbnail's
// folder, else the folder shown), so the shell copies, moves or links as it
// always does; files dropped on the folder they are in are left alone. As a
// drag source it lends the shell's data object of the selected files.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Handles.h"

class FolderDropTarget : public IDropTarget {
public:
    // `folderAt` names the folder under a screen point ("" for none).
    explicit FolderDropTarget(std::function<std::wstring(POINT)> folderAt) : folderAt_(std::move(folderAt)) {}
    virtual ~FolderDropTarget() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    // The object lives as long as its window: the count is kept, never acted on.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return references_ > 1 ? --references_ : 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

    const std::wstring& Folder() const { return folder_; }

private:
    void Forget();   // the drag is over: nothing of it is kept
    std::function<std::wstring(POINT)> folderAt_;
    ULONG references_ = 1;
    ComPtr<IDataObject> data_;
    ComPtr<IDropTarget> shell_;   // the shell's target for folder_, while the cursor is over it
    std::vector<std::wstring> files_;
    std::wstring folder_;
    bool entered_ = false;        // folder_ and shell_ belong to this drag
    DWORD offered_ = DROPEFFECT_NONE;   // what shell_ last answered it would do
};

// Drags the files out (copy, move or link, as the target chooses); false
// when the shell gives no data object for them.
bool DragFilesOut(const std::vector<std::wstring>& paths);
