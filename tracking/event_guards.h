// The rule the event handlers use with their memory of the previous event (zando::EventGuards in
// plugin/plugin_state.h) to tell a report of the same event again from a new one.
#pragma once

namespace zando {

// True when now falls in [last, last + window): the same event reported again. A last value from a
// previous match (its clock ahead of this match's) is not a duplicate.
inline bool WithinWindow(float now, float last, float window) {
    const float elapsed = now - last;
    return elapsed >= 0.0f && elapsed < window;
}

}  // namespace zando
