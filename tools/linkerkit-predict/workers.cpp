#include "workers.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "failure.h"
#include "progress.h"
#include "protein_steps.h"
#include "proteome.h"
#include "road_files.h"
#include "stop_signals.h"

namespace linkerkit {

namespace fs = std::filesystem;

namespace {

// What a worker tells the road, a line each: a protein done, or the
// failure that stopped it, a file it could not write or any other.
constexpr char kDoneMark = '+';
constexpr char kFailureMark = '!';
constexpr char kWriteFailureMark = 'W';

void Report(int pipe, const std::string &message) {
  // One write of at most PIPE_BUF bytes is never interleaved with another
  // worker's.
  std::string line = message.substr(0, PIPE_BUF - 2);
  std::replace(line.begin(), line.end(), '\n', ' ');
  line += '\n';
  if (write(pipe, line.data(), line.size()) < 0) _exit(1);
}

// A worker: every jobs-th protein from the first'th, one after another.
[[noreturn]] void Work(const RoadRun &run, const WorkFolder &work, int first, int jobs, int pipe) {
  EndOnStopSignals();
  // Its scratch folder goes with the run: messages tell its files by what
  // they hold.
  const std::string scratch = ScratchFolder(work, first);
  int status = 0;
  try {
    constexpr std::size_t kReprofBatch = 25;
    const bool batch_reprof =
        run.model.recipe.needs_reprof && run.options.reprof.empty() && run.options.reprof_dir.empty();
    std::vector<std::pair<ProteinRecord, StepFolder>> batch;
    const auto flush = [&] {
      if (batch.empty()) return;
      if (batch_reprof) PredictWithReprof(run.bin_dir, batch);
      for (const auto &[protein, where] : batch) {
        FinishProtein(run, work, protein, where);
        Report(pipe, std::string(1, kDoneMark));
      }
      batch.clear();
    };
    FastaRecordReader reader(run.options.fasta);
    ProteinRecord record;
    for (int index = 0; reader.Next(record); ++index) {
      if (index % jobs != first) continue;
      if (!run.options.name.empty()) record.name = run.options.name;
      const StepFolder where = StepFolderOf(run, work, record, first, static_cast<int>(batch.size()));
      PrepareProtein(run, record, where);
      batch.emplace_back(record, where);
      if (!batch_reprof || batch.size() == kReprofBatch) flush();
    }
    flush();
  } catch (const WriteFailure &failure) {
    Report(pipe, std::string(1, kWriteFailureMark) + DescribeScratchFiles(failure.what(), scratch));
    status = 1;
  } catch (const Failure &failure) {
    Report(pipe, std::string(1, kFailureMark) + DescribeScratchFiles(failure.what(), scratch));
    status = 1;
  } catch (const std::bad_alloc &) {
    Report(pipe, std::string(1, kFailureMark) + "out of memory");
    status = 1;
  }
  std::fflush(nullptr);
  _exit(status);
}

}  // namespace

int RunWorkers(const RoadRun &run, const WorkFolder &work, int jobs) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) Fail("cannot start the workers");
  std::fflush(nullptr);
  std::vector<pid_t> workers;
  for (int first = 0; first < jobs; ++first) {
    const pid_t pid = fork();
    if (pid < 0) {
      for (const pid_t worker : workers) kill(worker, SIGTERM);
      Fail("cannot start the workers");
    }
    if (pid == 0) {
      close(pipe_ends[0]);
      Work(run, work, first, jobs, pipe_ends[1]);
    }
    workers.push_back(pid);
  }
  close(pipe_ends[1]);

  Progress progress(run.names.size());
  std::size_t done = 0;
  std::string failure, pending;
  bool write_failure = false;
  bool stopping = false;
  const auto stop_all = [&] {
    if (stopping) return;
    stopping = true;
    for (const pid_t worker : workers) kill(worker, SIGTERM);
  };
  while (true) {
    if (StopSignal()) stop_all();
    pollfd wait_for{pipe_ends[0], POLLIN, 0};
    const int ready = poll(&wait_for, 1, 1000);
    if (ready < 0) continue;  // a signal: seen at the top
    if (ready == 0) {
      if (!stopping) progress.Update(done, false);
      continue;
    }
    char buffer[4096];
    const ssize_t got = read(pipe_ends[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      if (pending[0] == kDoneMark) {
        ++done;
      } else if (failure.empty()) {
        failure = pending.substr(1, end - 1);
        write_failure = pending[0] == kWriteFailureMark;
        stop_all();
      }
    }
    if (!stopping) progress.Update(done, false);
  }
  close(pipe_ends[0]);
  std::string crash;
  for (const pid_t worker : workers) {
    int status = 0;
    while (waitpid(worker, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status) && !stopping && crash.empty()) {
      crash = "a worker process ended with signal " + std::to_string(WTERMSIG(status)) + " (" +
              strsignal(WTERMSIG(status)) + ")";
    }
  }
  if (StopSignal()) return StopSignal();
  if (write_failure) throw WriteFailure(failure);
  if (!failure.empty()) Fail(failure);
  if (!crash.empty()) Fail(crash);
  // A worker that ended without saying why, a protein short.
  if (done != run.names.size()) {
    Fail("the workers did " + std::to_string(done) + " of the " + std::to_string(run.names.size()) + " proteins");
  }
  std::error_code error;
  fs::remove_all(work / kWorkersFolder, error);
  progress.Update(done, true);
  return 0;
}

}  // namespace linkerkit
