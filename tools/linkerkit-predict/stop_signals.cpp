#include "stop_signals.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "output_file.h"

namespace linkerkit {

namespace {

// The signal that ends the run, set by the handler and acted on by the
// loops; in a worker, the child it waits for, stopped with it.
volatile sig_atomic_t g_signal = 0;
volatile pid_t g_worker_child = 0;

void NoteSignal(int signal_number) { g_signal = signal_number; }

void EndWorker(int signal_number) {
  // The road removes the step files once every worker has ended; the
  // programs' own temporary files go now.
  if (g_worker_child > 0) kill(g_worker_child, SIGTERM);
  RemoveTemporaryOutputFiles();
  _exit(128 + signal_number);
}

void SetSignalHandlers(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a waiting poll returns at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int StopSignal() { return g_signal; }

void NoteStopSignals() { SetSignalHandlers(NoteSignal); }

void EndOnStopSignals() { SetSignalHandlers(EndWorker); }

int WaitForProgram(pid_t child) {
  g_worker_child = child;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  g_worker_child = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace linkerkit
