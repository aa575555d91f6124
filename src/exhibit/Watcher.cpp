// The folder change watcher.
#include "app/AppState.h"

// Automatic refresh is not part of this build yet: the exhibit is rebuilt by
// the user's own commands only.
void AppState::StartWatcher() {}
