// The folder change watcher.
#include "app/AppState.h"

// Automatic refresh is not part of this build yet: the exhibit is rebuilt by
// the user's own commands only, so there is no watcher to start or to stop
// around the program's own file changes.
void AppState::StartWatcher() {}
void AppState::StopWatcherIfOn() {}
void AppState::RestartWatcherIfOn() {}
