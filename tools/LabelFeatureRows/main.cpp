#include "label_rows.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "LabelFeatureRows [vector file] [region file] [key]",
                               linkerkit::RunLabelFeatureRows);
}
