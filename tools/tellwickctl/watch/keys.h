#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_KEYS_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_KEYS_H_

#include "tools/tellwickctl/watch/frame.h"
#include "tools/tellwickctl/watch/watch_state.h"

namespace tellwick::watch {

// The keys the view acts on.
enum class Key { quit, previous, next, enlarge, longer, shorter, resize, other };

enum class KeyEffect { none, redraw, intervalChanged, quit };

// What key does to the view: previous and next move the focus round the
// panels (an enlarged view follows the focus), enlarge toggles the focused
// panel's full-screen view, longer and shorter step the interval along the
// ladder of nextInterval. Pure apart from view and state.
KeyEffect applyKey(Key key, ViewSettings& view, WatchState& state);

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_KEYS_H_
