#include "road_checks.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "failure.h"
#include "output_file.h"
#include "proteome.h"
#include "road_files.h"
#include "stop_signals.h"

namespace linkerkit {

namespace fs = std::filesystem;

ResidueScales CheckModelInputs(const Recipe &recipe, const RoadOptions &options, const std::string &scales_dir,
                               const std::string &bin_dir) {
  for (const Track &track : recipe.tracks) {
    if (track.kind == TrackKind::kPsipred && options.ss2.empty() && options.ss2_dir.empty()) {
      Fail("the model's recipe uses " + track.name +
           ": give the protein's PSIPRED file with --ss2 FILE (--ss2-dir DIR for many)");
    }
    if (track.kind == TrackKind::kProfile && options.mtx.empty() && options.mtx_dir.empty()) {
      Fail("the model's recipe uses " + track.name +
           ": give the protein's checkpoint matrix with --mtx FILE (--mtx-dir DIR for many)");
    }
  }
  ResidueScales scales = ReadRecipeScales(recipe, scales_dir);
  if (recipe.needs_reprof && options.reprof.empty() && options.reprof_dir.empty()) {
    if (!fs::is_directory("/usr/share/reprof")) {
      Fail("the model's recipe needs reprof, which is not installed (Debian package reprof); or use --model sequence");
    }
    if (access((bin_dir + "/linkerkit-reprof").c_str(), X_OK) != 0) {
      Fail("cannot find linkerkit-reprof in " + bin_dir);
    }
  }
  for (const std::string *file : {&options.ss2, &options.mtx, &options.reprof, &options.fasta}) {
    if (!file->empty() && !IsFile(*file)) FailCannotOpen(*file);
  }
  if (!options.name.empty()) {
    if (const std::string problem = NameProblem(options.name); !problem.empty()) Fail("invalid --name: " + problem);
  }
  return scales;
}

std::vector<std::string> CheckProteome(const RoadOptions &options, const Recipe &recipe) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  FastaRecordReader reader(options.fasta);
  ProteinRecord record;
  while (reader.Next(record)) {
    if (StopSignal()) return names;
    if (!seen.insert(record.name).second) {
      FailAtLine(options.fasta, record.header_line, "protein name " + record.name + " is used twice");
    }
    names.push_back(record.name);
    for (const auto &[needed, dir, extension] :
         {std::tuple{recipe.needs_ss2, options.ss2_dir, ".ss2"}, std::tuple{recipe.needs_mtx, options.mtx_dir, ".mtx"},
          std::tuple{recipe.needs_reprof, options.reprof_dir, ".reprof"}}) {
      if (needed && !dir.empty() && !IsFile(dir + "/" + record.name + extension)) {
        Fail(record.name + ": no " + record.name + extension + " in " + dir);
      }
    }
  }
  if (names.empty()) FailInFile(options.fasta, "no protein (a FASTA record begins with a '>' header line)");
  const bool single_files = !options.ss2.empty() || !options.mtx.empty() || !options.reprof.empty();
  if (names.size() > 1 && (single_files || !options.name.empty())) {
    Fail(options.fasta + " holds " + std::to_string(names.size()) +
         " proteins: --name, --ss2, --mtx and --reprof are for one protein; use --ss2-dir, --mtx-dir and --reprof-dir");
  }
  return names;
}

void RefusePicturesOverInputs(const RoadRun &run, const RoadOptions &options) {
  if (options.plot_dir.empty()) return;
  std::vector<std::string> shared = {options.fasta,
                                     options.truth,
                                     options.ss2,
                                     options.mtx,
                                     options.reprof,
                                     run.model.folder + "/index.txt",
                                     run.model.folder + "/settings",
                                     run.model.classifier,
                                     run.model.folder + "/ranges",
                                     run.model.folder + "/calibration"};
  for (const Track &track : run.model.recipe.tracks) {
    if (track.kind == TrackKind::kScale) shared.push_back(run.scales_dir + "/" + track.stem + ".tsv");
  }
  std::erase(shared, "");
  for (const std::string &name : run.names) {
    std::vector<std::string> inputs = shared;
    for (const auto &[dir, extension] : {std::pair{options.ss2_dir, ".ss2"}, std::pair{options.mtx_dir, ".mtx"},
                                         std::pair{options.reprof_dir, ".reprof"}}) {
      if (!dir.empty()) inputs.push_back(dir + "/" + name + extension);
    }
    RefuseOutputOverInputs({options.plot_dir + "/" + name + ".svg"}, inputs);
  }
}

}  // namespace linkerkit
