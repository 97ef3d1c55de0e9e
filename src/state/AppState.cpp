#include "state/AppState.h"

bool g_bMainWndVisible = true;

AppState& GetAppState() {
    // A function-local static is initialised once even when threads race.
    static AppState state;
    return state;
}
