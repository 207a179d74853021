#include "protein_steps.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "chain_position.h"
#include "classify.h"
#include "failure.h"
#include "feature_rows.h"
#include "output_file.h"
#include "profile_column.h"
#include "profile_matrix.h"
#include "reprof_output.h"
#include "residue_scale.h"
#include "sec_struct.h"
#include "seq_complexity.h"
#include "track.h"

namespace linkerkit {

namespace {

class StepRunner {
 public:
  StepRunner(const ProteinRecord &protein, std::string folder, bool atomic)
      : protein_(protein), folder_(std::move(folder)), atomic_(atomic) {}

  // Runs program, its standard output into output (inside the folder),
  // which appears only when the program succeeds.
  void Capture(const std::string &output, const char *program, const ProgramEntry &entry,
               std::vector<std::string> arguments) {
    CaptureProgramOutput(folder_ + "/" + output, atomic_, program, entry, std::move(arguments), protein_.name);
  }

  // Runs a program that writes its own files (atomically); what it prints
  // on standard output is not kept.
  void Run(const char *program, const ProgramEntry &entry, std::vector<std::string> arguments) {
    std::FILE *sink = std::fopen("/dev/null", "w");
    if (!sink) Fail(protein_.name + ": cannot open /dev/null");
    std::vector<char *> pointers;
    for (std::string &argument : arguments) pointers.push_back(argument.data());
    try {
      entry(Arguments(pointers.data(), pointers.size()), sink);
    } catch (const Failure &failure) {
      std::fclose(sink);
      FailAgain(failure, protein_.name + ": " + program + " failed: " + failure.what());
    }
    std::fclose(sink);
  }

  // A track must have a line for every residue: a truncated or foreign
  // input file shows here, whatever the program reading it let through.
  void CheckTrackLength(const std::string &output, const std::string &source, std::size_t header_lines = 0) const {
    const std::string path = folder_ + "/" + output;
    std::FILE *file = std::fopen(path.c_str(), "r");
    if (!file) Fail(protein_.name + ": cannot open " + path);
    std::size_t lines = 0;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      for (std::size_t i = 0; i < got; ++i) lines += buffer[i] == '\n';
    }
    std::fclose(file);
    lines = lines > header_lines ? lines - header_lines : 0;
    if (lines != protein_.residues.size()) {
      Fail(protein_.name + ": " + source + " gives " + std::to_string(lines) + " residues, the FASTA sequence " +
           std::to_string(protein_.residues.size()));
    }
  }

  const std::string &folder() const { return folder_; }

 private:
  const ProteinRecord &protein_;
  std::string folder_;
  bool atomic_;
};

// The classifier as the program runs it, with the model the road read
// before its workers started.
void RunClassifier(Arguments arguments, std::FILE *out, const Model &model) {
  GivenOptions options;
  if (model.settings.raw_scores) options.Add("--raw", "");
  RunClassifyFeatureRows(options, arguments, out, *model.loaded_classifier);
}

}  // namespace

void RunProteinSteps(const Model &model, const std::string &scales_dir, const ProteinRecord &protein,
                     const CompanionFiles &files, const StepFolder &where, RoadStop stop,
                     const std::string &result_path) {
  const std::string &folder = where.folder;
  const std::string base = folder + "/" + where.base;
  StepRunner steps(protein, folder, where.kept);
  const std::string fasta = base + ".fa";
  const std::string feat = folder + "/feat";
  if (mkdir(feat.c_str(), 0777) != 0 && errno != EEXIST) FailWriting(protein.name + ": cannot create " + feat, errno);

  std::string index;
  for (const Track &track : model.recipe.tracks) index += track.name + "\n";
  steps.Capture("index.txt", "the road", [&index](Arguments, std::FILE *out) { WriteAll(out, index); }, {});

  bool profile_made = false;
  std::set<int> psipred_made, reprof_pss_made, reprof_acc_made;
  std::string reprof = files.reprof;
  for (const Track &track : model.recipe.tracks) {
    const std::string ws = std::to_string(track.size);
    const std::string output = "feat/" + track.name + ".txt";
    switch (track.kind) {
      case TrackKind::kSeqComplexity:
        steps.Capture(output, "ScoreSeqComplexity", RunScoreSeqComplexity, {fasta, ws});
        break;
      case TrackKind::kScale:
        steps.Capture(output, "ApplyResidueScale", RunApplyResidueScale,
                      {fasta, scales_dir + "/" + track.stem + ".tsv", ws});
        break;
      case TrackKind::kPsipred:
        if (psipred_made.insert(track.size).second) {
          steps.Run("SplitSecStructProbs", RunSplitSecStructProbs, {files.ss2, feat + "/", ws});
        }
        steps.CheckTrackLength(output, "the .ss2 file " + files.ss2);
        break;
      case TrackKind::kProfile:
        if (!profile_made) {
          steps.Run("ExtractProfileMatrix", RunExtractProfileMatrix, {files.mtx, base + ".profile"});
          // The table's two first lines are the matrix's count and sequence.
          steps.CheckTrackLength(where.base + ".profile", "the checkpoint matrix " + files.mtx, 2);
          profile_made = true;
        }
        steps.Capture(output, "TrackProfileColumn", RunTrackProfileColumn,
                      {base + ".profile", track.stem.substr(5), ws});
        break;
      case TrackKind::kReprofPss:
      case TrackKind::kReprofAcc: {
        if (reprof.empty()) Fail(protein.name + ": no reprof prediction was made");
        // The user's file by its name; the one the road made by what it is.
        const std::string source = reprof == base + ".reprof" ? "reprof's prediction" : "reprof's prediction " + reprof;
        const std::string ss2 = base + ".reprof.ss2";
        const std::string acc = "feat/REPROF_ACC_" + ws + ".txt";
        if (reprof_acc_made.insert(track.size).second) {
          steps.Run("ConvertReprofOutput", RunConvertReprofOutput, {reprof, ss2, folder + "/" + acc, ws});
          steps.CheckTrackLength(acc, source);
        }
        if (track.kind == TrackKind::kReprofPss && reprof_pss_made.insert(track.size).second) {
          steps.Run("SplitSecStructProbs", RunSplitSecStructProbs, {ss2, feat + "/REPROF_", ws});
        }
        break;
      }
      case TrackKind::kTerminus:
        steps.Capture(output, "TrackChainPosition", RunTrackChainPosition, {fasta, "terminus", ws});
        break;
      case TrackKind::kChainLength:
        steps.Capture(output, "TrackChainPosition", RunTrackChainPosition, {fasta, "length", ws});
        break;
    }
  }
  const std::string vectors = where.base + ".vectors";
  steps.Capture(vectors, "AssembleFeatureRows", RunAssembleFeatureRows, {folder + "/index.txt", feat + "/"});
  std::string result = folder + "/" + vectors;
  if (stop != RoadStop::kVectors) {
    const std::string scores = where.base + ".scores";
    steps.Capture(scores, "ClassifyFeatureRows",
                  [&model](Arguments arguments, std::FILE *out) { RunClassifier(arguments, out, model); },
                  {model.classifier, folder + "/" + vectors, protein.name, std::to_string(model.settings.smoothing)});
    result = folder + "/" + scores;
  }
  if (std::rename(result.c_str(), result_path.c_str()) != 0) {
    FailWriting(protein.name + ": cannot write " + result_path, errno);
  }
}

}  // namespace linkerkit
