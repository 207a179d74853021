// Output files appear whole or not at all: each is written to a temporary
// file in its own folder and renamed into place once complete, so a failed
// run neither leaves a truncated file nor destroys the previous one. A run
// ended by SIGINT or SIGTERM removes its temporary files too, once the
// handlers are installed.
//
// Only a regular file is ever replaced. An output path that is a symbolic
// link is followed to the file it names (created when the link dangles),
// and that file is replaced in its own folder, so the link stays a link. An
// output that is no regular file (/dev/null, a terminal, a FIFO, or a
// process's open file such as /dev/stdout) is opened and written directly,
// its text appended, with no temporary file.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace linkerkit {

class AtomicOutputFile {
 public:
  // Creates the temporary file, or opens a direct output; fails with
  // "cannot open PATH", also when PATH is a folder (which the file could
  // never replace).
  explicit AtomicOutputFile(std::string path);
  ~AtomicOutputFile();  // removes the temporary file unless committed
  AtomicOutputFile(const AtomicOutputFile &) = delete;
  AtomicOutputFile &operator=(const AtomicOutputFile &) = delete;
  AtomicOutputFile(AtomicOutputFile &&other) noexcept;
  AtomicOutputFile &operator=(AtomicOutputFile &&) = delete;

  // True for an output written directly: its text reaches it as it is
  // written, and cannot be taken back.
  bool IsDirect() const { return direct_; }

  void Write(std::string_view text);
  // Flushes and closes the temporary file (or the direct output); fails
  // with "cannot write PATH" when any of the text could not be written (a
  // full disk, say).
  void Finish();
  // Finishes if that is still to do, then renames into place; fails with
  // "cannot write PATH".
  void Commit();

 private:
  void OpenDirect(const std::string &path);
  // The temporary file leaves the registry that signal handlers clean up.
  void ForgetTemporary();

  std::string path_;         // as the user gave it, for the messages
  std::string target_path_;  // the file the temporary file replaces
  std::string temporary_path_;
  std::FILE *file_ = nullptr;
  bool direct_ = false;
};

// Removes the temporary files of every live AtomicOutputFile (those beyond
// the registry's fixed room are left to their destructors). Only unlink is
// called, so it is safe in a signal handler: a process that runs the
// programs' work in-process and has signal handlers of its own calls it
// from them.
void RemoveTemporaryOutputFiles() noexcept;

// Makes SIGINT and SIGTERM remove the temporary files and then end the
// process by that same signal, as if they had not been caught. A signal
// the process was started with ignored stays ignored. For the programs'
// own processes: RunProgram calls it.
void RemoveTemporaryOutputFilesOnSignals();

// True when the two paths name one file: the same device and inode, or, for
// paths of files that do not exist yet, the same name in the same folder
// once symbolic links are followed and the folder's path is resolved.
bool NameSameFile(const std::string &a, const std::string &b);

// An output file replaces its file whole, so an output that named one of
// the program's inputs would destroy that input. Fails with "output file
// OUTPUT is the input file INPUT" for the first such pair.
void RefuseOutputOverInputs(const std::vector<std::string> &outputs, const std::vector<std::string> &inputs);

// Writes every (path, content) pair; no file is replaced unless all of them
// were written whole. The direct outputs get their text only once the
// temporary files are written whole, so that a file that cannot be written
// sends nothing to them.
void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>> &files);

// A standard stream the run was started without (closed, as ">&-" leaves
// it) is taken by /dev/null opened for reading: no file the run opens can
// take its number and receive what was meant for the stream, and a write on
// it fails (EBADF) as on the closed stream.
void TakeClosedStandardStreams();

// The folder for temporary files and folders: $TMPDIR, or /tmp where it is
// unset or empty.
std::string TemporaryFolder();

// Writes text to a stream (a program's standard output). A short write is
// not reported here: it leaves the stream's error flag set, and RunProgram
// turns that into status 1 when the run ends.
void WriteAll(std::FILE *out, std::string_view text);

}  // namespace linkerkit
