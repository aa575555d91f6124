// The frame around a command that files the shown picture away: the
// slideshow paused (held, so no menu opens over its boxes) and the change
// watcher stopped, so the program's own changes cause no rebuild; both come
// back when it ends, unless the viewer is closing.
#pragma once

struct AppState;

class FilingFrame {
public:
    explicit FilingFrame(AppState& state);
    ~FilingFrame();
    FilingFrame(const FilingFrame&) = delete;
    FilingFrame& operator=(const FilingFrame&) = delete;

private:
    AppState& state_;
};
