#ifndef TELLWICK_TOOLS_TELLWICKCTL_WATCH_SCREEN_H_
#define TELLWICK_TOOLS_TELLWICKCTL_WATCH_SCREEN_H_

#include <memory>
#include <optional>
#include <vector>

#include "tools/tellwickctl/watch/frame.h"
#include "tools/tellwickctl/watch/graph.h"
#include "tools/tellwickctl/watch/keys.h"

namespace tellwick::watch {

// The terminal, taken over for full-screen drawing. The terminal is given
// back when the object is destroyed, and by restoreTerminal() from a
// terminate handler. One at a time; the main thread.
class Screen {
 public:
  Screen() = default;
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  virtual ~Screen() = default;

  // Unicode when the locale's character set is UTF-8.
  virtual Glyphs glyphs() const = 0;
  virtual int columns() const = 0;
  virtual int lines() const = 0;
  // The next key pressed, without waiting; nullopt when none is pending.
  virtual std::optional<Key> key() = 0;
  // Whether the terminal changed size since the last key(): a resize key
  // waits to be read although no key was pressed.
  virtual bool resized() const = 0;
  // Shows frame, one line per screen line; only what changed is sent.
  virtual void draw(const std::vector<FrameLine>& frame) = 0;
};

// Takes over the terminal on standard input and output (setlocale must have
// run); nullptr when it is not a terminal that can be drawn on.
std::unique_ptr<Screen> openTerminalScreen();

// Gives the terminal back if a screen holds it. For the terminate handler.
void restoreTerminal();

}  // namespace tellwick::watch

#endif  // TELLWICK_TOOLS_TELLWICKCTL_WATCH_SCREEN_H_
