#include "linker_classifier.h"

#include <cctype>
#include <cstdio>

#include "failure.h"
#include "libsvm_model.h"
#include "xgboost_model.h"

namespace linkerkit {

namespace {

std::string ReadBytes(const std::string &path) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) FailCannotOpen(path);
  std::string bytes;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
  const bool failed = std::ferror(file);
  std::fclose(file);
  if (failed) FailCannotOpen(path);
  return bytes;
}

// XGBoost's JSON and UBJSON both open with "{"; a LIBSVM model never does.
bool IsXGBoostModel(const std::string &bytes) {
  for (const char c : bytes) {
    if (!std::isspace(static_cast<unsigned char>(c))) return c == '{';
  }
  return false;
}

}  // namespace

std::unique_ptr<const LinkerClassifier> LoadLinkerClassifier(const std::string &model_path,
                                                             const std::string &ranges_path) {
  const std::string bytes = ReadBytes(model_path);
  if (IsXGBoostModel(bytes)) {
    // Trees split on the features' own values; scaling would only move the
    // vectors away from the values the trees were grown on.
    if (!ranges_path.empty()) {
      Fail("--ranges is for LIBSVM models: the XGBoost model " + model_path + " takes its vectors unscaled");
    }
    return std::make_unique<XGBoostModel>(model_path, bytes);
  }
  return std::make_unique<LibsvmModel>(model_path, ranges_path);
}

}  // namespace linkerkit
