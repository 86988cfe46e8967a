#ifndef TELLWICK_OS_BUS_APPLICATION_H_
#define TELLWICK_OS_BUS_APPLICATION_H_

#include <string>

namespace tellwick::os {

// Called back by the application on the thread that runs it.
class ApplicationDelegate {
 public:
  ApplicationDelegate() = default;
  ApplicationDelegate(const ApplicationDelegate&) = delete;
  ApplicationDelegate& operator=(const ApplicationDelegate&) = delete;
  virtual ~ApplicationDelegate() = default;

  // Once, before the loop delivers anything.
  virtual void applicationDidFinishLaunching() = 0;
  // Once, after the loop has stopped for whatever reason; nothing is
  // delivered afterwards.
  virtual void applicationWillTerminate() = 0;
};

// How a run ended.
struct ApplicationExit {
  // 0 after an orderly terminate (a request or SIGTERM/SIGINT), non-zero
  // when the loop lost what it was serving.
  int status = 0;
  // One line for standard error when status is non-zero; empty otherwise.
  std::string message;
};

// The process's main loop.
class Application {
 public:
  Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  virtual ~Application() = default;

  // Calls delegate.applicationDidFinishLaunching, runs the loop on the
  // calling thread until terminate is called, SIGTERM or SIGINT arrives or the
  // loop's connection is lost, then calls delegate.applicationWillTerminate
  // and returns. Call once, from the main thread.
  virtual ApplicationExit run(ApplicationDelegate& delegate) = 0;

  // Asks the running loop to stop; the termination sequence runs once the
  // current handler has returned. sender identifies who asked and is kept for
  // inspection only. Main thread.
  virtual void terminate(const void* sender) = 0;
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_APPLICATION_H_
