#include <unistd.h>

#include <filesystem>
#include <string>

#include "road.h"

int main(int argc, char **argv) {
  // The programs and reprof's driver lie beside this one; the shipped models
  // and scales in share/linkerkit when installed, else in the source tree.
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path bin_dir = error ? std::filesystem::path(".") : self.parent_path();
  const std::filesystem::path installed = bin_dir / LINKERKIT_DATA_FROM_BIN;
  linkerkit::RoadPlaces places;
  places.bin_dir = bin_dir.string();
  places.data_dir = std::filesystem::is_directory(installed / "models", error) ? installed.lexically_normal().string()
                                                                               : std::string(LINKERKIT_SOURCE_DATA_DIR);
  return linkerkit::RunRoad(std::span<char *const>(argv + 1, static_cast<std::size_t>(argc - 1)), places);
}
