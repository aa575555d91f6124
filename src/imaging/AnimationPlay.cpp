// Playing the shown picture when it is animated: a player over the file's
// bytes the picture already holds in memory (the file itself is never read
// again: another program may have changed it since), each frame due put in
// the place of the picture's pixels and only the picture's part of the view
// drawn anew, with no transition and the zoom and scrolling as they are.
#include <windows.h>

#include <algorithm>

#include "app/AppState.h"

namespace {

// The bytes of an in-memory stream, held locked for as long as anything
// holds the returned pointer (the player's worker may outlive the player).
std::shared_ptr<const uint8_t> LockedBytes(IStream* stream, size_t& size) {
    HGLOBAL memory = nullptr;
    STATSTG stat{};
    if (!stream || FAILED(GetHGlobalFromStream(stream, &memory)) || FAILED(stream->Stat(&stat, STATFLAG_NONAME)) ||
        stat.cbSize.QuadPart == 0 || stat.cbSize.QuadPart > GlobalSize(memory))
        return nullptr;
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(memory));
    if (!bytes) return nullptr;
    size = size_t(stat.cbSize.QuadPart);
    stream->AddRef();
    return std::shared_ptr<const uint8_t>(bytes, [stream, memory](const uint8_t*) {
        GlobalUnlock(memory);
        stream->Release();
    });
}

}  // namespace

void AppState::StartAnimation() {
    StopAnimation();
    if (!animate || closing || collage || layer == kLayerWallpaper || !picture.IsLoaded()) return;
    size_t size = 0;
    std::shared_ptr<const uint8_t> bytes = LockedBytes(picture.Source(), size);
    if (!bytes) return;
    std::unique_ptr<AnimationFrames> frames = OpenAnimation(bytes.get(), size, pixelLimit.load());
    if (!frames) return;
    frames = InColours(std::move(frames), colour.Current());   // as the first frame was decoded
    const uint32_t serial = ++playSerial;
    const HWND window = hwnd;
    player = std::make_unique<AnimationPlayer>(std::move(frames), std::move(bytes),
                                               [window, serial] { PostMessageW(window, WM_APP_FRAME, serial, 0); });
    playedSource = picture.Source();
    FollowVisibility();
}

void AppState::StopAnimation() {
    player.reset();   // waits a moment for the worker at most
    playedSource = nullptr;
    ++playSerial;     // frames already posted are not shown
}

void AppState::FollowVisibility() {
    if (!player) return;
    if (IsWindowVisible(hwnd) && !IsIconic(hwnd)) player->Play();
    else player->Pause();
}

void AppState::OnAnimationFrame(WPARAM serial) {
    if (!player || uint32_t(serial) != playSerial || closing) return;
    DecodedPixels frame;
    if (!player->Take(frame)) return;
    // The picture changed by a way that did not stop the player (it was let go, pasted over).
    if (collage || layer == kLayerWallpaper || !picture.IsLoaded() || picture.Source() != playedSource ||
        !picture.TakeFrame(frame)) {
        StopAnimation();
        return;
    }
    player->Recycle(std::move(frame));
    RepaintPicture();
}
