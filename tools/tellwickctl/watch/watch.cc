#include "tools/tellwickctl/watch/watch.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <condition_variable>
#include <csignal>
#include <ostream>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "os/bus/session_bus.h"
#include "os/store/property_list_coder.h"
#include "os/store/user_defaults.h"
#include "protocol/helper_data_model.h"
#include "tools/tellwickctl/watch/frame.h"
#include "tools/tellwickctl/watch/helper_client.h"
#include "tools/tellwickctl/watch/json_line.h"
#include "tools/tellwickctl/watch/keys.h"
#include "tools/tellwickctl/watch/screen.h"
#include "tools/tellwickctl/watch/watch_options.h"
#include "tools/tellwickctl/watch/watch_state.h"

namespace tellwick::watch {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kExitNoTerminal = 2;
// A battery answer runs an external tool for seconds; only a request that
// stays unanswered longer than this means the helper is gone.
constexpr auto kAnswerTimeout = 15s;
constexpr auto kFirstLineWait = 10s;
constexpr auto kReconnectEvery = 2s;
// How long the first answer of an interval waits for the others before it
// is drawn on its own.
constexpr auto kAnswerGrace = 150ms;

volatile std::sig_atomic_t gSignal = 0;

void onSignal(int signo) { gSignal = signo; }

void catchSignals() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait on the bus returns at once.
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) sigaction(signo, &action, nullptr);
}

Clock::duration toDuration(double seconds) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// A key pressed wakes the loop through the bus's queue: a thread waits on
// the terminal, so that the loop sleeps until a key, an answer or its next
// tick instead of waking every few milliseconds to look for keys.
class KeyWaker {
 public:
  explicit KeyWaker(int input) : input_(input), stop_(::eventfd(0, EFD_CLOEXEC)) {
    // Signals go to the loop, whose wait they end: the thread starts with
    // every signal blocked.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    thread_ = std::thread([this] { run(); });
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }
  ~KeyWaker() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(stop_, &one, sizeof one);
    armed_.notify_all();
    thread_.join();
    ::close(stop_);
  }
  KeyWaker(const KeyWaker&) = delete;
  KeyWaker& operator=(const KeyWaker&) = delete;

  int input() const { return input_; }
  // Where keys are announced; null while there is no bus, when the loop
  // waits on the terminal itself.
  void announceTo(os::MainQueue* queue) {
    std::lock_guard lock(mutex_);
    queue_ = queue;
  }
  // The loop has read every key pending: the next one wakes it again.
  void rearm() {
    woke_ = false;
    std::lock_guard lock(mutex_);
    waiting_ = true;
    armed_.notify_all();
  }
  bool woke() const { return woke_; }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      armed_.wait(lock, [this] { return waiting_ || stopping_; });
      if (stopping_) return;
      lock.unlock();
      pollfd fds[2] = {{input_, POLLIN, 0}, {stop_, POLLIN, 0}};
      const int n = ::poll(fds, 2, -1);
      lock.lock();
      if (stopping_ || (n > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)))) return;
      if (n <= 0) continue;
      waiting_ = false;
      if (queue_) queue_->dispatch([this] { woke_ = true; });
    }
  }

  const int input_;
  const int stop_;
  std::mutex mutex_;
  std::condition_variable armed_;
  bool waiting_ = true;
  bool stopping_ = false;
  os::MainQueue* queue_ = nullptr;
  bool woke_ = false;  // the loop's thread only
  std::thread thread_;
};

// The bus, its client and the store; a lost bus is connected afresh now and
// then, so that a restarted session bus does not end the view.
class Link {
 public:
  Link(std::vector<Panel> categories, KeyWaker* keys)
      : categories_(std::move(categories)),
        keys_(keys),
        coder_(os::newLinuxPropertyListCoder()),
        defaults_(os::newLinuxUserDefaults(*coder_)),
        store_(*defaults_, *coder_) {}
  ~Link() {
    if (keys_) keys_->announceTo(nullptr);
  }

  HelperClient* client(Clock::time_point now) {
    if (bus_ && !bus_->connected()) {
      if (keys_) keys_->announceTo(nullptr);
      client_.reset();
      bus_.reset();
    }
    if (!bus_ && (!lastTry_ || now - *lastTry_ >= kReconnectEvery)) {
      lastTry_ = now;
      auto connection = os::connectSessionBus();
      if (connection) bus_ = std::move(connection).value();
      if (bus_) client_ = std::make_unique<HelperClient>(*bus_, store_, categories_, kAnswerTimeout);
      if (bus_ && keys_) keys_->announceTo(&bus_->mainQueue());
    }
    return client_.get();
  }

  bool answering() const { return client_ && client_->answering(); }

  // Waits until deadline for answers, a key or a signal; without a bus,
  // for a key or a signal.
  void wait(Clock::time_point deadline) {
    if (client_) {
      client_->wait(deadline, [this] { return keys_ && keys_->woke(); });
      return;
    }
    const auto left = std::max(deadline - Clock::now(), Clock::duration::zero());
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(left).count();
    timespec limit{static_cast<time_t>(micros / 1000000), static_cast<long>(micros % 1000000) * 1000};
    pollfd input{keys_ ? keys_->input() : -1, POLLIN, 0};
    ::ppoll(&input, 1, &limit, nullptr);
  }

 private:
  std::vector<Panel> categories_;
  KeyWaker* keys_;
  std::unique_ptr<os::PropertyListCoder> coder_;
  std::unique_ptr<os::UserDefaults> defaults_;
  HelperDataModel store_;
  std::unique_ptr<os::SessionBus> bus_;
  std::unique_ptr<HelperClient> client_;
  std::optional<Clock::time_point> lastTry_;
};

// Folds whatever arrived into state; returns whether anything did.
bool fold(Link& link, WatchState& state, Clock::time_point start) {
  HelperClient* client = link.client(Clock::now());
  if (!client) return false;
  StoredAnswers answers = client->takeAnswers();
  for (Panel c : answers.answered) {
    switch (c) {
      case Panel::sensors: state.updateSensors(answers.sensors.value_or(std::vector<Sensor>{})); break;
      case Panel::fans: state.updateFans(answers.fans.value_or(std::vector<Fan>{})); break;
      case Panel::traffic:
        state.updateTraffic(answers.traffic.value_or(std::vector<ProcessTrafficInfo>{}),
                            std::chrono::duration<double>(answers.trafficAnsweredAt.value_or(Clock::now()) - start).count());
        break;
      case Panel::batteries:
        state.updateBatteries(answers.singleBatteryDevices.value_or(SingleBatteryDevices{}),
                              answers.doubleBatteryDevices.value_or(DoubleBatteryDevices{}));
        break;
    }
  }
  return !answers.answered.empty();
}

double unixNow() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

int exitStatus() { return gSignal ? 128 + gSignal : 0; }

int runJson(const WatchOptions& options, Link& link, std::ostream& out) {
  WatchState state(options.interval);
  const auto start = Clock::now();
  const auto interval = toDuration(options.interval);
  auto tick = start;
  long printed = 0;
  while (!gSignal) {
    auto now = Clock::now();
    if (HelperClient* client = link.client(now)) client->request(now);
    // A line as soon as every category has answered, at the latest when
    // the next interval begins; the first may wait longer for slow ones.
    auto due = printed == 0 ? start + std::max<Clock::duration>(interval, kFirstLineWait) : tick + interval;
    while (!gSignal && Clock::now() < due) {
      HelperClient* client = link.client(Clock::now());
      if (!client || client->idle() || !client->answering()) break;
      link.wait(due);
    }
    // The store is read once a line, for every answer in.
    fold(link, state, start);
    if (gSignal) break;
    std::string line = jsonLine(state, options.panels, unixNow(), link.answering());
    if (!(out << line << std::flush)) return 1;
    ++printed;
    if (options.count && printed >= *options.count) break;
    tick += interval;
    if (tick < Clock::now() - interval) tick = Clock::now();  // fell behind: skip, do not burst
    while (!gSignal && Clock::now() < tick) link.wait(tick);
  }
  return exitStatus();
}

int runScreen(const WatchOptions& options, std::ostream& err) {
  auto screen = openTerminalScreen();
  if (!screen) {
    err << "tellwickctl watch: this terminal cannot be drawn on; try --json\n";
    return kExitNoTerminal;
  }
  KeyWaker keys(STDIN_FILENO);
  Link link(options.panels, &keys);
  std::set_terminate([] {
    restoreTerminal();
    std::abort();
  });
  WatchState state(options.interval);
  ViewSettings view;
  view.panels = options.panels;
  view.focus = options.panels.front();
  view.glyphs = screen->glyphs();

  const auto start = Clock::now();
  auto tick = start;
  long ticks = 0;
  bool dirty = true;
  bool drawPending = false;  // answers in that are not on the screen yet
  Clock::time_point drawBy{};
  while (!gSignal) {
    auto now = Clock::now();
    if (now >= tick) {
      if (options.count && ticks >= *options.count) break;
      ++ticks;
      HelperClient* client = link.client(now);
      if (client) client->request(now);
      tick += toDuration(state.interval());
      if (tick <= now) tick = now + toDuration(state.interval());
      // Answers on their way redraw the screen when they arrive; with none
      // coming, or when the helper stopped answering, the status line is
      // what changed.
      if (!client || client->idle() || link.answering() != view.helperAnswering) dirty = true;
    }
    // The terminal is read only when it has something: a key, announced by
    // keys or seen by the wait itself when there is no bus, or a resize.
    bool quit = false;
    if (keys.woke() || screen->resized() || !link.answering()) {
      while (auto key = screen->key()) {
        switch (applyKey(*key, view, state)) {
          case KeyEffect::none: break;
          case KeyEffect::redraw: dirty = true; break;
          case KeyEffect::intervalChanged:
            tick = Clock::now() + toDuration(state.interval());
            dirty = true;
            break;
          case KeyEffect::quit: quit = true; break;
        }
      }
      keys.rearm();
    }
    if (quit) break;
    // One redraw for the answers of an interval: when the last one is in,
    // or shortly after the first when another is slow.
    HelperClient* client = link.client(Clock::now());
    if (client && client->hasAnswers() && !drawPending) {
      drawPending = true;
      drawBy = Clock::now() + kAnswerGrace;
    }
    if (drawPending && ((client && client->idle()) || Clock::now() >= drawBy)) dirty = true;
    if (dirty) {
      // The store is read once a redraw, for every answer in.
      fold(link, state, start);
      drawPending = false;
      view.columns = screen->columns();
      view.lines = screen->lines();
      view.helperAnswering = link.answering();
      screen->draw(composeFrame(state, view));
      dirty = false;
    }
    link.wait(drawPending ? std::min(tick, drawBy) : tick);
  }
  return exitStatus();
}

}  // namespace

int runWatch(const WatchOptions& options, std::ostream& out, std::ostream& err) {
  std::setlocale(LC_ALL, "");
  catchSignals();
  if (options.json || !::isatty(STDOUT_FILENO)) {
    Link link(options.panels, nullptr);
    return runJson(options, link, out);
  }
  return runScreen(options, err);
}

}  // namespace tellwick::watch
