// The Catalog window.
#include "app/AppState.h"

// The thumbnail window is not part of this build yet: start-up shows the
// viewer instead of launching it.
bool AppState::CatalogAvailable() const { return false; }
