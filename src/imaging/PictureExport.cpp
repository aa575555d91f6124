// The picture as the viewer shows it leaving the program: saved as a JPEG
// or BMP file, copied to the clipboard whole or as far as the window shows
// it, and a clipboard bitmap pasted in as the shown picture.
#include <windows.h>
#include <commdlg.h>

#include <cwchar>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "commands/Dialogs.h"
#include "commands/ModalFrame.h"
#include "config/Language.h"
#include "exhibit/ExhibitFiles.h"
#include "fileops/FileTransfer.h"
#include "imaging/GdiplusApi.h"
#include "imaging/SaveAsName.h"

int FindEncoder(const wchar_t* mimeType, CLSID* clsid) {
    UINT count = 0, size = 0;
    if (gp::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0) return -1;
    std::vector<BYTE> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (gp::GdipGetImageEncoders(count, size, encoders) != Gdiplus::Ok) return -1;
    for (UINT i = 0; i < count; ++i) {
        if (encoders[i].MimeType && wcscmp(encoders[i].MimeType, mimeType) == 0) {
            *clsid = encoders[i].Clsid;
            return int(i);
        }
    }
    return -1;
}

int PictureHolder::SaveScaled(const wchar_t* path, int format, int w, int h) const {
    return SaveImageScaled(image_.get(), path, format, w, h);
}

int SaveImageScaled(Gdiplus::GpImage* image, const wchar_t* path, int format, int w, int h) {
    if (!image || w <= 0 || h <= 0) return Gdiplus::InvalidParameter;
    Gdiplus::GpBitmap* bitmap = nullptr;
    Gdiplus::GpStatus status = gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppARGB, nullptr, &bitmap);
    if (status != Gdiplus::Ok) return status;
    GpImagePtr owned(bitmap);
    Gdiplus::GpGraphics* raw = nullptr;
    if ((status = gp::GdipGetImageGraphicsContext(bitmap, &raw)) != Gdiplus::Ok) return status;
    GpGraphicsPtr graphics(raw);
    gp::GdipSetInterpolationMode(raw, Gdiplus::InterpolationModeHighQualityBicubic);
    // The edge pixels are filtered against mirrored neighbours, not against
    // transparent black, so a saved picture has no dark seam.
    Gdiplus::GpImageAttributes* attributes = nullptr;
    gp::GdipCreateImageAttributes(&attributes);
    if (attributes) gp::GdipSetImageAttributesWrapMode(attributes, Gdiplus::WrapModeTileFlipXY, 0, FALSE);
    UINT sw = 0, sh = 0;
    gp::GdipGetImageWidth(image, &sw);
    gp::GdipGetImageHeight(image, &sh);
    status = gp::GdipDrawImageRectRectI(raw, image, 0, 0, w, h, 0, 0, INT(sw), INT(sh), Gdiplus::UnitPixel,
                                        attributes, nullptr, nullptr);
    if (attributes) gp::GdipDisposeImageAttributes(attributes);
    if (status != Gdiplus::Ok) return status;
    CLSID encoder{};
    if (FindEncoder(format == 0 ? L"image/bmp" : L"image/jpeg", &encoder) < 0) return Gdiplus::UnknownImageFormat;
    return gp::GdipSaveImageToFile(bitmap, path, &encoder, nullptr);
}

namespace {

// A GDI bitmap written as a picture file at its own size.
int SaveBitmap(HBITMAP bitmap, const wchar_t* path, int format) {
    Gdiplus::GpBitmap* raw = nullptr;
    if (!bitmap || gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &raw) != Gdiplus::Ok)
        return Gdiplus::InvalidParameter;
    const GpImagePtr image(raw);
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(raw, &w);
    gp::GdipGetImageHeight(raw, &h);
    return SaveImageScaled(raw, path, format, int(w), int(h));
}

}  // namespace

void AppState::SaveAs() {
    const CurrentEntry current = exhibit->Current();
    const bool pasted = ExhibitSize() == 0 || current.path == clipboardName;
    wchar_t chosen[kPathSize] = {};
    wchar_t initialFolder[kPathSize] = {};
    if (pasted) {
        CopyPath(chosen, clipboardName);
        CopyPath(initialFolder, exhibitFolder);
    } else {
        if (GetFileTitleW(current.path.c_str(), chosen, kPathSize) != 0) chosen[0] = L'\0';
        FolderOf(current.path.c_str(), initialFolder);
    }
    // The default extension follows the chosen filter, so a name typed without
    // one gets the format's before the dialog checks whether it exists.
    SaveRequest dialog{nullptr, L"JPG/JPEG Files (*.jpg)\0*.jpg;*jpeg\0BMP Files (*.bmp)\0*.bmp\0", initialFolder,
                       L"jpg", OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS, chosen};
    {
        ModalFrame frame(*this);
        if (!SaveFileDialog(hwnd, dialog) || closing) return;
    }

    const SaveAsName name = SaveAsNameFor(chosen, dialog.filterIndex);
    const std::wstring& target = name.path;
    const bool asBmp = name.format == 0;
    if (!name.confirmedByDialog && FileExists(target.c_str())) {
        // The dialog asked about another name: replacing this file is asked here, No by default.
        const std::wstring question = target + L" " + MessageText(kMessageReplaceIt);
        ModalFrame frame(*this);
        if (g_app.ShowMessage(question.c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES || closing)
            return;
    }

    const bool existed = FileExists(target.c_str());
    const int format = asBmp ? 0 : 1;
    // In collage mode the collage is what shows: it is saved at its own size,
    // as it stands once the dialogs are gone.
    const GdiObject<HBITMAP> heap(collage ? CopyOfCollage() : nullptr);
    const Transfer saved = WriteFileSafely(target.c_str(), true, [&](const wchar_t* temporary) {
        if (collage) return SaveBitmap(heap.Get(), temporary, format) == Gdiplus::Ok;
        return picture.IsLoaded() &&
               picture.SaveScaled(temporary, format, picture.width, picture.height) == Gdiplus::Ok;
    });
    if (saved != Transfer::Done) {
        g_app.ShowMessage(MessageText(11), MB_ICONEXCLAMATION);
        return;
    }
    const bool add = exhibit->IndexOfPath(target) < 0;
    if (add) exhibit->InsertAt(current.index, MakeImageEntry(target.c_str()));
    RecordMade(UndoKind::SaveAs, target, current.index, !existed, add);
    ShowPicture(true);
}

namespace {

// Hands `bitmap` to the clipboard, which then owns it.
void PutOnClipboard(HWND owner, HBITMAP bitmap) {
    if (!bitmap) return;
    if (!OpenClipboard(owner)) {
        DeleteObject(bitmap);
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_BITMAP, bitmap)) DeleteObject(bitmap);
    CloseClipboard();
}

}  // namespace

HBITMAP AppState::RenderPiece(int sx, int sy, int w, int h) {
    if (!picture.IsLoaded() || w <= 0 || h <= 0) return nullptr;
    HDC windowDc = GetDC(hwnd);
    Canvas piece;
    const bool made = piece.Resize(w, h, windowDc);
    ReleaseDC(hwnd, windowDc);
    if (!made) return nullptr;
    HGDIOBJ oldBrush = SelectObject(piece.Dc(), backgroundBrush.Get());
    PatBlt(piece.Dc(), 0, 0, w, h, PATCOPY);
    SelectObject(piece.Dc(), oldBrush);
    picture.DrawVisible(piece.Dc(), -sx, -sy, picture.width, picture.height, w, h);
    return piece.Release();
}

// In collage mode both copy the collage as it is.
HBITMAP AppState::CopyOfCollage() {
    if (!collageCanvas.Bitmap()) return nullptr;
    HDC windowDc = GetDC(hwnd);
    Canvas copy;
    const int w = collageCanvas.Width(), h = collageCanvas.Height();
    const bool made = copy.Resize(w, h, windowDc);
    ReleaseDC(hwnd, windowDc);
    if (!made) return nullptr;
    BitBlt(copy.Dc(), 0, 0, w, h, collageCanvas.Dc(), 0, 0, SRCCOPY);
    return copy.Release();
}

void AppState::CopyImage() {
    PutOnClipboard(hwnd, collage ? CopyOfCollage() : RenderPiece(0, 0, picture.width, picture.height));
}

void AppState::CopyView() {
    if (collage) {
        PutOnClipboard(hwnd, CopyOfCollage());
        return;
    }
    // The part of the picture the window shows, without the background
    // around a picture smaller than the window.
    const RECT view = ViewRect();
    int w = view.right, h = view.bottom, sx = scrollX, sy = scrollY;
    if (picture.width < w) {
        w = picture.width;
        sx = 0;
    }
    if (picture.height < h) {
        h = picture.height;
        sy = 0;
    }
    PutOnClipboard(hwnd, RenderPiece(sx, sy, w, h));
}

void AppState::Paste() {
    if (!OpenClipboard(hwnd)) return;
    bool pasted = false;
    if (HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) pasted = picture.LoadFromBitmap(bitmap);
    CloseClipboard();
    if (!pasted) return;
    exhibit->SetCurrentPath(clipboardName);
    shownFile[0] = L'\0';
    shownStamp = FileStamp{};
    scrollX = scrollY = 0;
    viewScrolled = false;
    currentZoom = 100;
    zoomHeld = zoom != 0;
    currentRotation = 0;
}
