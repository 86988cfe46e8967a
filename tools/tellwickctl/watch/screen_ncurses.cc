#include <curses.h>
#include <langinfo.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <optional>
#include <vector>

#include "tools/tellwickctl/watch/screen.h"

namespace tellwick::watch {
namespace {

bool gScreenOpen = false;

// ncurses learns of a new size from SIGWINCH; its handler is kept and called
// from ours, which also notes that a KEY_RESIZE is waiting to be read.
volatile std::sig_atomic_t gResized = 0;
void (*gCursesOnResize)(int) = nullptr;

void onResize(int signo) {
  gResized = 1;
  if (gCursesOnResize) gCursesOnResize(signo);
}

void noteResizes() {
  struct sigaction current {};
  if (::sigaction(SIGWINCH, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) ||
      current.sa_handler == SIG_DFL || current.sa_handler == SIG_IGN) {
    return;  // ncurses watches no resizes
  }
  gCursesOnResize = current.sa_handler;
  current.sa_handler = onResize;
  ::sigaction(SIGWINCH, &current, nullptr);
}

class NcursesScreen final : public Screen {
 public:
  NcursesScreen() {
    glyphs_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0 ? Glyphs::unicode : Glyphs::ascii;
    // Arrow keys arrive as escape sequences; a short delay keeps Esc usable
    // without a second's pause.
    set_escdelay(25);
    cbreak();  // Ctrl-C stays a signal, so it is handled like SIGTERM
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE);
    curs_set(0);
    // Keys are read once a frame is out; without this, every refresh would
    // look at the terminal for them twice.
    typeahead(-1);
    // Until the screen has once been ended and resumed, ncurses takes it as
    // not yet started and writes to the terminal after every cursor move:
    // three or four writes for a frame where one number changed, not one.
    endwin();
    refresh();
    gScreenOpen = true;
  }
  ~NcursesScreen() override { restoreTerminal(); }

  Glyphs glyphs() const override { return glyphs_; }
  int columns() const override { return COLS; }
  int lines() const override { return LINES; }

  bool resized() const override { return gResized != 0; }

  std::optional<Key> key() override {
    // Cleared before reading, so that a resize during the read is not lost.
    gResized = 0;
    int c = getch();
    switch (c) {
      case ERR: return std::nullopt;
      case 'q': case 'Q': return Key::quit;
      case KEY_UP: case KEY_LEFT: case 'k': case 'K': return Key::previous;
      case KEY_DOWN: case KEY_RIGHT: case 'j': case 'J': case '\t': return Key::next;
      case '\n': case '\r': case KEY_ENTER: return Key::enlarge;
      case '+': case '=': return Key::longer;
      case '-': case '_': return Key::shorter;
      case KEY_RESIZE:
        shown_.clear();  // the terminal's contents are not what was drawn
        return Key::resize;
      default: return Key::other;
    }
  }

  // Only the lines that differ from the last frame are handed to ncurses:
  // putting a line's characters into its screen costs more than the rest of
  // an interval, and most lines stay as they were.
  void draw(const std::vector<FrameLine>& frame) override {
    if (shown_.size() != frame.size()) shown_.assign(frame.size(), std::nullopt);
    for (std::size_t i = 0; i < frame.size() && static_cast<int>(i) < LINES; ++i) {
      if (shown_[i] && shown_[i]->style == frame[i].style && shown_[i]->text == frame[i].text) continue;
      shown_[i] = frame[i];
      attr_t attributes = A_NORMAL;
      switch (frame[i].style) {
        case LineStyle::plain: break;
        case LineStyle::status: attributes = A_BOLD; break;
        case LineStyle::title: attributes = A_UNDERLINE; break;
        case LineStyle::focusedTitle: attributes = A_REVERSE | A_BOLD; break;
        case LineStyle::keys: attributes = A_DIM; break;
      }
      attrset(attributes);
      // The bottom-right cell cannot be written without scrolling on some
      // terminals; mvaddstr reports that as an error after drawing the rest.
      mvaddstr(static_cast<int>(i), 0, frame[i].text.c_str());
    }
    attrset(A_NORMAL);
    refresh();
  }

 private:
  Glyphs glyphs_ = Glyphs::unicode;
  std::vector<std::optional<FrameLine>> shown_;
};

}  // namespace

std::unique_ptr<Screen> openTerminalScreen() {
  if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) return nullptr;
  // newterm, unlike initscr, returns instead of exiting when the terminal
  // type is unknown.
  if (newterm(nullptr, stdout, stdin) == nullptr) return nullptr;
  noteResizes();
  return std::make_unique<NcursesScreen>();
}

void restoreTerminal() {
  if (!gScreenOpen) return;
  gScreenOpen = false;
  curs_set(1);
  endwin();
}

}  // namespace tellwick::watch
