#include "catalog/CatalogDrag.h"

#include <shellapi.h>
#include <shlobj.h>

#include "catalog/CatalogShell.h"
#include "catalog/DropRules.h"
#include "exhibit/ShellLink.h"
#include "platform/Paths.h"
#include "platform/Wine.h"

namespace {

// The files a data object carries (CF_HDROP).
std::vector<std::wstring> DroppedFiles(IDataObject* data) {
    std::vector<std::wstring> files;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) return files;
    if (auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            wchar_t path[MAX_PATH] = {};
            if (DragQueryFileW(drop, i, path, MAX_PATH)) files.push_back(path);
        }
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return files;
}


class FileDropSource : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDropSource) {
            *out = static_cast<IDropSource*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override { return references_ > 1 ? --references_ : 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    ULONG references_ = 1;
};

// Whether every one of `files` already lies in `folder`.
bool AllIn(const std::vector<std::wstring>& files, const std::wstring& folder) {
    for (const std::wstring& file : files)
        if (CompareStringOrdinal(FolderPart(file).c_str(), -1, folder.c_str(), -1, TRUE) != CSTR_EQUAL) return false;
    return !files.empty();
}

}  // namespace

HRESULT FolderDropTarget::QueryInterface(REFIID iid, void** out) {
    if (iid == IID_IUnknown || iid == IID_IDropTarget) {
        *out = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT FolderDropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    Forget();
    if (data) {
        data->AddRef();
        *data_.Receive() = data;
        files_ = DroppedFiles(data);   // read once for the whole drag
    }
    *effect = DROPEFFECT_NONE;
    return S_OK;
}

HRESULT FolderDropTarget::DragOver(DWORD keys, POINTL at, DWORD* effect) {
    const DWORD allowed = *effect;
    *effect = DROPEFFECT_NONE;
    const std::wstring folder = folderAt_(POINT{at.x, at.y});
    if (!entered_ || folder != folder_) {
        // Another folder under the cursor: the shell's drop target for it is
        // made once and kept while the cursor moves over the same folder.
        if (shell_) shell_->DragLeave();
        shell_.Reset();
        folder_ = folder;
        entered_ = true;
        offered_ = DROPEFFECT_NONE;
        if (folder_.empty() || !data_ || AllIn(files_, folder_)) return S_OK;   // already there: nothing to do
        if (!GetShellObject({folder_}, IID_IDropTarget, reinterpret_cast<void**>(shell_.Receive()))) return S_OK;
        DWORD chosen = allowed;
        if (FAILED(shell_->DragEnter(data_.Get(), keys, at, &chosen))) {
            shell_.Reset();
            return S_OK;
        }
    }
    if (!shell_) return S_OK;
    DWORD chosen = allowed;
    const HRESULT answer = shell_->DragOver(keys, at, &chosen);
    if (SUCCEEDED(answer)) *effect = offered_ = chosen;
    return answer;
}

HRESULT FolderDropTarget::DragLeave() {
    HRESULT answer = S_OK;
    if (shell_) answer = shell_->DragLeave();
    shell_.Reset();
    Forget();
    return answer;
}

void FolderDropTarget::Forget() {
    if (shell_) shell_->DragLeave();
    shell_.Reset();
    data_.Reset();
    files_.clear();
    entered_ = false;
    offered_ = DROPEFFECT_NONE;
}

HRESULT FolderDropTarget::Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) {
    if (!shell_) {
        *effect = DROPEFFECT_NONE;
        Forget();
        return S_OK;
    }
    HRESULT answer = S_OK;
    // Wine's shell accepts a drop on a folder and then does nothing with it;
    // there the files are copied, moved or linked here instead, as the keys
    // held at the drop or the shell's choice say (not by all the source allows).
    if (RunningOnWine()) {
        shell_->DragLeave();
        const DWORD chosen = ChosenDropEffect(*effect, keys, offered_);
        const std::vector<std::wstring> files = DroppedFiles(data);
        bool done = !files.empty();
        if (chosen == DROPEFFECT_LINK) {
            for (const std::wstring& file : files) {
                wchar_t link[MAX_PATH] = {};
                done = CreateShortcutIn(folder_.c_str(), file.c_str(), link) && done;
            }
        } else {
            done = chosen != DROPEFFECT_NONE && ShellCopyOrMove(files, folder_, chosen == DROPEFFECT_MOVE, nullptr);
        }
        *effect = done ? chosen : DROPEFFECT_NONE;
    } else {
        answer = shell_->Drop(data, keys, at, effect);
    }
    shell_.Reset();
    Forget();
    return answer;
}

bool DragFilesOut(const std::vector<std::wstring>& paths) {
    ComPtr<IDataObject> data;
    if (!GetShellObject(paths, IID_IDataObject, reinterpret_cast<void**>(data.Receive()))) return false;
    FileDropSource source;
    DWORD effect = DROPEFFECT_NONE;
    DoDragDrop(data.Get(), &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
    return true;
}
