#include "tools/tellwickctl/watch/keys.h"

#include <algorithm>

#include "tools/tellwickctl/watch/watch_options.h"

namespace tellwick::watch {

KeyEffect applyKey(Key key, ViewSettings& view, WatchState& state) {
  if (view.panels.empty()) return key == Key::quit ? KeyEffect::quit : KeyEffect::none;
  auto at = std::find(view.panels.begin(), view.panels.end(), view.focus);
  if (at == view.panels.end()) at = view.panels.begin();
  switch (key) {
    case Key::quit: return KeyEffect::quit;
    case Key::previous:
      view.focus = at == view.panels.begin() ? view.panels.back() : *(at - 1);
      if (view.enlarged) view.enlarged = view.focus;
      return KeyEffect::redraw;
    case Key::next:
      view.focus = at + 1 == view.panels.end() ? view.panels.front() : *(at + 1);
      if (view.enlarged) view.enlarged = view.focus;
      return KeyEffect::redraw;
    case Key::enlarge:
      view.enlarged = view.enlarged ? std::nullopt : std::optional<Panel>(view.focus);
      return KeyEffect::redraw;
    case Key::longer:
    case Key::shorter: {
      double next = nextInterval(state.interval(), key == Key::longer);
      if (next == state.interval()) return KeyEffect::none;
      state.setInterval(next);
      return KeyEffect::intervalChanged;
    }
    case Key::resize: return KeyEffect::redraw;
    case Key::other: break;
  }
  return KeyEffect::none;
}

}  // namespace tellwick::watch
