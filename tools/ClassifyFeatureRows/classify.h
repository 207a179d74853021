// Scoring one protein's vector lines with a LIBSVM or XGBoost model into
// score lines.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "linker_classifier.h"
#include "program.h"

namespace linkerkit {

// Reads one protein's vector lines "LABEL k:v k:v ... #QUERY i m"; the label
// is not used. Fails naming the file and line when the comment is missing,
// a pair is malformed or out of order, or the positions are not 0, 1, 2, ...
// up to m - 1, a line for each residue in order.
std::vector<FeatureVector> ParseVectorLines(const std::vector<std::string> &lines, const std::string &path);

// (x - mean) / standard deviation over the protein; a constant profile gives 0.
std::vector<double> ZScores(const std::vector<double> &values);

// The scores written for the smoothed decision values: the values
// themselves (raw) or their z-scores. A protein whose smoothed values are all
// equal shows no place likelier to be a linker than any other; its scores
// are NaN ("nan"), which no threshold reaches, so it gets no linker whatever
// the threshold.
std::vector<double> ScoresOf(const std::vector<double> &smoothed, bool raw);

// The score lines of one protein's vector lines (read from path, which the
// messages name): the classifier's decision values smoothed over ws, as
// ScoresOf gives them, each tagged with the protein's name. Fails as
// ParseVectorLines does, and when there are no lines.
std::string ScoreLinesOf(const std::vector<std::string> &vector_lines, const std::string &path,
                         const LinkerClassifier &classifier, const std::string &name, int ws, bool raw);
// The same from the vectors those lines give.
std::string ScoreLinesOf(const std::vector<FeatureVector> &vectors, const std::string &path,
                         const LinkerClassifier &classifier, const std::string &name, int ws, bool raw);

// The options: "--ranges FILE" scales the vectors with svm-scale's saved
// ranges first (LIBSVM models only); "--raw" prints the smoothed decision
// values themselves in place of their z-scores, so that a threshold means the
// same in every protein.
inline constexpr ProgramOption kClassifyOptions[] = {{"--ranges", true}, {"--raw", false}};

// ClassifyFeatureRows [--ranges FILE] [--raw] [model file] [vector file] [protein name] [smoothing ws]
void RunClassifyFeatureRows(const GivenOptions &options, Arguments arguments, std::FILE *out);
// Without options.
void RunClassifyFeatureRows(Arguments arguments, std::FILE *out);
// With the model read already, by a caller that scores protein after
// protein with one model (the road, which reads it once for all its
// workers): the model file argument and --ranges are not read again.
void RunClassifyFeatureRows(const GivenOptions &options, Arguments arguments, std::FILE *out,
                            const LinkerClassifier &classifier);

}  // namespace linkerkit
