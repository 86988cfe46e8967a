#include "os/bus/termination_pipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tellwick::os {
namespace {

// One application runs at a time in a process.
int gSignalPipeWrite = -1;

void onTerminationSignal(int signo) {
  int saved = errno;
  unsigned char byte = static_cast<unsigned char>(signo);
  [[maybe_unused]] ssize_t n = ::write(gSignalPipeWrite, &byte, 1);
  errno = saved;
}

}  // namespace

TerminationPipe::TerminationPipe() {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    pipe_[0] = pipe_[1] = -1;
    return;
  }
  gSignalPipeWrite = pipe_[1];
  struct sigaction action {};
  action.sa_handler = &onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, &previousTerm_);
  sigaction(SIGINT, &action, &previousInt_);
}

TerminationPipe::~TerminationPipe() {
  if (pipe_[0] < 0) return;
  sigaction(SIGTERM, &previousTerm_, nullptr);
  sigaction(SIGINT, &previousInt_, nullptr);
  gSignalPipeWrite = -1;
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

void TerminationPipe::drain() const {
  unsigned char buffer[16];
  while (::read(pipe_[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace tellwick::os
