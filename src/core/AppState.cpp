#include "AppState.h"

TavAppState& appState() {
    static TavAppState state;
    return state;
}
