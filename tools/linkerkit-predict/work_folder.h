// The road's work folder. Its files never replace a user's: a folder that
// holds anything and was not made by the road is refused, and by default
// the road makes a fresh temporary folder and removes it at the end. A lock
// keeps a second run out while one is using the folder.
#pragma once

#include <string>

namespace linkerkit {

// The names the road writes directly under the work folder.
inline constexpr const char *kMarkerFile = ".linkerkit-work";  // marks the folder the road's; holds the lock
inline constexpr const char *kReportFile = "report.txt";
inline constexpr const char *kCandidatesFile = "candidates.txt";
inline constexpr const char *kLinkerTableFile = "linkers.tsv";
inline constexpr const char *kProteinTableFile = "proteins.tsv";
inline constexpr const char *kScoresFile = "scores.txt";
inline constexpr const char *kOptionsFile = "options.txt";
inline constexpr const char *kScoresFolder = "scores";      // NAME.scores
inline constexpr const char *kVectorsFolder = "vectors";    // NAME.vectors
inline constexpr const char *kProteinsFolder = "proteins";  // NAME/: one protein's steps, kept
inline constexpr const char *kWorkersFolder = "workers";    // K/: worker K's scratch folder

class WorkFolder {
 public:
  // requested empty: a fresh folder under $TMPDIR (or /tmp). Otherwise the
  // folder is created if missing, refused if it holds files without the
  // road's mark, and locked; the outputs of an earlier run are removed, so
  // that none can pass for this run's, and results_folder (kScoresFolder or
  // kVectorsFolder) is made. Fails with one line.
  WorkFolder(const std::string &requested, bool keep, const char *results_folder);
  ~WorkFolder();  // removes a temporary folder unless kept
  WorkFolder(const WorkFolder &) = delete;
  WorkFolder &operator=(const WorkFolder &) = delete;

  const std::string &path() const { return path_; }
  std::string operator/(const std::string &name) const { return path_ + "/" + name; }
  bool temporary() const { return temporary_; }
  bool kept() const { return !temporary_ || keep_; }

  // After a failure that leaves work worth having (the scores, a report
  // that could not be delivered): a temporary folder stays too.
  void KeepAfterFailure() { kept_after_failure_ = true; }

  // After an interruption or failure: removes the run's report and the
  // other whole-run outputs, every partial file, the workers' scratch
  // folders, and the proteins' step folders unless the work is kept. The
  // proteins' finished scores stay: each is whole.
  void RemoveUnfinished() const;

 private:
  std::string path_;
  bool temporary_ = false;
  bool keep_ = false;
  bool kept_after_failure_ = false;
  int lock_descriptor_ = -1;
};

}  // namespace linkerkit
