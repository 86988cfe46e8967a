#ifndef TELLWICK_OS_BUS_TERMINATION_PIPE_H_
#define TELLWICK_OS_BUS_TERMINATION_PIPE_H_

// For the Linux applications only: SIGTERM and SIGINT turned into bytes on
// a pipe that the application's loop watches. Blocking the signals instead
// would hand the blocked mask on to every program the helper starts.

#include <signal.h>

namespace tellwick::os {

class TerminationPipe {
 public:
  // Installs the handlers; readEnd() is -1 when no pipe could be made, and
  // the signals then keep their previous disposition.
  TerminationPipe();
  // Puts the previous handlers back and closes the pipe.
  ~TerminationPipe();
  TerminationPipe(const TerminationPipe&) = delete;
  TerminationPipe& operator=(const TerminationPipe&) = delete;

  int readEnd() const { return pipe_[0]; }
  // Reads what the signals wrote, so that the loop does not wake again.
  void drain() const;

 private:
  int pipe_[2] = {-1, -1};
  struct sigaction previousTerm_ {};
  struct sigaction previousInt_ {};
};

}  // namespace tellwick::os

#endif  // TELLWICK_OS_BUS_TERMINATION_PIPE_H_
