// Loading the current exhibit entry, its orientation, display size, and the
// zoom and rotation state of the shown picture.
#include <windows.h>

#include <climits>
#include <cwchar>
#include <optional>
#include <string>

#include "app/AppState.h"
#include "exhibit/ExhibitFiles.h"
#include "exhibit/ShellLink.h"
#include "fileops/LogFile.h"
#include "imaging/FitRules.h"
#include "imaging/PictureDecode.h"
#include "platform/Paths.h"

void AppState::SetInterpolation(int32_t mode) { picture.SetInterpolation(mode); }

DecodedPicture AppState::DecodeForShow(const wchar_t* file, bool& timedOut, bool& usable) {
    timedOut = false;
    usable = true;
    if (decoding && pictures) {
        // A load asked for while another waits for its decode (a message
        // answered during that wait) waits for its own decode on the worker
        // too, within the same deadline, but answers no messages meanwhile,
        // so loads never nest deeper.
        PictureCache::Taken taken = pictures->Take(file, PlanForShow(), [this](HANDLE event, DWORD ms) {
            WaitForSingleObject(event, ms);
            return !closing;
        });
        timedOut = taken.timedOut;
        usable = !taken.gaveUp && !closing;
        return std::move(taken.picture);
    }
    if (!pictures) {
        pictures = std::make_unique<PictureCache>(
            [this](const std::wstring& path, const ShowPlan& plan) {
                DecodeLimits limits{pixelLimit.load()};
                limits.target = plan;
                limits.colour = colour.Current();
                DecodedPicture decoded = DecodePictureFile(path.c_str(), limits);
                PreparePicture(decoded, plan);
                return decoded;
            },
            PictureMemoryBudget(), decodeDeadlineMs);
    }
    decoding = true;
    const HCURSOR previousCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    PictureCache::Taken taken =
        pictures->Take(file, PlanForShow(), [this](HANDLE event, DWORD ms) { return WaitAnswering(event, ms); });
    SetCursor(previousCursor);
    decoding = false;
    timedOut = taken.timedOut;
    usable = !taken.gaveUp && !closing;
    return std::move(taken.picture);
}

void AppState::AdoptShown(DecodedPicture&& decoded) {
    StopAnimation();   // another picture, or the same one read anew
    shownStamp = decoded.stamp;
    picture.Adopt(std::move(decoded));
}

AppState::Load AppState::LoadCurrent(bool forward) {
    // The entry and its path are taken together: the build worker may move
    // entries, but the current path stays the one being loaded.
    const std::optional<CurrentEntry> taken = exhibit->TakeCurrent();
    if (!taken) return Load::Nothing;
    const std::wstring& path = taken->path;

    // A file that is no longer there is found out before anything is
    // decoded, so the picture on screen stays while a search passes over it.
    bool gone = false, decoded = false;
    bool timedOut = false, usable = true;
    if (IsShortcut(path.c_str())) {
        ShellLink link;
        if (link.Read(path.c_str(), scratch, true)) {
            CopyPath(shownFile, scratch);
            AdoptShown(DecodeForShow(shownFile, timedOut, usable));
            decoded = true;
        } else if (!(gone = FileVanished(path.c_str()))) {
            shownFile[0] = L'\0';
            picture.Release();
        }
    } else {
        // An empty or missing file fails here, without a decoder. Past the
        // first try of a search, a file the scan found empty is not asked
        // again: it fails as damaged without a look at the disk.
        FileStamp stamp;
        const bool seenEmpty = failureRun && failureRun->attempts > 0 && taken->scannedSize == 0;
        if (!seenEmpty && StampOf(path.c_str(), stamp) && stamp.size > 0) {
            CopyPath(shownFile, path.c_str());
            AdoptShown(DecodeForShow(path.c_str(), timedOut, usable));
            decoded = true;
        } else if (seenEmpty || !(gone = FileVanished(path.c_str()))) {
            CopyPath(shownFile, path.c_str());
            AdoptShown(DecodedPicture{});
        }
    }
    if (!usable) return Load::Nothing;   // closing: nothing is judged
    if (gone && picture.IsLoaded() && shownEntry == path && (IsShortcut(path.c_str()) || path == shownFile))
        return Load::Kept;
    if (picture.IsLoaded() && !gone) {
        shownEntry = path;
        return Load::Shown;
    }

    // Gone while it was decoded counts as gone too.
    if (decoded && !timedOut) gone = FileVanished(path.c_str());
    if (gone) {
        // Not a damaged picture: whatever removefail says, the exhibit forgets
        // it without a word, and the watcher looks at the folder again.
        if (failureRun) {
            failureRun->vanished = true;
            failureRun->dropped.push_back(*taken);
            exhibit->Step(1, true);
        } else {
            exhibit->RemoveEntry(taken->index, path);
            if (watcher) watcher->RescanNow();
        }
        return Load::Vanished;
    }
    if (!timedOut && picture.LastOutcome() == DecodeOutcome::TooLarge) {
        // A sound picture larger than the memory budget is no failure: it
        // stays in the exhibit, unlogged, and is stepped over.
        if (failureRun) failureRun->tooLarge = true;
        exhibit->Step(1, forward);
        return Load::TooLarge;
    }
    LogLoadError();
    // Only the exhibit forgets the file; it stays on disk. The next entry
    // moves into place, so the index needs no step.
    if (removefail && failureRun) {
        // Dropped with the rest of the run; its follower is tried next, as
        // if it had moved into its place.
        failureRun->dropped.push_back(*taken);
        exhibit->Step(1, true);
    } else if (removefail) {
        exhibit->RemoveEntry(taken->index, path);
    } else {
        exhibit->Step(1, forward);
    }
    return Load::Failed;
}

void AppState::PrefetchAround(bool forward) {
    if (!pictures) return;
    const CurrentEntry shown = exhibit->Current();
    const int32_t n = int32_t(exhibit->Size());
    std::vector<std::wstring> wanted;
    for (const int32_t step : {forward ? 1 : -1, forward ? -1 : 1}) {
        if (n < 2) break;
        const std::optional<ImageEntry> entry = exhibit->EntryAt(size_t(((shown.index + step) % n + n) % n));
        // Shortcuts are read when they are shown.
        if (entry && entry->path != shown.path && !IsShortcut(entry->path.c_str())) wanted.push_back(entry->path);
    }
    pictures->KeepOnly(wanted);
    pictures->Reserve(picture.Memory());
    const ShowPlan plan = PlanForShow();
    for (const std::wstring& path : wanted) pictures->Prefetch(path, plan);
}

void AppState::LogLoadError() {
    const std::wstring path = exhibit->CurrentPath();
    const bool enabled = IsShortcut(path.c_str()) ? loglnkfail : logerrors;
    if (!enabled) return;
    if (failureRun) failureRun->logLines.push_back(path);
    else if (!AppendLogLine(errorsLogPath, path.c_str())) ReportLogFailure(errorsLogPath);
}

OrientationRules AppState::OrientationNow() const {
    OrientationRules rules{exiforient, rotation, rotateaspect, 0, 0};
    if (wrap || layer == kLayerFullScreen) {
        rules.areaWidth = int64_t(monitorRect.right) - monitorRect.left;
        rules.areaHeight = int64_t(monitorRect.bottom) - monitorRect.top;
    } else {
        rules.areaWidth = int64_t(position.right) - position.left;
        rules.areaHeight = int64_t(position.bottom) - position.top;
    }
    return rules;
}

ShowPlan AppState::PlanForShow() const {
    ShowPlan plan;
    plan.valid = true;
    plan.orientation = OrientationNow();
    // A wrapped window takes the picture's size: the picture is fitted into
    // the work area. Otherwise it is fitted into the view as it is.
    const RECT area = layer == kLayerWindowed && wrap && !collage ? WrapArea() : ViewRect();
    plan.area = FitArea{int32_t(area.right - area.left), int32_t(area.bottom - area.top)};
    plan.zoom = zoom;
    plan.squeeze = squeeze;
    plan.shrink = shrink;
    plan.stretch = stretch;
    plan.interpolation = picture.Interpolation();
    return plan;
}

void AppState::ApplyOrientation() {
    if (!picture.IsLoaded()) return;
    const OrientationRules rules = OrientationNow();
    // Turned on the worker by these very rules already.
    if (picture.TakePrepared(rules, currentRotation)) return;
    const Turns turns = PlanTurns(rules, picture.Orientation(), picture.NaturalWidth(), picture.NaturalHeight());
    if (turns.exif != kRotateNone) picture.RotateFlip(turns.exif);
    currentRotation = turns.rotation;
    if (turns.lock != kRotateNone) picture.RotateFlip(turns.lock);
}

void AppState::ComputeDisplaySize(const RECT& area, int32_t zoom, bool squeeze, bool shrink, bool stretch) {
    if (!picture.IsLoaded()) return;
    // A loaded picture fits the memory budget, so each side fits 32 bits.
    const FitArea fit{int32_t(area.right - area.left), int32_t(area.bottom - area.top)};
    const DisplaySize size = FitDisplaySize(int32_t(picture.NaturalWidth()), int32_t(picture.NaturalHeight()), fit,
                                            zoom, squeeze, shrink, stretch);
    picture.width = size.width;
    picture.height = size.height;
    LoadDetail(size.width, size.height);
}

void AppState::LoadDetail(int32_t w, int32_t h) {
    ShowPlan fuller;
    // While the next picture is decoded, this one is about to go.
    if (!pictures || decoding || !shownFile[0] || !picture.WantsDetail(w, h, fuller.leastWidth, fuller.leastHeight))
        return;
    // Decoded on the worker, within its deadline; the wait answers no
    // messages, as it may be asked for in the middle of a paint.
    PictureCache::Taken taken = pictures->Take(shownFile, fuller, [](HANDLE event, DWORD ms) {
        WaitForSingleObject(event, ms);
        return true;
    });
    // Another state of the file is not this picture: the pixels held stay.
    if (taken.picture.stamp == shownStamp) picture.TakeDetail(std::move(taken.picture));
    else picture.TakeDetail({});
    pictures->Reserve(picture.Memory());
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
