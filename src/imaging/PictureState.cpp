// Loading the current exhibit entry, its orientation, display size, and the
// zoom and rotation state of the shown picture.
#include <windows.h>

#include <climits>
#include <cwchar>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "exhibit/ShellLink.h"
#include "fileops/LogFile.h"
#include "imaging/FitRules.h"
#include "platform/Paths.h"

void AppState::SetInterpolation(int32_t mode) { picture.SetInterpolation(mode); }

void AppState::LoadCurrent(bool forward) {
    // The entry and its path are taken together: the build worker may move
    // entries, but the current path stays the one being loaded.
    const std::optional<CurrentEntry> taken = exhibit->TakeCurrent();
    if (!taken) return;
    const std::wstring& path = taken->path;

    const HCURSOR previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    shownFile[0] = L'\0';
    if (IsShortcut(path.c_str())) {
        ShellLink link;
        if (link.Read(path.c_str(), scratch, true)) {
            CopyPath(shownFile, scratch);
            picture.LoadFromFile(shownFile);
        } else {
            picture.Release();
        }
    } else {
        CopyPath(shownFile, path.c_str());
        picture.LoadFromFile(path.c_str());
    }

    if (!picture.IsLoaded()) {
        LogLoadError();
        // Only the exhibit forgets the file; it stays on disk. The next entry
        // moves into place, so the index needs no step.
        if (removefail) exhibit->RemoveEntry(taken->index, path);
        else exhibit->Step(1, forward);
    }
    SetCursor(previousCursor);
}

void AppState::LogLoadError() {
    const std::wstring path = exhibit->CurrentPath();
    const bool enabled = IsShortcut(path.c_str()) ? loglnkfail : logerrors;
    if (!enabled) return;
    AppendLogLine(errorsLogPath, path.c_str());
}

void AppState::ApplyOrientation() {
    if (!picture.IsLoaded()) return;
    if (exiforient) {
        const int turn = RotateFlipForOrientation(picture.Orientation());
        if (turn != kRotateNone) picture.RotateFlip(turn);
    }
    currentRotation = 0;
    if (rotation == 0) return;
    if (rotateaspect) {
        int64_t aw, ah;
        if (wrap || layer == kLayerFullScreen) {
            aw = int64_t(monitorRect.right) - monitorRect.left;
            ah = int64_t(monitorRect.bottom) - monitorRect.top;
        } else {
            aw = int64_t(position.right) - position.left;
            ah = int64_t(position.bottom) - position.top;
        }
        if (!LockedRotationApplies(true, aw, ah, picture.NaturalWidth(), picture.NaturalHeight())) return;
    }
    const int turn = RotateFlipForLock(rotation);
    if (turn == kRotateNone) return;
    currentRotation = rotation;
    picture.RotateFlip(turn);
}

void AppState::ComputeDisplaySize(const RECT& area, int32_t zoom, bool squeeze, bool shrink, bool stretch) {
    if (!picture.IsLoaded()) return;
    // A loaded picture never exceeds kMaxDecodedPixels, so each side fits 32 bits.
    const FitArea fit{int32_t(area.right - area.left), int32_t(area.bottom - area.top)};
    const DisplaySize size = FitDisplaySize(int32_t(picture.NaturalWidth()), int32_t(picture.NaturalHeight()), fit,
                                            zoom, squeeze, shrink, stretch);
    picture.width = size.width;
    picture.height = size.height;
}

void AppState::RotateRight() {
    if (!picture.IsLoaded()) return;
    currentRotation = (currentRotation + 90) % 360;
    picture.RotateFlip(kRotate90);
}

void AppState::RotateLeft() {
    if (!picture.IsLoaded()) return;
    currentRotation = (currentRotation + 270) % 360;
    picture.RotateFlip(kRotate270);
}

void AppState::FlipHorizontal() {
    if (!picture.IsLoaded()) return;
    picture.RotateFlip(kFlipX);
}

void AppState::LockRotation() { rotation = currentRotation; }

void AppState::ZoomIn(bool fine) {
    zoomHeld = true;
    const int32_t step = fine ? 1 : zoomstep;
    currentZoom = (step > 0 && currentZoom > INT32_MAX - step) ? INT32_MAX : currentZoom + step;
}

void AppState::ZoomOut(bool fine) {
    if (currentZoom <= zoomstep) return;
    zoomHeld = true;
    currentZoom -= fine ? 1 : zoomstep;
}

void AppState::ZoomActualSize() {
    if (currentZoom != 100) {
        currentZoom = 100;
        zoomHeld = true;
    } else {
        currentZoom = zoom;
        zoomHeld = false;
    }
}

void AppState::LockZoom() {
    zoom = currentZoom == 100 ? 0 : currentZoom;
    zoomHeld = false;
    squeeze = shrink = stretch = false;
}

void AppState::ResetFitZoom() {
    currentZoom = 0;
    zoom = 0;
    zoomHeld = false;
}
