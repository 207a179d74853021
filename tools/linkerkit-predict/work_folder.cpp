#include "work_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "failure.h"
#include "output_file.h"
#include "road_files.h"

namespace linkerkit {

namespace fs = std::filesystem;

WorkFolder::WorkFolder(const std::string &requested, bool keep, const char *results_folder) : keep_(keep) {
  if (requested.empty()) {
    std::string pattern = TemporaryFolder() + "/linkerkit-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("cannot create a temporary work folder in " + TemporaryFolder());
    path_ = AbsolutePath(pattern);
    temporary_ = true;
  } else {
    path_ = AbsolutePath(requested);
    while (path_.size() > 1 && path_.back() == '/') path_.pop_back();
    std::error_code error;
    fs::create_directories(path_, error);
    if (!fs::is_directory(path_, error)) Fail("cannot create the work folder " + path_);
    if (!fs::exists(*this / kMarkerFile, error)) {
      for (const auto &entry : fs::directory_iterator(path_, error)) {
        // A run starting at this moment may just have made its mark.
        if (entry.path().filename() == kMarkerFile) continue;
        Fail("the work folder " + path_ +
             " holds files of its own; give a new or empty folder, or one an earlier linkerkit-predict run made");
      }
      if (error) Fail("cannot read the work folder " + path_);
    }
  }
  lock_descriptor_ = open((*this / kMarkerFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lock_descriptor_ < 0) Fail("cannot write in the work folder " + path_);
  if (flock(lock_descriptor_, LOCK_EX | LOCK_NB) != 0) {
    close(lock_descriptor_);
    lock_descriptor_ = -1;
    Fail("another linkerkit-predict run is using the work folder " + path_ + "; wait for it or give another --work");
  }
  static constexpr char kMark[] = "a linkerkit-predict work folder\n";
  if (ftruncate(lock_descriptor_, 0) != 0 || write(lock_descriptor_, kMark, sizeof kMark - 1) < 0) {
    Fail("cannot write in the work folder " + path_);
  }
  std::error_code error;
  for (const char *name : {kReportFile, kCandidatesFile, kLinkerTableFile, kProteinTableFile, kScoresFile, kOptionsFile,
                           kScoresFolder, kVectorsFolder, kProteinsFolder, kWorkersFolder}) {
    fs::remove_all(*this / name, error);
    if (error) Fail("cannot remove " + (*this / name) + " left by an earlier run");
  }
  // The proteins' step folders and the workers' scratch folders are made
  // where a step needs them: on some file systems a folder costs a protein's
  // time.
  if (mkdir((*this / results_folder).c_str(), 0777) != 0) Fail("cannot create " + (*this / results_folder));
}

WorkFolder::~WorkFolder() {
  if (temporary_ && !keep_ && !kept_after_failure_) {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  if (lock_descriptor_ >= 0) close(lock_descriptor_);
}

void WorkFolder::RemoveUnfinished() const {
  std::error_code error;
  // A report of a run that did not end well must not pass for a good one,
  // even where it was complete before the run was stopped.
  for (const char *name :
       {kReportFile, kCandidatesFile, kLinkerTableFile, kProteinTableFile, kScoresFile, kOptionsFile}) {
    fs::remove(*this / name, error);
  }
  fs::remove_all(*this / kWorkersFolder, error);
  if (!keep_) fs::remove_all(*this / kProteinsFolder, error);
  std::vector<fs::path> partial;
  for (auto it = fs::recursive_directory_iterator(path_, error); !error && it != fs::recursive_directory_iterator();
       it.increment(error)) {
    if (IsPartialName(it->path().filename().string())) partial.push_back(it->path());
  }
  for (const fs::path &path : partial) fs::remove(path, error);
}

}  // namespace linkerkit
